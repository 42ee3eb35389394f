// The transient and frequency dialogs, driven headless through their widgets.
#include "DialogTestSupport.h"
#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "gui/HelpViewer.h"
#include "gui/Messages.h"
#include "gui/dialogs/CFreqDlg.h"
#include "gui/dialogs/CTransDlg.h"
#include "model/Element.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace korvanix::gui {
namespace {

using namespace dialog_test;

using analysis::OfferedOutput;
using document::FrequencySettings;
using document::IntervalPart;
using document::TransientSettings;

constexpr int kV = OfferedOutput::Voltage;
constexpr int kI = OfferedOutput::Current;

// What a small circuit offers: both quantities for most names, a voltage only for
// N1, a current only for J1.
std::vector<OfferedOutput> Offered() {
    return {{"C1", kV | kI}, {"E1", kV | kI}, {"J1", kI},      {"N1", kV},
            {"R1", kV | kI}, {"R2", kV | kI}, {"R10", kV | kI}};
}

// The sheet the sweep check looks at: R1 has parameters, the ground has none.
const model::ElementList& Sheet() {
    static const model::ElementList elements = [] {
        model::ElementList list;
        list.push_back(model::ElementFactory(model::kind::Resistor, 1));
        list.push_back(model::ElementFactory(model::kind::Ground, 2));
        model::RenumberNames(list);
        return list;
    }();
    return elements;
}

// Three parts end to end: 0…1 ms, 1…3 ms, 3…6 ms, told apart by their points.
TransientSettings ThreeParts() {
    TransientSettings s;
    s.partCount = 3;
    const double bounds[] = {0, 1e-3, 3e-3, 6e-3};
    for (int i = 0; i < 3; ++i) {
        s.parts[i] = IntervalPart{};
        s.parts[i].startTime = bounds[i];
        s.parts[i].endTime = bounds[i + 1];
        s.parts[i].pointCount = 100 * (i + 1);
    }
    return s;
}

void Choose(QListWidget* list, const QString& name) {
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    list->setCurrentItem(found.front());
}

class AnalysisDialogsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        CTransDlg::SetRememberedPart(0);
    }
};

// ---- transient: opening ----------------------------------------------------------

