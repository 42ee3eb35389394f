// The sweep dialog and the analysis options sheet, driven headless through their
// widgets.
#include "DialogTestSupport.h"
#include "document/SettingsRecords.h"
#include "gui/HelpViewer.h"
#include "gui/Messages.h"
#include "gui/dialogs/CAnalysisOptionsPropSheet.h"
#include "gui/dialogs/CParamSweepDlg.h"
#include "model/Element.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace korvanix::gui {
namespace {

using namespace dialog_test;

using document::AnalysisOptions;
using document::SweepSettings;

// A sheet whose list order is neither the natural nor the byte order of its
// names, with sources of both sorts, an element without parameters (the ground)
// and one whose parameter has no unit (the transformer).
const model::ElementList& Sheet() {
    static const model::ElementList elements = [] {
        model::ElementList list;
        int32_t id = 1;
        auto add = [&](model::ElementKind kind, int32_t number) {
            list.push_back(model::ElementFactory(kind, id++));
            list.back()->number = number;
            return list.back().get();
        };
        add(model::kind::Resistor, 10)->SetParam(0, 1234.56789012345);
        add(model::kind::Ground, 1);
        add(model::kind::Capacitor, 1);
        add(model::kind::VoltageSource, 1)->SetParam(0, 5);
        add(model::kind::Resistor, 2)->SetParam(0, 220);
        add(model::kind::CurrentSource, 1);
        add(model::kind::Inductance, 1)->SetParam(1, 0.002);
        add(model::kind::Transformer, 1);
        return list;
    }();
    return elements;
}

SweepSettings Record(const char* element, int32_t param, double start, double end,
                     int32_t count = 10, int32_t method = SweepSettings::Linear) {
    SweepSettings s;
    s.SetElementName(element);
    s.paramIndex = param;
    s.startValue = start;
    s.endValue = end;
    s.graphCount = count;
    s.method = method;
    return s;
}

// Moves a closed combo box's selection by `steps` entries with the arrow keys.
void Step(QComboBox* box, int steps) {
    for (int i = 0; i < std::abs(steps); ++i)
        QTest::keyClick(box, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
}

class SweepOptionsDialogsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        CAnalysisOptionsPropSheet::SetRememberedPage(0);
    }
};

// ---- sweep dialog: opening -------------------------------------------------------

TEST_F(SweepOptionsDialogsTest, SweepOpensOnTheRecordNotOnThePresentValue) {
    // L1's second parameter is 2m now; the record's range must be what shows.
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient,
                          Record("L1", 1, 0.5, 2, 4, SweepSettings::Logarithmic));
    EXPECT_EQ(dialog.windowTitle(), U("Изменение параметра"));
    EXPECT_EQ(Items(Combo(&dialog, "element")),
              (QStringList{"C1", "I1", "L1", "R2", "R10", "TR1", "U1"}));
    EXPECT_EQ(Combo(&dialog, "element")->currentText(), "L1");
    EXPECT_EQ(Items(Combo(&dialog, "parameter")),
              (QStringList{U("Индуктивность (L)"), U("Начальные условия (НУ)")}));
    EXPECT_EQ(Combo(&dialog, "parameter")->currentIndex(), 1);
    EXPECT_EQ(LabelText(&dialog, "startUnit"), U("А"));
    EXPECT_EQ(LabelText(&dialog, "endUnit"), U("А"));
    EXPECT_EQ(Edit(&dialog, "startValue")->text(), "0.5");
    EXPECT_EQ(Edit(&dialog, "endValue")->text(), "2");
    EXPECT_EQ(Edit(&dialog, "count")->text(), "4");
    EXPECT_EQ(Items(Combo(&dialog, "method")), (QStringList{U("Линейный"), U("Логарифмич.")}));
    EXPECT_EQ(Combo(&dialog, "method")->currentIndex(), 1);
    EXPECT_EQ(Find<QPushButton>(&dialog, "help")->text(), U("Справка"));
}

TEST_F(SweepOptionsDialogsTest, FrequencySweepLeavesTheSourcesOut) {
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kFrequency, Record("U1", 0, 1, 2));
    EXPECT_EQ(Items(Combo(&dialog, "element")), (QStringList{"C1", "L1", "R2", "R10", "TR1"}));
    // The stored source is not offered: the first entry stands in for it.
    EXPECT_EQ(Combo(&dialog, "element")->currentText(), "C1");
}

// Documents may still hold sources of the older kinds: they are sources too.
TEST_F(SweepOptionsDialogsTest, FrequencySweepLeavesSourcesOfOlderKindsOut) {
    model::ElementList list;
    int32_t id = 1;
    for (const model::ElementKind kind :
         {model::kind::Resistor, model::kind::VoltageSourceDcOld, model::kind::VoltageSourceAcOld,
          model::kind::CurrentSourceDcOld, model::kind::CurrentSourceAcOld}) {
        list.push_back(model::ElementFactory(kind, id));
        list.back()->number = id++;
    }
    CParamSweepDlg frequency(list, CParamSweepDlg::kFrequency, Record("R1", 0, 1, 2));
    EXPECT_EQ(Items(Combo(&frequency, "element")), QStringList{"R1"});
    CParamSweepDlg transient(list, CParamSweepDlg::kTransient, Record("R1", 0, 1, 2));
    EXPECT_EQ(Items(Combo(&transient, "element")).size(), 5);
}

TEST_F(SweepOptionsDialogsTest, AStoredChoiceThatDoesNotFitFallsBackToTheFirst) {
    struct Case {
        const char* name;
        int32_t param;
        const char* element;
        int parameter;
        const char* unit;
    };
    const Case cases[] = {
        {"R7", 0, "C1", 0, "Ф"},   // no such element
        {"", 0, "C1", 0, "Ф"},     // nothing chosen yet
        {"GND1", 0, "C1", 0, "Ф"}, // an element without parameters
        {"R2", 3, "R2", 0, "Ом"},  // index beyond the element's parameters
        {"C1", -1, "C1", 0, "Ф"},  // a negative index
        {"TR1", 0, "TR1", 0, ""},  // a parameter without unit
        {"C1", 1, "C1", 1, "В"},   // in range: kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " #" << c.param);
        CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, Record(c.name, c.param, 3, 7));
        EXPECT_EQ(Combo(&dialog, "element")->currentText(), c.element);
        EXPECT_EQ(Combo(&dialog, "parameter")->currentIndex(), c.parameter);
        EXPECT_EQ(LabelText(&dialog, "startUnit"), U(c.unit));
        EXPECT_EQ(LabelText(&dialog, "endUnit"), U(c.unit));
        // Falling back is no user's choice: the record's range stays.
        EXPECT_EQ(Edit(&dialog, "startValue")->text(), "3");
        EXPECT_EQ(Edit(&dialog, "endValue")->text(), "7");
    }
}

TEST_F(SweepOptionsDialogsTest, ASheetWithoutParametersStillOpensAndCloses) {
    model::ElementList groundOnly;
    groundOnly.push_back(model::ElementFactory(model::kind::Ground, 1));
    CParamSweepDlg dialog(groundOnly, CParamSweepDlg::kTransient, Record("R1", 0, 1, 2));
    EXPECT_EQ(Combo(&dialog, "element")->count(), 0);
    EXPECT_EQ(Combo(&dialog, "parameter")->count(), 0);
    EXPECT_EQ(LabelText(&dialog, "startUnit"), QString());
    Click(&dialog, "ok");
    // The analysis dialog asks for a parameter; here there is nothing to choose.
    EXPECT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Sweep().ElementName(), "");
}

// ---- sweep dialog: user changes --------------------------------------------------