TEST_F(AnalysisDialogsTest, TransientOpensOnTheRecord) {
    TransientSettings s = ThreeParts();
    s.parts[0].graphType = IntervalPart::GraphPoints;
    s.parts[0].eps = 1e-7;
    s.energyGraph = 1;
    CTransDlg dialog(s, Offered(), Sheet());
    EXPECT_EQ(dialog.windowTitle(), U("Переходный процесс"));
    EXPECT_EQ(Items(List(&dialog, "parts")), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(List(&dialog, "parts")->currentRow(), 0);
    EXPECT_EQ(Find<QGroupBox>(&dialog, "partGroup")->title(), U("Часть 1"));
    EXPECT_EQ(Edit(&dialog, "startTime")->text(), "0");
    EXPECT_TRUE(Edit(&dialog, "startTime")->isEnabled());
    EXPECT_EQ(Edit(&dialog, "endTime")->text(), "1m");
    EXPECT_EQ(Edit(&dialog, "points")->text(), "100");
    EXPECT_EQ(Edit(&dialog, "step")->text(), "10u");
    EXPECT_EQ(Edit(&dialog, "eps")->text(), "0.1u");
    EXPECT_TRUE(Find<QRadioButton>(&dialog, "byPoints")->isChecked());
    EXPECT_TRUE(Edit(&dialog, "points")->isEnabled());
    EXPECT_FALSE(Edit(&dialog, "step")->isEnabled());
    auto* graphType = Find<QComboBox>(&dialog, "graphType");
    EXPECT_EQ(Items(graphType), (QStringList{U("Непрерывный"), U("Точки")}));
    EXPECT_EQ(graphType->currentIndex(), 1);
    EXPECT_EQ(Items(List(&dialog, "available")),
              (QStringList{"C1", "E1", "J1", "N1", "R1", "R2", "R10"}));
    for (const char* name : {"addVoltage", "addCurrent", "removeVoltage", "removeCurrent"})
        EXPECT_FALSE(Button(&dialog, name)->isEnabled()) << name;
    EXPECT_EQ(Button(&dialog, "addVoltage")->text(), U("Рассчитать ->"));
    EXPECT_EQ(Button(&dialog, "removeCurrent")->text(), U("Не рассчитывать"));
    EXPECT_TRUE(Find<QCheckBox>(&dialog, "energy")->isChecked());
    EXPECT_EQ(Find<QCheckBox>(&dialog, "energy")->text(), U("График &энергии"));
    EXPECT_FALSE(Find<QCheckBox>(&dialog, "sweepEnabled")->isChecked());
    EXPECT_FALSE(Button(&dialog, "sweepButton")->isEnabled());
    EXPECT_EQ(Button(&dialog, "help")->text(), U("Справка"));
}

TEST_F(AnalysisDialogsTest, PartButtonsFollowTheCount) {
    struct Case {
        int parts;
        bool add;
        bool remove;
    };
    for (const Case c : {Case{1, true, false}, Case{2, true, true}, Case{9, false, true}}) {
        TransientSettings s;
        s.partCount = c.parts;
        CTransDlg dialog(s, Offered(), Sheet());
        EXPECT_EQ(List(&dialog, "parts")->count(), c.parts);
        EXPECT_EQ(Button(&dialog, "addPart")->isEnabled(), c.add) << c.parts;
        EXPECT_EQ(Button(&dialog, "deletePart")->isEnabled(), c.remove) << c.parts;
    }
}

TEST_F(AnalysisDialogsTest, TheLastOkPartIsWhereTheNextDialogOpens) {
    {
        CTransDlg dialog(ThreeParts(), Offered(), Sheet());
        List(&dialog, "parts")->setCurrentRow(2);
        Click(&dialog, "ok");
        ASSERT_TRUE(Accepted(dialog));
    }
    EXPECT_EQ(CTransDlg::RememberedPart(), 2);
    CTransDlg again(ThreeParts(), Offered(), Sheet());
    EXPECT_EQ(List(&again, "parts")->currentRow(), 2);
    EXPECT_EQ(again.ShownPart(), 2);
    EXPECT_EQ(Find<QGroupBox>(&again, "partGroup")->title(), U("Часть 3"));
    EXPECT_EQ(Edit(&again, "startTime")->text(), "3m");

    // A record with fewer parts opens on the first.
    CTransDlg shorter(TransientSettings{}, Offered(), Sheet());
    EXPECT_EQ(List(&shorter, "parts")->currentRow(), 0);
    EXPECT_EQ(shorter.ShownPart(), 0);
}

// ---- transient: validation -------------------------------------------------------

TEST_F(AnalysisDialogsTest, TransientValidationMessagesInOrder) {
    struct Case {
        bool byStep;
        std::vector<std::pair<const char*, QString>> typed;
        QString message;
        const char* field;
    };
    const QString nan = U("Введите число, пожалуйста.");
    const std::vector<Case> cases = {
        {false, {{"startTime", "abc"}}, nan, "startTime"},
        {false,
         {{"startTime", "-1m"}},
         U("Начальное время должно быть не меньше 0.  "),
         "startTime"},
        // The start is checked before the end.
        {false, {{"startTime", "x"}, {"endTime", "y"}}, nan, "startTime"},
        {false, {{"endTime", ""}}, nan, "endTime"},
        {false,
         {{"startTime", "1m"}},
         U("Конечное время должно быть больше начального.  "),
         "endTime"},
        {false,
         {{"endTime", "0"}},
         U("Конечное время должно быть больше начального.  "),
         "endTime"},
        {false, {{"points", ""}}, nan, "points"},
        {false, {{"points", "0"}}, U("Число точек должно быть больше 0.  "), "points"},
        {false, {{"points", "-5"}}, U("Число точек должно быть больше 0.  "), "points"},
        // Read as "%d" reads: no digits, no points.
        {false, {{"points", "abc"}}, U("Число точек должно быть больше 0.  "), "points"},
        {true, {{"step", "q"}}, nan, "step"},
        {true, {{"step", "0"}}, U("Неверный шаг  "), "step"},
        {true, {{"step", "-1u"}}, U("Неверный шаг  "), "step"},
        // A step that does not fit the part even once still counts one point.
        {true, {{"step", "5m"}}, QString(), nullptr},
        {false, {{"eps", "e"}}, nan, "eps"},
        {false, {{"eps", "0"}}, U("Погрешность(EPS) должна быть больше 0.  "), "eps"},
        {false, {{"eps", "-1u"}}, U("Погрешность(EPS) должна быть больше 0.  "), "eps"},
        {false, {{"points", "12abc"}}, QString(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.typed.front().first << " = " << c.typed.front().second.toStdString());
        const TransientSettings s;
        CTransDlg dialog(s, Offered(), Sheet());
        if (c.byStep)
            Find<QRadioButton>(&dialog, "byStep")->click();
        for (const auto& [field, text] : c.typed)
            Type(Edit(&dialog, field), text);
        EXPECT_TRUE(messages.warnings.empty()) << "typing reports nothing";
        Click(&dialog, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_EQ(Accepted(dialog), c.field == nullptr);
        if (c.field == nullptr)
            continue;
        QLineEdit* bad = Edit(&dialog, c.field);
        EXPECT_EQ(dialog.focusWidget(), bad);
        EXPECT_EQ(bad->selectedText(), bad->text());
        EXPECT_TRUE(document::SameBytes(dialog.Settings(), s)) << "nothing stored on failure";
    }
}

TEST_F(AnalysisDialogsTest, AFailedPartKeepsItsSelection) {
    const TransientSettings s = ThreeParts();
    CTransDlg dialog(s, Offered(), Sheet());
    QListWidget* parts = List(&dialog, "parts");
    Type(Edit(&dialog, "eps"), "0");
    parts->setCurrentRow(1);
    EXPECT_EQ(TakeWarning(), U("Погрешность(EPS) должна быть больше 0.  "));
    EXPECT_EQ(parts->currentRow(), 0);
    EXPECT_EQ(dialog.ShownPart(), 0);
    EXPECT_EQ(Find<QGroupBox>(&dialog, "partGroup")->title(), U("Часть 1"));
    EXPECT_EQ(dialog.focusWidget(), Edit(&dialog, "eps"));
    EXPECT_EQ(Edit(&dialog, "eps")->selectedText(), "0");

    // Adding and deleting check the part on show first, too.
    Click(&dialog, "addPart");
    EXPECT_EQ(TakeWarning(), U("Погрешность(EPS) должна быть больше 0.  "));
    Click(&dialog, "deletePart");
    EXPECT_EQ(TakeWarning(), U("Погрешность(EPS) должна быть больше 0.  "));
    EXPECT_EQ(parts->count(), 3);

    Type(Edit(&dialog, "eps"), "1u");
    parts->setCurrentRow(1);
    EXPECT_EQ(TakeWarning(), QString());
    EXPECT_EQ(dialog.ShownPart(), 1);
    EXPECT_EQ(Find<QGroupBox>(&dialog, "partGroup")->title(), U("Часть 2"));
    Click(&dialog, "cancel");
    EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));
}

// The list selects the pressed row again after its change signal: the part must
// still come back when the user clicks.
TEST_F(AnalysisDialogsTest, AFailedPartKeepsItsSelectionWhenAnotherIsClicked) {
    CTransDlg dialog(ThreeParts(), Offered(), Sheet());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QListWidget* parts = List(&dialog, "parts");
    Type(Edit(&dialog, "points"), "0");
    QTest::mouseClick(parts->viewport(), Qt::LeftButton, {},
                      parts->visualItemRect(parts->item(2)).center());
    EXPECT_EQ(TakeWarning(), U("Число точек должно быть больше 0.  "));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return parts->currentRow() == 0 && parts->item(0)->isSelected() &&
               !parts->item(2)->isSelected();
    }));
    EXPECT_EQ(dialog.ShownPart(), 0);
    EXPECT_EQ(dialog.focusWidget(), Edit(&dialog, "points"));
}