TEST_F(SweepOptionsDialogsTest, ChangingTheElementStartsAtItsFirstParameterAndPresentValue) {
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, Record("L1", 1, 0.5, 2));
    QComboBox* element = Combo(&dialog, "element");
    QComboBox* parameter = Combo(&dialog, "parameter");
    struct Case {
        int steps;
        const char* name;
        QStringList parameters;
        const char* unit;
        const char* value;
    };
    const Case cases[] = {
        {1, "R2", {U("Сопротивление (R)")}, "Ом", "220"},
        // Twelve digits, as the element list writes them.
        {1, "R10", {U("Сопротивление (R)")}, "Ом", "1.23456789012k"},
        // Back on the stored element: the first parameter, not the stored one.
        {-2, "L1", {U("Индуктивность (L)"), U("Начальные условия (НУ)")}, "Гн", "10m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Step(element, c.steps);
        ASSERT_EQ(element->currentText(), c.name);
        EXPECT_EQ(Items(parameter), c.parameters);
        EXPECT_EQ(parameter->currentIndex(), 0);
        EXPECT_EQ(LabelText(&dialog, "startUnit"), U(c.unit));
        EXPECT_EQ(LabelText(&dialog, "endUnit"), U(c.unit));
        EXPECT_EQ(Edit(&dialog, "startValue")->text(), c.value);
        EXPECT_EQ(Edit(&dialog, "endValue")->text(), c.value);
    }
    EXPECT_TRUE(messages.warnings.empty());
}

TEST_F(SweepOptionsDialogsTest, ChangingTheParameterShowsItsUnitAndPresentValue) {
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, Record("L1", 0, 0.5, 2));
    Step(Combo(&dialog, "parameter"), 1);
    EXPECT_EQ(LabelText(&dialog, "startUnit"), U("А"));
    EXPECT_EQ(LabelText(&dialog, "endUnit"), U("А"));
    EXPECT_EQ(Edit(&dialog, "startValue")->text(), "2m");
    EXPECT_EQ(Edit(&dialog, "endValue")->text(), "2m");
    Step(Combo(&dialog, "parameter"), -1);
    EXPECT_EQ(LabelText(&dialog, "startUnit"), U("Гн"));
    EXPECT_EQ(Edit(&dialog, "startValue")->text(), "10m");
    // Showing a value is all: the sheet's element keeps it.
    EXPECT_EQ(Sheet()[6]->GetParam(1), 0.002);
}

// ---- sweep dialog: OK ------------------------------------------------------------

TEST_F(SweepOptionsDialogsTest, SweepValidationMessagesInOrder) {
    const QString nan = U("Введите число, пожалуйста.");
    const QString endMessage = U("Конечное значение должно быть больше начального.  ");
    const QString countMessage = U("Число графиков должно быть больше 1.  ");
    const QString methodMessage =
        U("Способ изменения должен быть линейным,\nесли начальное значение отрицательно.");
    struct Case {
        const char* start;
        const char* end;
        const char* count;
        bool logarithmic;
        QString message;
        const char* field; // null: accepted
    };
    const std::vector<Case> cases = {
        {"abc", "20m", "5", false, nan, "startValue"},
        {"", "20m", "5", false, nan, "startValue"},
        {"1m", "x", "5", false, nan, "endValue"},
        {"20m", "20m", "5", false, endMessage, "endValue"},
        {"30m", "20m", "5", false, endMessage, "endValue"},
        {"1m", "20m", "1", false, countMessage, "count"},
        {"1m", "20m", "0", false, countMessage, "count"},
        {"1m", "20m", "-3", false, countMessage, "count"},
        {"1m", "20m", "x", false, countMessage, "count"},
        // The first failure is the one reported.
        {"x", "y", "1", true, nan, "startValue"},
        {"2", "1", "1", true, endMessage, "endValue"},
        {"-1", "1", "5", true, methodMessage, "method"},
        {"0", "1", "5", true, methodMessage, "method"},
        {"-1", "1", "5", false, QString(), nullptr},
        {"1", "100", "3", true, QString(), nullptr},
        {"1m", "20m", "2", false, QString(), nullptr},
    };
    const SweepSettings stored = Record("L1", 0, 1e-3, 20e-3, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " " << c.end << " " << c.count
                                        << (c.logarithmic ? " log" : " lin"));
        CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, stored);
        Type(Edit(&dialog, "startValue"), c.start);
        Type(Edit(&dialog, "endValue"), c.end);
        Type(Edit(&dialog, "count"), c.count);
        if (c.logarithmic)
            Step(Combo(&dialog, "method"), 1);
        Click(&dialog, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_EQ(Accepted(dialog), c.field == nullptr);
        if (c.field == nullptr)
            continue;
        QWidget* bad = dialog.findChild<QWidget*>(QString::fromLatin1(c.field));
        EXPECT_EQ(dialog.focusWidget(), bad);
        if (auto* edit = qobject_cast<QLineEdit*>(bad)) {
            EXPECT_EQ(edit->selectedText(), edit->text());
        }
        // Not even the element and method the method test stores on its way.
        EXPECT_TRUE(document::SameBytes(dialog.Sweep(), stored)) << "nothing stored on failure";
    }
}