// ---- transient: parts ------------------------------------------------------------

TEST_F(AnalysisDialogsTest, LaterPartsStartWhereTheOneBeforeEnds) {
    TransientSettings s = ThreeParts();
    s.partCount = 2;
    CTransDlg dialog(s, Offered(), Sheet());
    QListWidget* parts = List(&dialog, "parts");
    parts->setCurrentRow(1);
    EXPECT_FALSE(Edit(&dialog, "startTime")->isEnabled());
    EXPECT_EQ(Edit(&dialog, "startTime")->text(), "1m");

    parts->setCurrentRow(0);
    EXPECT_TRUE(Edit(&dialog, "startTime")->isEnabled());
    Type(Edit(&dialog, "endTime"), "2m");
    parts->setCurrentRow(1);
    EXPECT_EQ(TakeWarning(), QString());
    EXPECT_EQ(Edit(&dialog, "startTime")->text(), "2m");
    EXPECT_EQ(Edit(&dialog, "endTime")->text(), "4m") << "part 2 keeps its 2 ms";
    EXPECT_EQ(Edit(&dialog, "points")->text(), "200");

    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    const TransientSettings& out = dialog.Settings();
    EXPECT_DOUBLE_EQ(out.parts[0].endTime, 2e-3);
    EXPECT_DOUBLE_EQ(out.parts[1].startTime, 2e-3);
    EXPECT_DOUBLE_EQ(out.parts[1].endTime, 4e-3);
    EXPECT_DOUBLE_EQ(out.parts[1].step, 2e-3 / 200);
}

TEST_F(AnalysisDialogsTest, DeletingTheMiddlePartClosesTheGap) {
    const TransientSettings s = ThreeParts();
    CTransDlg::SetRememberedPart(1);
    CTransDlg dialog(s, Offered(), Sheet());
    ASSERT_EQ(dialog.ShownPart(), 1);
    Click(&dialog, "deletePart");
    EXPECT_EQ(TakeWarning(), QString());
    EXPECT_EQ(Items(List(&dialog, "parts")), (QStringList{"1", "2"}));
    // The following part is selected, now the second.
    EXPECT_EQ(dialog.ShownPart(), 1);
    EXPECT_EQ(List(&dialog, "parts")->currentRow(), 1);
    EXPECT_EQ(Find<QGroupBox>(&dialog, "partGroup")->title(), U("Часть 2"));
    EXPECT_EQ(Edit(&dialog, "startTime")->text(), "3m");
    EXPECT_EQ(Edit(&dialog, "points")->text(), "300");

    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    const TransientSettings& out = dialog.Settings();
    EXPECT_EQ(out.partCount, 2);
    EXPECT_DOUBLE_EQ(out.parts[0].startTime, 0);
    EXPECT_DOUBLE_EQ(out.parts[0].endTime, 3e-3);
    EXPECT_EQ(out.parts[0].pointCount, 100);
    EXPECT_DOUBLE_EQ(out.parts[1].startTime, 3e-3);
    EXPECT_DOUBLE_EQ(out.parts[1].endTime, 6e-3);
    EXPECT_EQ(out.parts[1].pointCount, 300);
    EXPECT_EQ(std::memcmp(&out.parts[2], &s.parts[2], sizeof(IntervalPart)), 0)
        << "the slot beyond the count keeps its bytes";
}

TEST_F(AnalysisDialogsTest, DeletingTheLastPartSelectsTheNewLast) {
    CTransDlg::SetRememberedPart(2);
    CTransDlg dialog(ThreeParts(), Offered(), Sheet());
    Click(&dialog, "deletePart");
    EXPECT_EQ(dialog.ShownPart(), 1);
    EXPECT_EQ(Find<QGroupBox>(&dialog, "partGroup")->title(), U("Часть 2"));
    EXPECT_EQ(Edit(&dialog, "endTime")->text(), "3m");
}

TEST_F(AnalysisDialogsTest, AddingAppendsADefaultPartUpToNine) {
    TransientSettings s;
    s.parts[0].endTime = 2e-3;
    s.parts[0].pointCount = 40;
    CTransDlg dialog(s, Offered(), Sheet());
    Type(Edit(&dialog, "endTime"), "5m");
    Click(&dialog, "addPart");
    EXPECT_EQ(TakeWarning(), QString());
    EXPECT_EQ(Items(List(&dialog, "parts")), (QStringList{"1", "2"}));
    EXPECT_EQ(dialog.ShownPart(), 1);
    EXPECT_EQ(Edit(&dialog, "startTime")->text(), "5m");
    EXPECT_FALSE(Edit(&dialog, "startTime")->isEnabled());
    EXPECT_EQ(Edit(&dialog, "endTime")->text(), "6m");
    EXPECT_EQ(Edit(&dialog, "points")->text(), "100");
    EXPECT_TRUE(Button(&dialog, "deletePart")->isEnabled());

    for (int i = 2; i < 9; ++i)
        Click(&dialog, "addPart");
    EXPECT_EQ(List(&dialog, "parts")->count(), 9);
    EXPECT_EQ(dialog.ShownPart(), 8);
    EXPECT_FALSE(Button(&dialog, "addPart")->isEnabled());
    EXPECT_EQ(Edit(&dialog, "endTime")->text(), "13m");
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().partCount, 9);
    EXPECT_DOUBLE_EQ(dialog.Settings().parts[0].endTime, 5e-3);
    EXPECT_EQ(dialog.Settings().parts[0].pointCount, 40);
}

// ---- transient: points and step --------------------------------------------------

TEST_F(AnalysisDialogsTest, TheOtherOfPointsAndStepFollowsTheTyping) {
    CTransDlg dialog(TransientSettings{}, Offered(), Sheet());
    QLineEdit* points = Edit(&dialog, "points");
    QLineEdit* step = Edit(&dialog, "step");
    Type(points, "50");
    EXPECT_EQ(step->text(), "20u");
    Type(Edit(&dialog, "endTime"), "2m");
    EXPECT_EQ(step->text(), "40u");
    // Nothing to compute from: the step stays as it was, and nothing is said.
    Type(Edit(&dialog, "endTime"), "0");
    Type(points, "7");
    EXPECT_EQ(step->text(), "40u");
    Type(Edit(&dialog, "endTime"), "1m");
    Type(points, "0");
    EXPECT_EQ(step->text(), "0.142857142857m");
    EXPECT_TRUE(messages.warnings.empty());

    auto* byStep = Find<QRadioButton>(&dialog, "byStep");
    byStep->click();
    EXPECT_FALSE(points->isEnabled());
    EXPECT_TRUE(step->isEnabled());
    Type(step, "30u");
    EXPECT_EQ(points->text(), "34");
    Type(Edit(&dialog, "endTime"), "0.3m");
    EXPECT_EQ(points->text(), "10");
    EXPECT_TRUE(messages.warnings.empty());
}

TEST_F(AnalysisDialogsTest, StepModeStoresTheStepAndTheCountedPoints) {
    CTransDlg dialog(TransientSettings{}, Offered(), Sheet());
    Find<QRadioButton>(&dialog, "byStep")->click();
    Type(Edit(&dialog, "step"), "30u");
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    const IntervalPart& part = dialog.Settings().parts[0];
    EXPECT_EQ(part.mode, IntervalPart::ByStep);
    EXPECT_DOUBLE_EQ(part.step, 3e-5);
    EXPECT_EQ(part.pointCount, 34);

    // And back: the points mode stores the points and their step.
    CTransDlg back(dialog.Settings(), Offered(), Sheet());
    EXPECT_TRUE(Find<QRadioButton>(&back, "byStep")->isChecked());
    EXPECT_FALSE(Edit(&back, "points")->isEnabled());
    Find<QRadioButton>(&back, "byPoints")->click();
    Type(Edit(&back, "points"), "8");
    Find<QComboBox>(&back, "graphType")->setCurrentIndex(1);
    Click(&back, "ok");
    ASSERT_TRUE(Accepted(back));
    const IntervalPart& again = back.Settings().parts[0];
    EXPECT_EQ(again.mode, IntervalPart::ByPoints);
    EXPECT_EQ(again.pointCount, 8);
    EXPECT_DOUBLE_EQ(again.step, 1.25e-4);
    EXPECT_EQ(again.graphType, IntervalPart::GraphPoints);
}

// ---- transient: OK and Cancel ----------------------------------------------------

TEST_F(AnalysisDialogsTest, OkUntouchedChangesNoByte) {
    // Values whose 12-digit texts read back as other doubles.
    TransientSettings s = ThreeParts();
    s.parts[0].endTime = 1.0 / 3000;
    s.parts[0].eps = 1.0 / 3e6;
    s.parts[0].mode = IntervalPart::ByStep;
    s.parts[0].step = 1.0 / 3e5;
    s.parts[0].pointCount = 100;
    s.parts[1].startTime = 1.0 / 3000;
    s.parts[1].step = (s.parts[1].endTime - s.parts[1].startTime) / s.parts[1].pointCount;
    s.SetVoltageOutput(0, "R1");
    s.voltageOutputCount = 1;
    s.SetCurrentOutput(3, "old"); // a slot past the count
    CTransDlg dialog(s, Offered(), Sheet());
    List(&dialog, "parts")->setCurrentRow(1);
    List(&dialog, "parts")->setCurrentRow(0);
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));
}

TEST_F(AnalysisDialogsTest, CancelLeavesTheRecordAsItWas) {
    const TransientSettings s = ThreeParts();
    CTransDlg dialog(s, Offered(), Sheet());
    Type(Edit(&dialog, "endTime"), "2m");
    Click(&dialog, "addPart");
    Find<QCheckBox>(&dialog, "energy")->setChecked(true);
    Choose(List(&dialog, "available"), "R1");
    Click(&dialog, "addVoltage");
    Click(&dialog, "cancel");
    EXPECT_FALSE(Accepted(dialog));
    EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));
}

TEST_F(AnalysisDialogsTest, TransientOkStoresOutputsEnergyAndSweep) {
    CTransDlg dialog(TransientSettings{}, Offered(), Sheet());
    QListWidget* available = List(&dialog, "available");
    Choose(available, "R10");
    Click(&dialog, "addVoltage");
    Choose(available, "C1");
    Click(&dialog, "addVoltage");
    Click(&dialog, "addCurrent");
    Find<QCheckBox>(&dialog, "energy")->setChecked(true);
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    const TransientSettings& out = dialog.Settings();
    EXPECT_EQ(out.voltageOutputCount, 2);
    EXPECT_EQ(out.VoltageOutput(0), "R10");
    EXPECT_EQ(out.VoltageOutput(1), "C1");
    EXPECT_EQ(out.currentOutputCount, 1);
    EXPECT_EQ(out.CurrentOutput(0), "C1");
    EXPECT_EQ(out.energyGraph, 1);
    EXPECT_EQ(out.sweepEnabled, 0);
}

// ---- outputs (the panel both dialogs share) --------------------------------------