TEST_F(SweepOptionsDialogsTest, OkStoresTheWholeChoice) {
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, Record("L1", 1, 0.5, 2));
    Step(Combo(&dialog, "element"), 1); // R2
    Type(Edit(&dialog, "startValue"), "100");
    Type(Edit(&dialog, "endValue"), "1k");
    Type(Edit(&dialog, "count"), "3");
    Step(Combo(&dialog, "method"), 1);
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    const SweepSettings& s = dialog.Sweep();
    EXPECT_EQ(s.ElementName(), "R2");
    EXPECT_EQ(s.paramIndex, 0);
    EXPECT_EQ(s.startValue, 100);
    EXPECT_EQ(s.endValue, 1000);
    EXPECT_EQ(s.graphCount, 3);
    EXPECT_EQ(s.method, SweepSettings::Logarithmic);
}

TEST_F(SweepOptionsDialogsTest, OkOnAnUntouchedSweepChangesNoByte) {
    // More digits than the fields show: their 12-digit reading would differ.
    const SweepSettings stored = Record("R10", 0, 0.1234567890123456, 2.000000000000001, 7);
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, stored);
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_TRUE(document::SameBytes(dialog.Sweep(), stored));
}

TEST_F(SweepOptionsDialogsTest, CancelKeepsTheRecord) {
    const SweepSettings stored = Record("L1", 1, 0.5, 2);
    CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, stored);
    Step(Combo(&dialog, "element"), 1);
    Type(Edit(&dialog, "count"), "3");
    Click(&dialog, "cancel");
    EXPECT_FALSE(Accepted(dialog));
    EXPECT_TRUE(document::SameBytes(dialog.Sweep(), stored));
}

// ---- options sheet ---------------------------------------------------------------

AnalysisOptions Options(int32_t maxIter, int32_t depth, int32_t automatic, int32_t plot) {
    AnalysisOptions o;
    o.maxIter = maxIter;
    o.checkDepth = depth;
    o.autoCheckDepth = automatic;
    o.plotWhileRunning = plot;
    return o;
}

TEST_F(SweepOptionsDialogsTest, OptionsOpenOnTheRecord) {
    CAnalysisOptionsPropSheet sheet(Options(50, 7, 0, 0));
    CTransienOptionsPropPage* page = sheet.TransientPage();
    EXPECT_EQ(sheet.windowTitle(), U("Установки анализа"));
    ASSERT_EQ(sheet.Tabs()->count(), 1);
    EXPECT_EQ(sheet.Tabs()->tabText(0), U("Переходный процесс"));
    EXPECT_EQ(page->MaxIterEdit()->text(), "50");
    EXPECT_EQ(page->CheckDepthEdit()->text(), "7");
    EXPECT_EQ(page->CheckDepthLabel()->text(), U("Глубина проверки (CHECKDEPTH):"));
    EXPECT_FALSE(page->AutoCheckDepthBox()->isChecked());
    EXPECT_EQ(page->AutoCheckDepthBox()->text(), U("Автоматически определять глубину проверки"));
    EXPECT_FALSE(page->PlotWhileRunningBox()->isChecked());
    EXPECT_EQ(page->PlotWhileRunningBox()->text(), U("Строить график во время расчета"));
    EXPECT_EQ(page->ResetButton()->text(), U("Сброс"));
    EXPECT_TRUE(page->CheckDepthEdit()->isEnabled());
    EXPECT_TRUE(page->CheckDepthLabel()->isEnabled());
    QStringList labels;
    for (QLabel* label : page->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(U("Максимальное число итераций (MAXITER):")));
    EXPECT_EQ(Find<QPushButton>(&sheet, "help")->text(), U("Справка"));

    // Opened with the automatic depth, the depth is out of reach at once.
    CAnalysisOptionsPropSheet automatic(AnalysisOptions{});
    EXPECT_FALSE(automatic.TransientPage()->CheckDepthEdit()->isEnabled());
    EXPECT_FALSE(automatic.TransientPage()->CheckDepthLabel()->isEnabled());
}

TEST_F(SweepOptionsDialogsTest, DepthFieldFollowsTheAutomaticBox) {
    CAnalysisOptionsPropSheet sheet(Options(100, 3, 0, 1));
    CTransienOptionsPropPage* page = sheet.TransientPage();
    for (bool automatic : {true, false, true}) {
        QTest::keyClick(page->AutoCheckDepthBox(), Qt::Key_Space);
        ASSERT_EQ(page->AutoCheckDepthBox()->isChecked(), automatic);
        EXPECT_EQ(page->CheckDepthEdit()->isEnabled(), !automatic);
        EXPECT_EQ(page->CheckDepthLabel()->isEnabled(), !automatic);
    }
}

TEST_F(SweepOptionsDialogsTest, OptionsValidation) {
    const QString maxIterMessage = U("Значение MAXITER должно быть от 10 до 120");
    const QString depthMessage = U("Глубина проверки должна быть от 1 до 10");
    struct Case {
        const char* maxIter;
        const char* depth;
        bool automatic;
        QString message;
        const char* field; // "maxIter", "checkDepth" or null: accepted
        int32_t storedMaxIter;
        int32_t storedDepth;
    };
    const std::vector<Case> cases = {
        {"121", "3", true, maxIterMessage, "maxIter", 0, 0},
        {"9", "3", true, maxIterMessage, "maxIter", 0, 0},
        {"-100", "3", true, maxIterMessage, "maxIter", 0, 0},
        {"abc", "3", true, maxIterMessage, "maxIter", 0, 0},
        {"", "3", true, maxIterMessage, "maxIter", 0, 0},
        {"10", "3", true, QString(), nullptr, 10, 3},
        {"120", "3", true, QString(), nullptr, 120, 3},
        {" 64 ", "3", false, QString(), nullptr, 64, 3},
        // The automatic depth takes the field as it stands, in range or not.
        {"100", "0", true, QString(), nullptr, 100, 0},
        {"100", "25", true, QString(), nullptr, 100, 25},
        // ... but no number at all leaves the depth the record had.
        {"100", "abc", true, QString(), nullptr, 100, 7},
        {"100", "", true, QString(), nullptr, 100, 7},
        {"100", "0", false, depthMessage, "checkDepth", 0, 0},
        {"100", "11", false, depthMessage, "checkDepth", 0, 0},
        {"100", "abc", false, depthMessage, "checkDepth", 0, 0},
        {"100", "1", false, QString(), nullptr, 100, 1},
        {"100", "10", false, QString(), nullptr, 100, 10},
        // MAXITER is checked first.
        {"5", "0", false, maxIterMessage, "maxIter", 0, 0},
    };
    const AnalysisOptions stored = Options(50, 7, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.maxIter << " / " << c.depth << (c.automatic ? " automatic" : " by hand"));
        CAnalysisOptionsPropSheet sheet(stored);
        CTransienOptionsPropPage* page = sheet.TransientPage();
        Type(page->MaxIterEdit(), c.maxIter);
        // Typed while the field is open, then (maybe) handed to the automatic depth.
        Type(page->CheckDepthEdit(), c.depth);
        if (c.automatic)
            QTest::keyClick(page->AutoCheckDepthBox(), Qt::Key_Space);
        Click(&sheet, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_EQ(Accepted(sheet), c.field == nullptr);
        if (c.field == nullptr) {
            EXPECT_EQ(sheet.Options().maxIter, c.storedMaxIter);
            EXPECT_EQ(sheet.Options().checkDepth, c.storedDepth);
            EXPECT_EQ(sheet.Options().autoCheckDepth, c.automatic ? 1 : 0);
            EXPECT_EQ(sheet.Options().plotWhileRunning, 0);
            continue;
        }
        QLineEdit* bad = Edit(&sheet, c.field);
        EXPECT_EQ(sheet.focusWidget(), bad);
        EXPECT_EQ(bad->selectedText(), bad->text());
        EXPECT_TRUE(document::SameBytes(sheet.Options(), stored)) << "nothing stored on failure";
    }
}