TEST_F(AnalysisDialogsTest, StoredOutputsNoLongerOfferedAreDropped) {
    TransientSettings s;
    s.SetVoltageOutput(0, "R7");
    s.SetVoltageOutput(1, "R2");
    s.SetVoltageOutput(2, "R2"); // twice in one list: shown once
    s.voltageOutputCount = 3;
    s.SetCurrentOutput(0, "C1");
    s.SetCurrentOutput(1, "L9");
    s.currentOutputCount = 2;
    CTransDlg dialog(s, Offered(), Sheet());
    EXPECT_EQ(Items(List(&dialog, "voltages")), QStringList{"R2"});
    EXPECT_EQ(Items(List(&dialog, "currents")), QStringList{"C1"});
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().voltageOutputCount, 1);
    EXPECT_EQ(dialog.Settings().VoltageOutput(0), "R2");
    EXPECT_EQ(dialog.Settings().currentOutputCount, 1);
    EXPECT_EQ(dialog.Settings().CurrentOutput(0), "C1");

    // A damaged record with counts past the table keeps at most five outputs.
    TransientSettings damaged;
    for (int i = 0; i < 5; ++i) {
        damaged.SetVoltageOutput(i, Offered()[static_cast<std::size_t>(i)].name);
        damaged.SetCurrentOutput(i, "R1");
    }
    damaged.voltageOutputCount = 70;
    damaged.currentOutputCount = -3;
    CTransDlg opened(damaged, Offered(), Sheet());
    EXPECT_EQ(List(&opened, "voltages")->count() + List(&opened, "currents")->count(), 5);
}

TEST_F(AnalysisDialogsTest, MoveButtonsFollowTheNamesFlagsAndLists) {
    struct Case {
        QString name;
        std::vector<QString> voltages; // already chosen
        bool addVoltage;
        bool addCurrent;
    };
    const std::vector<Case> cases = {
        {"R1", {}, true, true},      {"N1", {}, true, false}, // a voltage only
        {"J1", {}, false, true},                              // a current only
        {"R1", {"R1"}, false, true}, {"R1", {"R2"}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        TransientSettings s;
        for (std::size_t i = 0; i < c.voltages.size(); ++i)
            s.SetVoltageOutput(static_cast<int>(i), c.voltages[i].toStdString());
        s.voltageOutputCount = static_cast<int32_t>(c.voltages.size());
        CTransDlg dialog(s, Offered(), Sheet());
        Choose(List(&dialog, "available"), c.name);
        EXPECT_EQ(Button(&dialog, "addVoltage")->isEnabled(), c.addVoltage);
        EXPECT_EQ(Button(&dialog, "addCurrent")->isEnabled(), c.addCurrent);
        EXPECT_FALSE(Button(&dialog, "removeVoltage")->isEnabled());
        EXPECT_FALSE(Button(&dialog, "removeCurrent")->isEnabled());
    }
}

TEST_F(AnalysisDialogsTest, NoSixthOutput) {
    CTransDlg dialog(TransientSettings{}, Offered(), Sheet());
    QListWidget* available = List(&dialog, "available");
    QPushButton* addVoltage = Button(&dialog, "addVoltage");
    QPushButton* addCurrent = Button(&dialog, "addCurrent");
    for (const char* name : {"C1", "E1", "R1", "R2"}) {
        Choose(available, name);
        Click(&dialog, "addVoltage");
    }
    // The fifth output takes the last place: the other button must not offer a sixth.
    Choose(available, "R10");
    ASSERT_TRUE(addVoltage->isEnabled());
    ASSERT_TRUE(addCurrent->isEnabled());
    Click(&dialog, "addVoltage");
    EXPECT_FALSE(addVoltage->isEnabled());
    EXPECT_FALSE(addCurrent->isEnabled());
    for (const char* name : {"C1", "J1", "N1"}) {
        Choose(available, name);
        EXPECT_FALSE(addVoltage->isEnabled()) << name;
        EXPECT_FALSE(addCurrent->isEnabled()) << name;
    }
    QTest::mouseClick(addCurrent, Qt::LeftButton);
    EXPECT_EQ(List(&dialog, "currents")->count(), 0);

    // Removing one makes room again.
    List(&dialog, "voltages")->setCurrentRow(0);
    Click(&dialog, "removeVoltage");
    Choose(available, "C1");
    EXPECT_TRUE(addCurrent->isEnabled());
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().voltageOutputCount, 4);
}

TEST_F(AnalysisDialogsTest, OneSelectionAcrossTheListsAndTheFocusReturns) {
    TransientSettings s;
    for (int i = 0; i < 3; ++i)
        s.SetVoltageOutput(i, Offered()[static_cast<std::size_t>(i + 4)].name);
    s.voltageOutputCount = 3;
    CTransDlg dialog(s, Offered(), Sheet());
    QListWidget* available = List(&dialog, "available");
    QListWidget* voltages = List(&dialog, "voltages");
    QListWidget* currents = List(&dialog, "currents");
    ASSERT_EQ(Items(voltages), (QStringList{"R1", "R2", "R10"}));

    Choose(available, "E1");
    Click(&dialog, "addCurrent");
    EXPECT_EQ(dialog.focusWidget(), available);
    EXPECT_FALSE(Button(&dialog, "addCurrent")->isEnabled());
    EXPECT_TRUE(Button(&dialog, "addVoltage")->isEnabled());

    voltages->setCurrentRow(1);
    EXPECT_TRUE(available->selectedItems().isEmpty());
    EXPECT_FALSE(Button(&dialog, "addVoltage")->isEnabled());
    EXPECT_TRUE(Button(&dialog, "removeVoltage")->isEnabled());
    EXPECT_FALSE(Button(&dialog, "removeCurrent")->isEnabled());

    currents->setCurrentRow(0);
    EXPECT_TRUE(voltages->selectedItems().isEmpty());
    EXPECT_FALSE(Button(&dialog, "removeVoltage")->isEnabled());
    EXPECT_TRUE(Button(&dialog, "removeCurrent")->isEnabled());

    Choose(available, "C1");
    EXPECT_TRUE(currents->selectedItems().isEmpty());
    EXPECT_FALSE(Button(&dialog, "removeCurrent")->isEnabled());

    // Removing selects the next name, or the new last, and keeps the focus there.
    voltages->setCurrentRow(1);
    Click(&dialog, "removeVoltage");
    EXPECT_EQ(Items(voltages), (QStringList{"R1", "R10"}));
    EXPECT_EQ(voltages->currentItem()->text(), "R10");
    EXPECT_TRUE(voltages->currentItem()->isSelected());
    EXPECT_EQ(dialog.focusWidget(), voltages);
    Click(&dialog, "removeVoltage");
    EXPECT_EQ(voltages->currentItem()->text(), "R1");
    EXPECT_TRUE(voltages->currentItem()->isSelected());
    Click(&dialog, "removeVoltage");
    EXPECT_EQ(voltages->count(), 0);
    EXPECT_FALSE(Button(&dialog, "removeVoltage")->isEnabled());
    EXPECT_EQ(dialog.focusWidget(), voltages);
}