TEST_F(SweepOptionsDialogsTest, ResetShowsTheDefaultsAndOkStoresThem) {
    CAnalysisOptionsPropSheet sheet(Options(50, 7, 0, 0));
    CTransienOptionsPropPage* page = sheet.TransientPage();
    Click(&sheet, "reset");
    EXPECT_EQ(page->MaxIterEdit()->text(), "100");
    EXPECT_EQ(page->CheckDepthEdit()->text(), "3");
    EXPECT_TRUE(page->AutoCheckDepthBox()->isChecked());
    EXPECT_TRUE(page->PlotWhileRunningBox()->isChecked());
    EXPECT_FALSE(page->CheckDepthEdit()->isEnabled());
    EXPECT_FALSE(page->CheckDepthLabel()->isEnabled());
    Click(&sheet, "ok");
    ASSERT_TRUE(Accepted(sheet));
    EXPECT_TRUE(document::SameBytes(sheet.Options(), AnalysisOptions{}));
}

TEST_F(SweepOptionsDialogsTest, CancelLeavesTheOptions) {
    const AnalysisOptions stored = Options(50, 7, 0, 0);
    CAnalysisOptionsPropSheet sheet(stored);
    Click(&sheet, "reset");
    Type(sheet.TransientPage()->MaxIterEdit(), "20");
    Click(&sheet, "cancel");
    EXPECT_FALSE(Accepted(sheet));
    EXPECT_TRUE(document::SameBytes(sheet.Options(), stored));
}

TEST_F(SweepOptionsDialogsTest, AWrongPageCannotBeLeft) {
    CAnalysisOptionsPropSheet sheet(Options(50, 7, 0, 0));
    // A second page, so that there is somewhere to go.
    sheet.AddPage(new CPropertyPage, QStringLiteral("other"));
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QTabBar* tabs = sheet.Tabs()->tabBar();
    QLineEdit* maxIter = sheet.TransientPage()->MaxIterEdit();

    Type(maxIter, "5");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(TakeWarning(), U("Значение MAXITER должно быть от 10 до 120"));
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
    EXPECT_EQ(sheet.focusWidget(), maxIter);
    EXPECT_EQ(maxIter->selectedText(), "5");

    Type(maxIter, "50");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(TakeWarning(), QString());
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 1);
    sheet.reject();
}

TEST_F(SweepOptionsDialogsTest, TheSheetOpensOnThePageLastShown) {
    {
        CAnalysisOptionsPropSheet sheet(AnalysisOptions{});
        sheet.AddPage(new CPropertyPage, QStringLiteral("other"));
        QTest::keyClick(sheet.Tabs()->tabBar(), Qt::Key_Right);
        ASSERT_EQ(sheet.Tabs()->currentIndex(), 1);
        Click(&sheet, "cancel");
    }
    EXPECT_EQ(CAnalysisOptionsPropSheet::RememberedPage(), 1);
    CAnalysisOptionsPropSheet again(AnalysisOptions{});
    again.AddPage(new CPropertyPage, QStringLiteral("other"));
    EXPECT_EQ(again.Tabs()->currentIndex(), 1);
}

// ---- help ------------------------------------------------------------------------

TEST_F(SweepOptionsDialogsTest, HelpOpensEachDialogsTopic) {
    {
        CParamSweepDlg dialog(Sheet(), CParamSweepDlg::kTransient, Record("R2", 0, 1, 2));
        Click(&dialog, "help");
        ASSERT_NE(HelpViewer::Instance(), nullptr);
        EXPECT_EQ(HelpViewer::Instance()->Browser()->source(), HelpTopicUrl(200));
        EXPECT_FALSE(Accepted(dialog));
    }
    {
        CAnalysisOptionsPropSheet sheet(AnalysisOptions{});
        Click(&sheet, "help");
        ASSERT_NE(HelpViewer::Instance(), nullptr);
        EXPECT_EQ(HelpViewer::Instance()->Browser()->source(), HelpTopicUrl(130));
        EXPECT_FALSE(Accepted(sheet));
    }
}

} // namespace
} // namespace korvanix::gui