// ---- sweep and help --------------------------------------------------------------

TEST_F(AnalysisDialogsTest, TheSweepIsEditedOnACopyAndCheckedOnOk) {
    TransientSettings s;
    s.sweep.SetElementName("R7");
    CTransDlg dialog(s, Offered(), Sheet());
    std::vector<std::string> seen;
    bool answer = false;
    dialog.SetSweepEditor([&](document::SweepSettings& sweep, QWidget* parent) {
        EXPECT_EQ(parent, &dialog);
        seen.push_back(sweep.ElementName());
        sweep.SetElementName("R1");
        sweep.graphCount = 4;
        return answer;
    });
    auto* enabled = Find<QCheckBox>(&dialog, "sweepEnabled");
    QPushButton* edit = Button(&dialog, "sweepButton");
    EXPECT_EQ(enabled->text(), U("&Параметр"));
    EXPECT_EQ(edit->text(), U("Параметр..."));
    EXPECT_FALSE(edit->isEnabled());
    enabled->click();
    EXPECT_TRUE(edit->isEnabled());

    // R7 is not on the sheet.
    Click(&dialog, "ok");
    EXPECT_EQ(TakeWarning(), U("Пожалуйста, выберите параметр.  "));
    EXPECT_FALSE(Accepted(dialog));
    EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));

    Click(&dialog, "sweepButton"); // cancelled: the record keeps R7
    Click(&dialog, "ok");
    EXPECT_EQ(TakeWarning(), U("Пожалуйста, выберите параметр.  "));

    answer = true;
    Click(&dialog, "sweepButton");
    EXPECT_EQ(seen, (std::vector<std::string>{"R7", "R7"}));
    Click(&dialog, "ok");
    EXPECT_EQ(TakeWarning(), QString());
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().sweepEnabled, 1);
    EXPECT_EQ(dialog.Settings().sweep.ElementName(), "R1");
    EXPECT_EQ(dialog.Settings().sweep.graphCount, 4);
}

TEST_F(AnalysisDialogsTest, AnUncheckedSweepIsNotChecked) {
    TransientSettings s;
    s.sweepEnabled = 1; // with no element chosen
    CTransDlg dialog(s, Offered(), Sheet());
    EXPECT_TRUE(Button(&dialog, "sweepButton")->isEnabled());
    Find<QCheckBox>(&dialog, "sweepEnabled")->click();
    EXPECT_FALSE(Button(&dialog, "sweepButton")->isEnabled());
    Click(&dialog, "ok");
    EXPECT_EQ(TakeWarning(), QString());
    EXPECT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().sweepEnabled, 0);
}

TEST_F(AnalysisDialogsTest, HelpOpensEachDialogsTopic) {
    {
        CTransDlg dialog(TransientSettings{}, Offered(), Sheet());
        Click(&dialog, "help");
        ASSERT_NE(HelpViewer::Instance(), nullptr);
        EXPECT_EQ(HelpViewer::Instance()->Browser()->source(), HelpTopicUrl(120));
    }
    {
        CFreqDlg dialog(FrequencySettings{}, Offered(), Sheet());
        Click(&dialog, "help");
        ASSERT_NE(HelpViewer::Instance(), nullptr);
        EXPECT_EQ(HelpViewer::Instance()->Browser()->source(), HelpTopicUrl(190));
    }
}

// ---- frequency -------------------------------------------------------------------

TEST_F(AnalysisDialogsTest, FrequencyOpensOnTheRecord) {
    FrequencySettings s;
    s.startFrequency = 10;
    s.endFrequency = 2.5e5;
    s.pointCount = 301;
    s.SetInputElement("J1");
    s.inputQuantity = FrequencySettings::InputVoltage; // J1 has no voltage
    s.phase = 1;
    CFreqDlg dialog(s, Offered(), Sheet());
    EXPECT_EQ(dialog.windowTitle(), U("АЧХ/ФЧХ"));
    EXPECT_EQ(Edit(&dialog, "startFrequency")->text(), "10");
    EXPECT_EQ(Edit(&dialog, "endFrequency")->text(), "250k");
    EXPECT_EQ(Edit(&dialog, "points")->text(), "301");
    auto* input = Find<QComboBox>(&dialog, "inputElement");
    EXPECT_EQ(Items(input), (QStringList{"C1", "E1", "J1", "N1", "R1", "R2", "R10"}));
    EXPECT_EQ(input->currentText(), "J1");
    EXPECT_EQ(Items(Find<QComboBox>(&dialog, "inputQuantity")), QStringList{U("Ток")});
    EXPECT_TRUE(Find<QCheckBox>(&dialog, "phase")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(&dialog, "phase")->isEnabled());
    EXPECT_FALSE(Find<QCheckBox>(&dialog, "hodograph")->isChecked());
    EXPECT_EQ(Find<QLabel>(&dialog, "yScaleLabel")->text(), U("Масштаб по оси OY :"));
    EXPECT_EQ(Items(List(&dialog, "available")), Items(input));
    EXPECT_FALSE(Button(&dialog, "addVoltage")->isEnabled());

    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().inputQuantity, FrequencySettings::InputCurrent);
}

TEST_F(AnalysisDialogsTest, InputElementAndQuantity) {
    struct Case {
        std::string stored;
        int32_t quantity;
        QString element;
        QStringList quantities;
        QString selected;
    };
    const QString u = U("Напряжение");
    const QString i = U("Ток");
    const std::vector<Case> cases = {
        {"R2", FrequencySettings::InputCurrent, "R2", {u, i}, i},
        {"R2", FrequencySettings::InputVoltage, "R2", {u, i}, u},
        {"N1", FrequencySettings::InputCurrent, "N1", {u}, u},
        {"R9", FrequencySettings::InputCurrent, "C1", {u, i}, i}, // gone: the first name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        FrequencySettings s;
        s.SetInputElement(c.stored);
        s.inputQuantity = c.quantity;
        CFreqDlg dialog(s, Offered(), Sheet());
        auto* input = Find<QComboBox>(&dialog, "inputElement");
        auto* quantity = Find<QComboBox>(&dialog, "inputQuantity");
        EXPECT_EQ(input->currentText(), c.element);
        EXPECT_EQ(Items(quantity), c.quantities);
        EXPECT_EQ(quantity->currentText(), c.selected);
    }

    // A change of element refills the quantities from its flags and takes the first.
    FrequencySettings s;
    s.SetInputElement("R1");
    s.inputQuantity = FrequencySettings::InputCurrent;
    CFreqDlg dialog(s, Offered(), Sheet());
    auto* input = Find<QComboBox>(&dialog, "inputElement");
    auto* quantity = Find<QComboBox>(&dialog, "inputQuantity");
    ASSERT_EQ(quantity->currentText(), i);
    input->setCurrentText("J1");
    EXPECT_EQ(Items(quantity), QStringList{i});
    input->setCurrentText("E1");
    EXPECT_EQ(Items(quantity), (QStringList{u, i}));
    EXPECT_EQ(quantity->currentText(), u);
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().InputElement(), "E1");
    EXPECT_EQ(dialog.Settings().inputQuantity, FrequencySettings::InputVoltage);
}

TEST_F(AnalysisDialogsTest, ScaleListsFollowTheMasks) {
    struct Case {
        int32_t mask;
        int32_t stored;
        QStringList items;
        int32_t kept; // what OK stores untouched
    };
    const QString lin = U("Линейный");
    const QString log = U("Логарифмич.");
    const QString db = U("Децибелы");
    const std::vector<Case> cases = {
        {7, 4, {lin, log, db}, 4}, {3, 2, {lin, log}, 2},
        {3, 4, {lin, log}, 1}, // not allowed: the first entry
        {6, 1, {log, db}, 2},      {0, 2, {lin}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        FrequencySettings s;
        s.frequencyScalesAllowed = c.mask;
        s.frequencyScale = c.stored;
        s.yScalesAllowed = c.mask;
        s.yScale = c.stored;
        CFreqDlg dialog(s, Offered(), Sheet());
        EXPECT_EQ(Items(Find<QComboBox>(&dialog, "frequencyScale")), c.items);
        EXPECT_EQ(Items(Find<QComboBox>(&dialog, "yScale")), c.items);
        Click(&dialog, "ok");
        ASSERT_TRUE(Accepted(dialog));
        EXPECT_EQ(dialog.Settings().frequencyScale, c.kept);
        EXPECT_EQ(dialog.Settings().yScale, c.kept);
    }
}

TEST_F(AnalysisDialogsTest, FrequencyValidationMessagesInOrder) {
    struct Case {
        const char* field;
        QString text;
        QString message;
    };
    const QString nan = U("Введите число, пожалуйста.");
    const QString startMessage = U("Начальная частота должна быть больше 0.  ");
    const QString endMessage = U("Конечная частота должна быть больше начальной.  ");
    const QString pointsMessage = U("Число точек должно быть больше 1 !");
    const std::vector<Case> cases = {
        {"startFrequency", "f", nan},
        {"startFrequency", "0", startMessage},
        {"startFrequency", "-5", startMessage},
        {"endFrequency", "", nan},
        {"endFrequency", "1", endMessage}, // equal to the start
        {"endFrequency", "0.5", endMessage},
        {"points", "1", pointsMessage},
        {"points", "-4", pointsMessage},
        {"points", "", pointsMessage},
        {"points", "abc", pointsMessage},
        {"points", "12abc", pointsMessage}, // a signed integer, not its beginning
        // The analysis computes at most a million: more is refused, not cut.
        {"points", "1000001", U("Число точек не может быть больше 1000000 !")},
        {"points", "99999999999", U("Число точек не может быть больше 1000000 !")},
        {"points", "-99999999999", pointsMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << " = " << c.text.toStdString());
        const FrequencySettings s;
        CFreqDlg dialog(s, Offered(), Sheet());
        Type(Edit(&dialog, c.field), c.text);
        Click(&dialog, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_FALSE(Accepted(dialog));
        QLineEdit* bad = Edit(&dialog, c.field);
        EXPECT_EQ(dialog.focusWidget(), bad);
        EXPECT_EQ(bad->selectedText(), bad->text());
        EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));
    }
}

TEST_F(AnalysisDialogsTest, FrequencyOkStoresEverythingAndCancelNothing) {
    FrequencySettings s;
    s.SetVoltageOutput(0, "R7"); // no longer offered
    s.voltageOutputCount = 1;
    {
        CFreqDlg dialog(s, Offered(), Sheet());
        Type(Edit(&dialog, "endFrequency"), "5k");
        Find<QCheckBox>(&dialog, "phase")->click();
        Click(&dialog, "cancel");
        EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));
    }
    CFreqDlg dialog(s, Offered(), Sheet());
    EXPECT_EQ(List(&dialog, "voltages")->count(), 0);
    Type(Edit(&dialog, "startFrequency"), "20");
    Type(Edit(&dialog, "endFrequency"), "5k");
    Type(Edit(&dialog, "points"), " 50 ");
    Find<QComboBox>(&dialog, "frequencyScale")->setCurrentIndex(1);
    Find<QComboBox>(&dialog, "yScale")->setCurrentIndex(2);
    Find<QComboBox>(&dialog, "inputElement")->setCurrentText("R2");
    Find<QComboBox>(&dialog, "inputQuantity")->setCurrentIndex(1);
    Choose(List(&dialog, "available"), "N1");
    Click(&dialog, "addVoltage");
    Choose(List(&dialog, "available"), "J1");
    Click(&dialog, "addCurrent");
    Find<QCheckBox>(&dialog, "phase")->click();
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    const FrequencySettings& out = dialog.Settings();
    EXPECT_DOUBLE_EQ(out.startFrequency, 20);
    EXPECT_DOUBLE_EQ(out.endFrequency, 5000);
    EXPECT_EQ(out.pointCount, 50);
    EXPECT_EQ(out.frequencyScale, 2);
    EXPECT_EQ(out.yScale, 4);
    EXPECT_EQ(out.InputElement(), "R2");
    EXPECT_EQ(out.inputQuantity, FrequencySettings::InputCurrent);
    EXPECT_EQ(out.voltageOutputCount, 1);
    EXPECT_EQ(out.VoltageOutput(0), "N1");
    EXPECT_EQ(out.currentOutputCount, 1);
    EXPECT_EQ(out.CurrentOutput(0), "J1");
    EXPECT_EQ(out.phase, 1);
    EXPECT_EQ(out.hodograph, 0);
}

TEST_F(AnalysisDialogsTest, FrequencyOkUntouchedChangesNoByte) {
    FrequencySettings s;
    s.startFrequency = 1.0 / 3;
    s.endFrequency = 2e6 / 3;
    s.SetInputElement("R1");
    s.SetCurrentOutput(0, "R10");
    s.currentOutputCount = 1;
    CFreqDlg dialog(s, Offered(), Sheet());
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_TRUE(document::SameBytes(dialog.Settings(), s));
}

TEST_F(AnalysisDialogsTest, FrequencyOutputsHaveTheSameLimit) {
    CFreqDlg dialog(FrequencySettings{}, Offered(), Sheet());
    QListWidget* available = List(&dialog, "available");
    for (const char* name : {"C1", "E1", "R1"}) {
        Choose(available, name);
        Click(&dialog, "addCurrent");
    }
    Choose(available, "N1");
    Click(&dialog, "addVoltage");
    Choose(available, "R2");
    Click(&dialog, "addCurrent");
    Choose(available, "R10");
    EXPECT_FALSE(Button(&dialog, "addVoltage")->isEnabled());
    EXPECT_FALSE(Button(&dialog, "addCurrent")->isEnabled());
}

TEST_F(AnalysisDialogsTest, HodographForcesLinearYAndGivesThePhaseBack) {
    FrequencySettings s;
    s.yScale = 4;
    s.phase = 1;
    CFreqDlg dialog(s, Offered(), Sheet());
    auto* hodograph = Find<QCheckBox>(&dialog, "hodograph");
    auto* phase = Find<QCheckBox>(&dialog, "phase");
    auto* y = Find<QComboBox>(&dialog, "yScale");
    auto* yLabel = Find<QLabel>(&dialog, "yScaleLabel");
    const QString lin = U("Линейный");
    const QString log = U("Логарифмич.");
    const QString db = U("Децибелы");

    hodograph->click();
    EXPECT_FALSE(phase->isChecked());
    EXPECT_FALSE(phase->isEnabled());
    EXPECT_EQ(Items(y), QStringList{lin});
    EXPECT_FALSE(y->isEnabled());
    EXPECT_FALSE(yLabel->isEnabled());

    hodograph->click();
    EXPECT_TRUE(phase->isChecked());
    EXPECT_TRUE(phase->isEnabled());
    EXPECT_EQ(Items(y), (QStringList{lin, log, db}));
    EXPECT_EQ(y->currentText(), db);
    EXPECT_TRUE(y->isEnabled());
    EXPECT_TRUE(yLabel->isEnabled());

    // An unchecked phase stays unchecked; OK with the hodograph stores linear y and
    // no phase.
    phase->click();
    y->setCurrentText(log);
    hodograph->click();
    hodograph->click();
    EXPECT_FALSE(phase->isChecked());
    EXPECT_EQ(y->currentText(), log);
    phase->click();
    hodograph->click();
    Click(&dialog, "ok");
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().hodograph, 1);
    EXPECT_EQ(dialog.Settings().phase, 0);
    EXPECT_EQ(dialog.Settings().yScale, 1);

    // Opening on a stored hodograph shows the same state.
    CFreqDlg again(dialog.Settings(), Offered(), Sheet());
    EXPECT_TRUE(Find<QCheckBox>(&again, "hodograph")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(&again, "phase")->isEnabled());
    EXPECT_FALSE(Find<QComboBox>(&again, "yScale")->isEnabled());
    EXPECT_FALSE(Find<QLabel>(&again, "yScaleLabel")->isEnabled());
    Find<QCheckBox>(&again, "hodograph")->click();
    EXPECT_EQ(Items(Find<QComboBox>(&again, "yScale")), (QStringList{lin, log, db}));
}

TEST_F(AnalysisDialogsTest, FrequencySweepGoesThroughTheEditorAndTheCheck) {
    FrequencySettings s;
    s.sweepEnabled = 1;
    CFreqDlg dialog(s, Offered(), Sheet());
    Click(&dialog, "ok");
    EXPECT_EQ(TakeWarning(), U("Пожалуйста, выберите параметр.  "));
    EXPECT_EQ(dialog.focusWidget(), Button(&dialog, "sweepButton"));
    EXPECT_FALSE(Accepted(dialog));
    dialog.SetSweepEditor([](document::SweepSettings& sweep, QWidget*) {
        sweep.SetElementName("R1");
        sweep.method = document::SweepSettings::Logarithmic;
        return true;
    });
    Click(&dialog, "sweepButton");
    Click(&dialog, "ok");
    EXPECT_EQ(TakeWarning(), QString());
    ASSERT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Settings().sweep.ElementName(), "R1");
    EXPECT_EQ(dialog.Settings().sweep.method, document::SweepSettings::Logarithmic);
}

} // namespace
} // namespace korvanix::gui
