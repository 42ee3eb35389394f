#include "document/SettingsRecords.h"
#include "gui/Messages.h"
#include "gui/dialogs/CPropSheet.h"
#include "gui/dialogs/CSchemeOptionsPropSheet.h"
#include "gui/dialogs/CSheetSizeDlg.h"
#include "gui/dialogs/CSourceValuePropPage.h"
#include "gui/dialogs/CTextDlg.h"
#include "gui/dialogs/CValuePropPage.h"
#include "gui/dialogs/FontChooser.h"
#include "gui/dialogs/QtParameterEditor.h"
#include "model/PassiveElements.h"
#include "model/SheetElements.h"
#include "model/Sources.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

// Readable failure output for texts.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class RecordingMessages : public MessageService {
public:
    void Warn(QWidget*, const QString& text) override { warnings.push_back(text); }
    void Inform(QWidget*, const QString& text) override { informs.push_back(text); }
    Reply Ask(QWidget*, const QString&, bool) override { return Reply::No; }
    std::vector<QString> warnings;
    std::vector<QString> informs;
};

class ScriptedFontChooser : public FontChooser {
public:
    bool Choose(model::LogFont& font, uint32_t& colour, QWidget*) override {
        ++calls;
        return answer ? answer(font, colour) : false;
    }
    std::function<bool(model::LogFont&, uint32_t&)> answer;
    int calls = 0;
};

// Every test sees the message texts instead of boxes and a scripted font dialog.
class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageService(&messages);
        SetFontChooser(&fonts);
    }
    void TearDown() override {
        SetMessageService(nullptr);
        SetFontChooser(nullptr);
    }
    // The one warning shown since the last call, or an empty text when there was none.
    QString TakeWarning() {
        EXPECT_LE(messages.warnings.size(), 1u);
        QString text = messages.warnings.empty() ? QString() : messages.warnings.back();
        messages.warnings.clear();
        return text;
    }

    RecordingMessages messages;
    ScriptedFontChooser fonts;
};

// Typed key by key where the test key tables know the characters; Cyrillic text
// goes in as one input.
void Type(QLineEdit* edit, const QString& text) {
    edit->clear();
    bool ascii = true;
    for (QChar ch : text)
        ascii = ascii && ch.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(edit, text);
    else
        edit->insert(text);
}

void ClickButton(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
}

bool Accepted(const QDialog& dialog) {
    return dialog.result() == QDialog::Accepted;
}

// Runs `answer` on the modal dialog once the event loop of its exec() is running.
void WhenModal(std::function<void(QWidget*)> answer, int triesLeft = 100) {
    QTimer::singleShot(10, [answer, triesLeft] {
        if (QWidget* modal = QApplication::activeModalWidget())
            answer(modal);
        else if (triesLeft > 0)
            WhenModal(answer, triesLeft - 1);
    });
}

// ---- the table page --------------------------------------------------------------

struct ValueSheet {
    explicit ValueSheet(const std::vector<model::ParamRow>& rows,
                        const QString& identifier = QStringLiteral("R1"))
        : sheet(U("Резистор")), page(new CValuePropPage(identifier, rows)) {
        sheet.AddPage(page, U("Параметры"));
        sheet.show();
    }
    CPropSheet sheet;
    CValuePropPage* page;
};

TEST_F(DialogsTest, ParameterSheetHasTitleOkCancelAndNoApply) {
    ValueSheet s({{1000, 2, "Сопротивление (R)", "Ом"}});
    EXPECT_EQ(s.sheet.windowTitle(), U("Параметры: Резистор"));
    QStringList texts;
    for (auto* button : s.sheet.findChildren<QPushButton*>())
        texts << button->text();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{U("OK"), U("Отмена")}));
    EXPECT_EQ(s.sheet.Tabs()->tabText(0), U("Параметры"));
}

TEST_F(DialogsTest, TheFirstValueHasTheFocusWithItsTextSelectedWhenTheSheetOpens) {
    ValueSheet s({{1000, 2, "Сопротивление (R)", "Ом"}, {5, 0, "Другое", "Ом"}});
    s.sheet.activateWindow();
    QApplication::setActiveWindow(&s.sheet);
    QCoreApplication::processEvents();
    EXPECT_EQ(s.sheet.focusWidget(), s.page->ValueEdit(0));
    EXPECT_EQ(s.page->ValueEdit(0)->selectedText(), s.page->ValueEdit(0)->text());
}

TEST_F(DialogsTest, TablePageShowsRowsWithTwelveDigitsAndHidesTheRest) {
    ValueSheet s({{1e-5, 2, "Емкость (C)", "Ф"}, {1.0 / 30, 0, "Начальные условия (НУ)", "В"}},
                 QStringLiteral("C3"));
    EXPECT_EQ(s.page->CaptionLabel(0)->text(), U("Емкость (C):"));
    EXPECT_EQ(s.page->ValueEdit(0)->text(), QStringLiteral("10u"));
    EXPECT_EQ(s.page->ValueEdit(1)->text(), QStringLiteral("33.3333333333m"));
    EXPECT_EQ(s.page->UnitLabel(1)->text(), U("В"));
    EXPECT_EQ(s.page->IdentifierLabel()->text(), QStringLiteral("C3"));
    EXPECT_EQ(s.page->IdentifierLabel()->x(), s.page->ValueColumn());
    for (int i = 2; i < CValuePropPage::kMaxRows; ++i)
        EXPECT_FALSE(s.page->ValueEdit(i)->isVisible()) << i;
    // An untouched field keeps the exact value, not its 12-digit text.
    ClickButton(&s.sheet, "ok");
    ASSERT_TRUE(Accepted(s.sheet));
    EXPECT_EQ(s.page->Rows()[1].value, 1.0 / 30);
}

TEST_F(DialogsTest, TablePageValidatesTypedValues) {
    struct Case {
        QString typed;
        int check;
        const char* caption;
        QString message; // empty: accepted
        double stored;
    };
    const std::vector<Case> cases = {
        {"0", 2, "Сопротивление (R)", U("Необходимо: Сопротивление (R) <> 0  "), 0},
        {"-5", 2, "Сопротивление (R)", {}, -5},
        {"2.2к", 2, "Сопротивление (R)", {}, 2200},
        {"abc", 0, "Крутизна (S)", U("Введите число, пожалуйста."), 0},
        {"", 0, "Крутизна (S)", U("Введите число, пожалуйста."), 0},
        {"4.7K", 0, "Крутизна (S)", U("Введите число, пожалуйста."), 0},
        {"0", 1, "Коэффициент трансформации (n)",
         U("Необходимо: Коэффициент трансформации (n) > 0  "), 0},
        {"-1", 1, "Коэффициент трансформации (n)",
         U("Необходимо: Коэффициент трансформации (n) > 0  "), 0},
        {"0", 0, "Начальные условия (НУ)", {}, 0},
        // Only 30 characters are read: the prefix letter lies beyond them.
        {QString(27, ' ') + "4.7k", 0, "Крутизна (S)", {}, 4.7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString() + " / " + c.caption);
        ValueSheet s({{123, c.check, c.caption, "Ом"}});
        Type(s.page->ValueEdit(0), c.typed);
        ClickButton(&s.sheet, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_EQ(Accepted(s.sheet), c.message.isEmpty());
        EXPECT_EQ(s.page->Rows()[0].value, c.message.isEmpty() ? c.stored : 123);
    }
}

TEST_F(DialogsTest, TablePageStopsAtTheFirstBadRowAndSelectsIt) {
    ValueSheet s({{1, 0, "Крутизна (S)", "См"},
                  {100000, 2, "Внутреннее сопротивление (Ri)", "Ом"},
                  {5, 2, "Сопротивление базы (Rb)", "Ом"}});
    Type(s.page->ValueEdit(0), QStringLiteral("7"));
    Type(s.page->ValueEdit(1), QStringLiteral("0"));
    Type(s.page->ValueEdit(2), QStringLiteral("0"));
    ClickButton(&s.sheet, "ok");
    EXPECT_EQ(TakeWarning(), U("Необходимо: Внутреннее сопротивление (Ri) <> 0  "));
    EXPECT_FALSE(Accepted(s.sheet));
    EXPECT_EQ(s.sheet.focusWidget(), s.page->ValueEdit(1));
    EXPECT_EQ(s.page->ValueEdit(1)->selectedText(), QStringLiteral("0"));
    EXPECT_EQ(s.page->Rows()[0].value, 1) << "nothing is stored while a row fails";

    Type(s.page->ValueEdit(1), QStringLiteral("-1k"));
    Type(s.page->ValueEdit(2), QStringLiteral("3"));
    ClickButton(&s.sheet, "ok");
    EXPECT_EQ(TakeWarning(), QString());
    ASSERT_TRUE(Accepted(s.sheet));
    EXPECT_EQ(s.page->Rows()[0].value, 7);
    EXPECT_EQ(s.page->Rows()[1].value, -1000);
    EXPECT_EQ(s.page->Rows()[2].value, 3);
}

TEST_F(DialogsTest, TablePageTakesTheFormsUsersTypeAndRefusesAnythingLeftOver) {
    struct Case {
        QString typed;
        double stored; // NaN: refused
    };
    const double refused = std::nan("");
    const std::vector<Case> cases = {
        {"1,5", 1.5},        {"1 k", 1000},      {"1kОм", 1000},     {"1к", 1000},
        {"4.7 кОм", 4700},   {" 2,2 Ом ", 2.2},  {"1 м", 1e-3},      {"1М", 1e6},
        {"1 x", refused},    {"1.5.2", refused}, {"1,5,2", refused}, {"1 Ф", refused},
        {"1 к Ом", refused}, {"2.2 K", refused}, {"5,", refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ValueSheet s({{7, 0, "Крутизна (S)", "См"}, {123, 2, "Сопротивление (R)", "Ом"}});
        Type(s.page->ValueEdit(1), c.typed);
        ClickButton(&s.sheet, "ok");
        if (std::isnan(c.stored)) {
            EXPECT_EQ(TakeWarning(), U("Введите число, пожалуйста."));
            EXPECT_FALSE(Accepted(s.sheet));
            EXPECT_TRUE(s.sheet.isVisible());
            EXPECT_EQ(s.sheet.focusWidget(), s.page->ValueEdit(1));
            EXPECT_EQ(s.page->ValueEdit(1)->selectedText(), c.typed);
            EXPECT_EQ(s.page->Rows()[1].value, 123);
        } else {
            EXPECT_EQ(TakeWarning(), QString());
            ASSERT_TRUE(Accepted(s.sheet));
            EXPECT_DOUBLE_EQ(s.page->Rows()[1].value, c.stored);
            EXPECT_EQ(s.page->Rows()[0].value, 7);
        }
    }
}

TEST_F(DialogsTest, LongCaptionsMoveTheValueColumnSoNoCaptionIsCut) {
    ValueSheet shortOne({{1, 0, "k", ""}});
    ValueSheet longOne({{1, 0, "k", ""},
                        {1, 0, "Коэффициент передачи тока (alpha) с очень длинной подписью", ""}});
    EXPECT_GT(longOne.page->ValueColumn(), shortOne.page->ValueColumn());
    for (ValueSheet* s : {&shortOne, &longOne}) {
        const QFontMetrics metrics(s->page->font());
        for (int i = 0; i < static_cast<int>(s->page->Rows().size()); ++i) {
            QLabel* caption = s->page->CaptionLabel(i);
            EXPECT_GE(caption->width(), metrics.horizontalAdvance(caption->text())) << i;
            EXPECT_LE(caption->geometry().right(), s->page->ValueColumn() - 5) << i;
            EXPECT_EQ(s->page->ValueEdit(i)->x(), s->page->ValueColumn()) << i;
            EXPECT_GT(s->page->UnitLabel(i)->x(), s->page->ValueEdit(i)->geometry().right()) << i;
        }
    }
    const QFontMetrics metrics(longOne.page->font());
    EXPECT_GE(longOne.page->ValueColumn(),
              metrics.horizontalAdvance(longOne.page->CaptionLabel(1)->text()) + 60);
}

// ---- the source page ---------------------------------------------------------

model::SourcePageData VoltageData(int mode) {
    model::SourcePageData d;
    d.kind = model::kind::VoltageSource;
    d.mode = mode;
    return d;
}

struct SourceSheet {
    explicit SourceSheet(const model::SourcePageData& data)
        : sheet(U("Источник напряжения")),
          page(new CSourceValuePropPage(QStringLiteral("U1"), data)) {
        sheet.AddPage(page, U("Параметры"));
        sheet.show();
    }
    QStringList Captions() const {
        QStringList out;
        for (int i = 0; i < CSourceValuePropPage::kMaxRows; ++i)
            if (page->ValueEdit(i)->isVisible())
                out << page->CaptionLabel(i)->text();
        return out;
    }
    CPropSheet sheet;
    CSourceValuePropPage* page;
};

QStringList ModeTexts(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

TEST_F(DialogsTest, ModeBoxOffersTheSquareWaveOnlyToVoltageSources) {
    SourceSheet voltage(VoltageData(1));
    EXPECT_EQ(ModeTexts(voltage.page->ModeBox()),
              (QStringList{U("Постоянный"), U("Гармонический"), U("Меандр")}));
    model::SourcePageData current;
    current.kind = model::kind::CurrentSource;
    current.mode = 2;
    SourceSheet currentSheet(current);
    EXPECT_EQ(ModeTexts(currentSheet.page->ModeBox()),
              (QStringList{U("Постоянный"), U("Гармонический")}));
    EXPECT_EQ(currentSheet.page->ModeBox()->currentText(), U("Гармонический"));
    EXPECT_EQ(currentSheet.Captions(),
              (QStringList{U("Амплитуда (I0):"), U("Частота (f):"), U("Начальная фаза (phi0):")}));
}

TEST_F(DialogsTest, SquareWaveRowsAreCheckedAgainstTheirBounds) {
    struct Case {
        int row;
        QString typed;
        QString message;
    };
    const std::vector<Case> cases = {
        {1, "100", U("Необходимо: Длительность < 100  ")},
        {1, "150", U("Необходимо: Длительность < 100  ")},
        {1, "0", U("Необходимо: Длительность > 0  ")},
        {1, "-3", U("Необходимо: Длительность > 0  ")},
        {1, "99.9", {}},
        {1, "x", U("Введите число, пожалуйста.")},
        {0, "0", U("Необходимо: Частота (f) > 0  ")},
        {2, "-5", {}},
        {3, "0", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " " + c.typed.toStdString());
        SourceSheet s(VoltageData(3));
        ASSERT_EQ(s.Captions(), (QStringList{U("Частота (f):"), U("Длительность:"),
                                             U("Напряжение (U0):"), U("Смещение:")}));
        Type(s.page->ValueEdit(c.row), c.typed);
        ClickButton(&s.sheet, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_EQ(Accepted(s.sheet), c.message.isEmpty());
        if (!c.message.isEmpty()) {
            EXPECT_EQ(s.sheet.focusWidget(), s.page->ValueEdit(c.row));
            EXPECT_EQ(s.page->ValueEdit(c.row)->selectedText(), c.typed);
        }
    }
}

TEST_F(DialogsTest, HarmonicAmplitudeMustBePositive) {
    SourceSheet s(VoltageData(2));
    Type(s.page->ValueEdit(0), QStringLiteral("0"));
    ClickButton(&s.sheet, "ok");
    EXPECT_EQ(TakeWarning(), U("Необходимо: Амплитуда (U0) > 0  "));
    EXPECT_FALSE(Accepted(s.sheet));
}

TEST_F(DialogsTest, ModeSwitchKeepsTheValuesEnteredForEachMode) {
    SourceSheet s(VoltageData(3));
    Type(s.page->ValueEdit(1), QStringLiteral("20"));
    Type(s.page->ValueEdit(3), QStringLiteral("-2"));
    s.page->ModeBox()->setCurrentIndex(0);
    EXPECT_EQ(s.Captions(), (QStringList{U("Напряжение (U0):")}));
    Type(s.page->ValueEdit(0), QStringLiteral("12"));
    s.page->ModeBox()->setCurrentIndex(2);
    EXPECT_EQ(s.page->ValueEdit(1)->text(), QStringLiteral("20"));
    EXPECT_EQ(s.page->ValueEdit(3)->text(), QStringLiteral("-2"));
    s.page->ModeBox()->setCurrentIndex(0);
    EXPECT_EQ(s.page->ValueEdit(0)->text(), QStringLiteral("12"));
    ClickButton(&s.sheet, "ok");
    ASSERT_TRUE(Accepted(s.sheet));
    const model::SourcePageData& d = s.page->Data();
    EXPECT_EQ(d.mode, 1);
    EXPECT_EQ(d.dcValue, 12);
    EXPECT_EQ(d.pulseDuration, 20);
    EXPECT_EQ(d.pulseOffset, -2);
    EXPECT_EQ(TakeWarning(), QString());
}

TEST_F(DialogsTest, ModeSwitchWithABadFieldStaysInTheOldMode) {
    SourceSheet s(VoltageData(3));
    Type(s.page->ValueEdit(1), QStringLiteral("100"));
    s.page->ModeBox()->setCurrentIndex(1);
    EXPECT_EQ(TakeWarning(), U("Необходимо: Длительность < 100  "));
    EXPECT_EQ(s.page->ModeBox()->currentText(), U("Меандр"));
    EXPECT_EQ(s.page->Data().mode, 3);
    EXPECT_EQ(s.Captions().size(), 4);
    EXPECT_EQ(s.page->ValueEdit(1)->text(), QStringLiteral("100"));
}

TEST_F(DialogsTest, TinyValuesOpenAndStayAsZero) {
    model::SourcePageData d = VoltageData(1);
    d.dcValue = 1e-31;
    d.acAmplitude = -1e-31; // another mode's value stays as it is until shown
    SourceSheet s(d);
    EXPECT_EQ(s.page->ValueEdit(0)->text(), QStringLiteral("0"));
    ClickButton(&s.sheet, "ok");
    ASSERT_TRUE(Accepted(s.sheet));
    EXPECT_EQ(s.page->Data().dcValue, 0.0);
    EXPECT_EQ(s.page->Data().acAmplitude, -1e-31);

    model::SourcePageData kept = VoltageData(1);
    kept.dcValue = 1e-30;
    SourceSheet notTiny(kept);
    EXPECT_EQ(notTiny.page->ValueEdit(0)->text(), QStringLiteral("1e-30"));
}

TEST_F(DialogsTest, EndMomentBlockFollowsTheHarmonicModeAndItsCheckBox) {
    SourceSheet s(VoltageData(2));
    QCheckBox* box = s.page->EndTimeBox();
    QLineEdit* moment = s.page->EndMomentEdit();
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), U("Радиоимпульс"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(moment->isEnabled());
    const int lastTop = s.page->ValueEdit(2)->y();
    EXPECT_EQ(box->y(), lastTop + 34);
    EXPECT_EQ(moment->y(), lastTop + 54);

    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    ASSERT_TRUE(box->isChecked());
    EXPECT_TRUE(moment->isEnabled());
    Type(moment, QStringLiteral("bad"));
    ClickButton(&s.sheet, "ok");
    EXPECT_EQ(TakeWarning(), U("Введите число, пожалуйста."));
    EXPECT_EQ(s.sheet.focusWidget(), moment);

    Type(moment, QStringLiteral("2m"));
    ClickButton(&s.sheet, "ok");
    ASSERT_TRUE(Accepted(s.sheet));
    EXPECT_TRUE(s.page->Data().endTime);
    EXPECT_EQ(s.page->Data().endMoment, 0.002);

    SourceSheet dc(VoltageData(1));
    EXPECT_FALSE(dc.page->EndTimeBox()->isVisible());
    EXPECT_FALSE(dc.page->EndMomentEdit()->isVisible());
}

TEST_F(DialogsTest, SourcePageReadsEachFieldWithItsOwnUnit) {
    struct Case {
        int row; // 3: the end moment
        QString typed;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {0, "1,5 В", true},        {1, "1 кГц", true},  {2, "-30 град", true},
        {3, "2 мс", true},         {0, "1,5 А", false}, {1, "50 x", false},
        {2, "30 градусов", false}, {3, "2 ms", false}, // a Latin s is not the unit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " " + c.typed.toStdString());
        model::SourcePageData d = VoltageData(2);
        d.endTime = 1;
        SourceSheet s(d);
        QLineEdit* edit = c.row < 3 ? s.page->ValueEdit(c.row) : s.page->EndMomentEdit();
        Type(edit, c.typed);
        ClickButton(&s.sheet, "ok");
        EXPECT_EQ(Accepted(s.sheet), c.accepted);
        const model::SourcePageData& out = s.page->Data();
        if (!c.accepted) {
            EXPECT_EQ(TakeWarning(), U("Введите число, пожалуйста."));
            EXPECT_EQ(s.sheet.focusWidget(), edit);
            EXPECT_EQ(edit->selectedText(), c.typed);
            EXPECT_EQ(out.acAmplitude, d.acAmplitude);
            EXPECT_EQ(out.acFrequency, d.acFrequency);
            EXPECT_EQ(out.acPhase, d.acPhase);
            EXPECT_EQ(out.endMoment, d.endMoment);
            continue;
        }
        EXPECT_EQ(TakeWarning(), QString());
        const double expected[] = {1.5, 1000, -30, 0.002};
        const double stored[] = {out.acAmplitude, out.acFrequency, out.acPhase, out.endMoment};
        EXPECT_DOUBLE_EQ(stored[c.row], expected[c.row]);
    }
}

// ---- the parameter dialogs through the element ---------------------------------

TEST_F(DialogsTest, ElementEditThroughTheRealSheet) {
    model::Resistor r(1);
    QtParameterEditor editor(nullptr);
    QString title;
    WhenModal([&title](QWidget* modal) {
        title = modal->windowTitle();
        Type(modal->findChild<QLineEdit*>(QStringLiteral("value0")), QStringLiteral("0"));
        ClickButton(modal, "ok"); // refused: stays open
        Type(modal->findChild<QLineEdit*>(QStringLiteral("value0")), QStringLiteral("2.2k"));
        ClickButton(modal, "ok");
    });
    EXPECT_EQ(r.EditParameters(editor), 1);
    EXPECT_EQ(title, U("Параметры: Резистор"));
    EXPECT_EQ(TakeWarning(), U("Необходимо: Сопротивление (R) <> 0  "));
    EXPECT_EQ(r.GetParam(0), 2200);

    WhenModal([](QWidget* modal) {
        Type(modal->findChild<QLineEdit*>(QStringLiteral("value0")), QStringLiteral("5"));
        ClickButton(modal, "cancel");
    });
    EXPECT_EQ(r.EditParameters(editor), 0);
    EXPECT_EQ(r.GetParam(0), 2200);
}

TEST_F(DialogsTest, SourceEditThroughTheRealSheetSwitchesMode) {
    model::CurrentSource source(1);
    QtParameterEditor editor(nullptr);
    WhenModal([](QWidget* modal) {
        auto* mode = modal->findChild<QComboBox*>(QStringLiteral("mode"));
        mode->setCurrentIndex(1);
        Type(modal->findChild<QLineEdit*>(QStringLiteral("value1")), QStringLiteral("1k"));
        ClickButton(modal, "ok");
    });
    EXPECT_EQ(source.EditParameters(editor), 1);
    EXPECT_EQ(source.Mode(), model::SourceMode::Ac);
    EXPECT_EQ(source.AcFrequency(), 1000);
    EXPECT_EQ(source.DcValue(), 0);
}

TEST_F(DialogsTest, TextLabelEditedToNothingBecomesTheDefaultText) {
    model::TextLabel label(1);
    label.SetText("Вход");
    QtParameterEditor editor(nullptr);
    WhenModal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), U("Текст"));
        auto* edit = modal->findChild<QPlainTextEdit*>(QStringLiteral("text"));
        EXPECT_EQ(edit->toPlainText(), U("Вход"));
        edit->clear();
        ClickButton(modal, "ok");
    });
    EXPECT_EQ(label.EditParameters(editor), 1);
    EXPECT_EQ(label.Text(), "Текст");
}

// ---- the text dialog ----------------------------------------------------------

TEST_F(DialogsTest, TextDialogTakesTheFontFromTheFontDialog) {
    model::LogFont font;
    font.height = 120;
    font.SetFace("Arial");
    fonts.answer = [](model::LogFont& f, uint32_t& colour) {
        EXPECT_EQ(f.height, 120);
        f.height = 140;
        colour = 0x0000FF;
        return true;
    };
    CTextDlg dialog(U("Строка 1\r\nСтрока 2"), font, 0x808000);
    EXPECT_EQ(dialog.TextEdit()->toPlainText(), U("Строка 1\nСтрока 2"));
    EXPECT_EQ(dialog.FontButton()->text(), U("Шрифт..."));
    QTest::mouseClick(dialog.FontButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.Font().height, 140);
    EXPECT_EQ(dialog.Colour(), 0x0000FFu);

    fonts.answer = [](model::LogFont& f, uint32_t& colour) {
        f.height = 1;
        colour = 1;
        return false;
    };
    QTest::mouseClick(dialog.FontButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.Font().height, 140) << "a cancelled font dialog changes nothing";
    EXPECT_EQ(dialog.Colour(), 0x0000FFu);

    dialog.TextEdit()->setPlainText(U("Новый"));
    ClickButton(&dialog, "ok");
    EXPECT_TRUE(Accepted(dialog));
    EXPECT_EQ(dialog.Text(), U("Новый"));
}

TEST_F(DialogsTest, TextDialogRefusesCharactersTheFileCannotHold) {
    struct Case {
        QString typed;
        QString named;    // as the message lists them
        QString selected; // the first of them, for the user to find
    };
    const std::vector<Case> cases = {
        {U("R = 5 Ω"), U("Ω"), U("Ω")},
        {U("Ω ≈ 5 Ω, α"), U("Ω ≈ α"), U("Ω")},
        {U("Вход\nвыход \U0001F600"), U("\U0001F600"), U("\U0001F600")},
        {U("a\u2003b"), U("U+2003"), U("\u2003")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        CTextDlg dialog(U("Было"), model::LogFont(), 0x808000);
        dialog.show();
        dialog.TextEdit()->setPlainText(c.typed);
        ClickButton(&dialog, "ok");
        EXPECT_EQ(TakeWarning(), U("Эти символы нельзя сохранить в файле схемы: ") + c.named);
        EXPECT_FALSE(Accepted(dialog));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.Text(), U("Было"));
        EXPECT_EQ(dialog.focusWidget(), dialog.TextEdit());
        EXPECT_EQ(dialog.TextEdit()->textCursor().selectedText(), c.selected);
        EXPECT_EQ(dialog.TextEdit()->toPlainText(), c.typed) << "the text is left as typed";
    }
}

TEST_F(DialogsTest, TextLabelWithAnUnstorableCharacterKeepsItsTextUntilFixed) {
    model::TextLabel label(1);
    label.SetText("Вход");
    QtParameterEditor editor(nullptr);
    QString warning;
    bool stillOpen = false;
    WhenModal([&](QWidget* modal) {
        auto* edit = modal->findChild<QPlainTextEdit*>(QStringLiteral("text"));
        edit->setPlainText(U("5 € / 1 Ω"));
        ClickButton(modal, "ok");
        warning = TakeWarning();
        stillOpen = QApplication::activeModalWidget() == modal && modal->isVisible();
        edit->setPlainText(U("5 € / 1 Ом"));
        ClickButton(modal, "ok");
    });
    EXPECT_EQ(label.EditParameters(editor), 1);
    EXPECT_EQ(warning, U("Эти символы нельзя сохранить в файле схемы: Ω"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(label.Text(), "5 € / 1 Ом") << "the euro has a code in the file";
}

// ---- sheet size ---------------------------------------------------------------

TEST_F(DialogsTest, SheetSizeAcceptsOnlyTheRange) {
    struct Case {
        QString width;
        QString height;
        QString message;
        const char* badField;
    };
    const QString widthMessage = U("Ширина должна быть от 1000 до 30000");
    const QString heightMessage = U("Высота должна быть от 1000 до 30000");
    const std::vector<Case> cases = {
        {"999", "2000", widthMessage, "width"},
        {"30001", "2000", widthMessage, "width"},
        {"999", "999", widthMessage, "width"},
        {"-1500", "2000", widthMessage, "width"},
        {"abc", "2000", widthMessage, "width"},
        {"2000", "999", heightMessage, "height"},
        {"2000", "30001", heightMessage, "height"},
        {"1000", "30000", {}, nullptr},
        {"30000", "1000", {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.width + " x " + c.height).toStdString());
        CSheetSizeDlg dialog(1500, 1200);
        EXPECT_EQ(dialog.windowTitle(), U("Размеры листа"));
        EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("1500"));
        Type(dialog.WidthEdit(), c.width);
        Type(dialog.HeightEdit(), c.height);
        ClickButton(&dialog, "ok");
        EXPECT_EQ(TakeWarning(), c.message);
        EXPECT_EQ(Accepted(dialog), c.message.isEmpty());
        if (c.badField) {
            QLineEdit* bad = dialog.findChild<QLineEdit*>(QString::fromLatin1(c.badField));
            EXPECT_EQ(dialog.focusWidget(), bad);
            EXPECT_EQ(bad->selectedText(), bad->text());
            EXPECT_EQ(dialog.SheetWidth(), 1500);
            EXPECT_EQ(dialog.SheetHeight(), 1200);
        } else {
            EXPECT_EQ(dialog.SheetWidth(), c.width.toInt());
            EXPECT_EQ(dialog.SheetHeight(), c.height.toInt());
        }
    }
}

TEST_F(DialogsTest, SheetSizeLabelsAreTheSystemsOwn) {
    CSheetSizeDlg dialog(1500, 1200);
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(U("Ширина :")));
    EXPECT_TRUE(labels.contains(U("Высота :")));
}

// ---- scheme settings ------------------------------------------------------------

TEST_F(DialogsTest, SchemeSettingsSheetHasBothPages) {
    CSchemeOptionsPropSheet sheet{document::SchemeOptions{}};
    EXPECT_EQ(sheet.windowTitle(), U("Установки схемы"));
    ASSERT_EQ(sheet.Tabs()->count(), 2);
    EXPECT_EQ(sheet.Tabs()->tabText(0), U("Показать"));
    EXPECT_EQ(sheet.Tabs()->tabText(1), U("Шрифты"));
    EXPECT_EQ(sheet.ShowPage()->NamesBox()->text(), U("&Идентификаторы"));
    EXPECT_EQ(sheet.ShowPage()->ValuesBox()->text(), U("&Параметры"));
    EXPECT_EQ(sheet.ShowPage()->NodesBox()->text(), U("&Номера узлов"));
    EXPECT_EQ(sheet.FontPage()->FontLabel(0)->text(), U("Times New Roman, 10"));
    EXPECT_EQ(sheet.FontPage()->FontLabel(1)->text(), U("Arial, 10"));
    EXPECT_EQ(sheet.FontPage()->FontLabel(2)->text(), U("Arial, 12"));
    EXPECT_EQ(sheet.FontPage()->ResetButton()->text(), U("&Сброс"));
    EXPECT_EQ(sheet.FontPage()->ChangeButton(1)->text(), U("Изменить"));
}

TEST_F(DialogsTest, ShowFlagsAreWrittenAtOnce) {
    CSchemeOptionsPropSheet sheet{document::SchemeOptions{}};
    sheet.show();
    sheet.ShowPage()->NamesBox()->click();
    sheet.ShowPage()->NodesBox()->click();
    EXPECT_EQ(sheet.Options().showNames, 0);
    EXPECT_EQ(sheet.Options().showValues, 1);
    EXPECT_EQ(sheet.Options().showNodes, 1);
}

TEST_F(DialogsTest, FontChosenAtElevenPointsIsStoredAsTenthsAndShownInPoints) {
    CSchemeOptionsPropSheet sheet{document::SchemeOptions{}};
    fonts.answer = [](model::LogFont& f, uint32_t&) {
        QFont chosen = PointFontFromLogFont(f);
        chosen.setPointSize(11);
        f = LogFontFromPointFont(chosen, f);
        return true;
    };
    QTest::mouseClick(sheet.FontPage()->ChangeButton(1), Qt::LeftButton);
    EXPECT_EQ(sheet.Options().valueFont.height, 110);
    EXPECT_EQ(sheet.Options().valueFont.charSet, model::kRussianCharset);
    EXPECT_EQ(sheet.FontPage()->FontLabel(1)->text(), U("Arial, 11"));
    EXPECT_EQ(sheet.Options().nameFont.height, 100) << "only the chosen font changes";
}

TEST_F(DialogsTest, ChangingOnlyAColourChangesTheRecord) {
    const document::SchemeOptions original;
    CSchemeOptionsPropSheet sheet{original};
    fonts.answer = [](model::LogFont&, uint32_t& colour) {
        colour = document::Rgb(255, 0, 0);
        return true;
    };
    QTest::mouseClick(sheet.FontPage()->ChangeButton(2), Qt::LeftButton);
    EXPECT_EQ(sheet.Options().nodeColor, document::Rgb(255, 0, 0));
    EXPECT_FALSE(document::SameBytes(sheet.Options(), original));
    ClickButton(&sheet, "ok");
    EXPECT_TRUE(Accepted(sheet));
    EXPECT_EQ(sheet.Options().nodeColor, document::Rgb(255, 0, 0));
}

TEST_F(DialogsTest, CancelledFontDialogLeavesTheRecordAlone) {
    const document::SchemeOptions original;
    CSchemeOptionsPropSheet sheet{original};
    fonts.answer = [](model::LogFont& f, uint32_t& colour) {
        f.height = 300;
        colour = 7;
        return false;
    };
    QTest::mouseClick(sheet.FontPage()->ChangeButton(0), Qt::LeftButton);
    EXPECT_EQ(fonts.calls, 1);
    EXPECT_TRUE(document::SameBytes(sheet.Options(), original));
}

TEST_F(DialogsTest, ResetRestoresFontsAndColoursButKeepsTheShowFlags) {
    document::SchemeOptions options;
    options.showNames = 0;
    options.showValues = 0;
    options.showNodes = 1;
    options.nameFont.height = 240;
    options.valueFont.SetFace("Courier New");
    options.nodeColor = 0x123456;
    CSchemeOptionsPropSheet sheet{options};
    EXPECT_EQ(sheet.FontPage()->FontLabel(1)->text(), U("Courier New, 10"));
    QTest::mouseClick(sheet.FontPage()->ResetButton(), Qt::LeftButton);
    document::SchemeOptions expected;
    expected.showNames = 0;
    expected.showValues = 0;
    expected.showNodes = 1;
    EXPECT_TRUE(document::SameBytes(sheet.Options(), expected));
    EXPECT_EQ(sheet.FontPage()->FontLabel(0)->text(), U("Times New Roman, 10"));
    EXPECT_EQ(sheet.FontPage()->FontLabel(1)->text(), U("Arial, 10"));
}

TEST_F(DialogsTest, SchemeSettingsReopenOnTheLastActivePage) {
    for (int page : {1, 0}) {
        {
            CSchemeOptionsPropSheet sheet{document::SchemeOptions{}};
            WhenModal([page](QWidget* modal) {
                static_cast<CSchemeOptionsPropSheet*>(modal)->Tabs()->setCurrentIndex(page);
                ClickButton(modal, "cancel");
            });
            sheet.exec();
        }
        CSchemeOptionsPropSheet again{document::SchemeOptions{}};
        int opened = -1;
        WhenModal([&opened](QWidget* modal) {
            opened = static_cast<CSchemeOptionsPropSheet*>(modal)->Tabs()->currentIndex();
            ClickButton(modal, "cancel");
        });
        again.exec();
        EXPECT_EQ(opened, page);
    }
}

// ---- font records and Qt fonts ------------------------------------------------------

TEST_F(DialogsTest, FontRecordsConvertInTenthsOfAPoint) {
    model::LogFont record;
    record.height = 110;
    record.weight = 700;
    record.italic = 1;
    record.charSet = model::kRussianCharset;
    record.SetFace("Arial");
    const QFont font = PointFontFromLogFont(record);
    EXPECT_EQ(font.pointSizeF(), 11.0);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());

    QFont chosen(QStringLiteral("Courier New"));
    chosen.setPointSizeF(14.5);
    chosen.setUnderline(true);
    const model::LogFont back = LogFontFromPointFont(chosen, record);
    EXPECT_EQ(back.height, 145);
    EXPECT_EQ(back.weight, 400);
    EXPECT_EQ(back.italic, 0);
    EXPECT_EQ(back.underline, 1);
    EXPECT_EQ(back.charSet, model::kRussianCharset);
    EXPECT_EQ(back.Face(), "Courier New");

    model::LogFont empty; // height 0: opens at a readable size
    EXPECT_GT(PointFontFromLogFont(empty).pointSizeF(), 1.0);
}

TEST_F(DialogsTest, RealFontDialogConfirmedUnchangedKeepsSizeAndColour) {
    SetFontChooser(nullptr);
    model::LogFont font = document::SchemeOptions::DefaultValueFont();
    font.height = 110;
    uint32_t colour = document::Rgb(1, 2, 3);
    WhenModal([](QWidget* modal) {
        auto* buttons = modal->findChild<QDialogButtonBox*>();
        ASSERT_NE(buttons, nullptr);
        for (QAbstractButton* b : buttons->buttons())
            if (b->text() == U("OK"))
                b->click();
    });
    ASSERT_TRUE(Fonts().Choose(font, colour, nullptr));
    EXPECT_EQ(font.height, 110);
    EXPECT_EQ(font.charSet, model::kRussianCharset);
    EXPECT_EQ(colour, document::Rgb(1, 2, 3));

    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    model::LogFont untouched = font;
    EXPECT_FALSE(Fonts().Choose(untouched, colour, nullptr));
    EXPECT_EQ(std::memcmp(&untouched, &font, sizeof font), 0);
}

TEST_F(DialogsTest, ColourValuesKeepRedInTheLowByte) {
    const QColor c = ColorFromColorRef(document::Rgb(10, 20, 30));
    EXPECT_EQ(c, QColor(10, 20, 30));
    EXPECT_EQ(ColorRefFromColor(QColor(0, 128, 255)), document::Rgb(0, 128, 255));
}

// The font dialog opens on the stored style and gives back only what the user
// changed: an untouched dialog keeps the record byte for byte, even when the
// stored face is one this system lacks and the dialog shows a fallback.
TEST(FontChooserTest, UntouchedChoicesKeepTheStoredRecord) {
    model::LogFont stored;
    stored.height = 100;
    stored.weight = 700;
    stored.charSet = model::kRussianCharset;
    stored.SetFace("Times New Roman");
    const QFont shown = WithMatchingStyle(PointFontFromLogFont(stored));

    const model::LogFont same = MergeChosenFont(stored, shown, shown);
    EXPECT_EQ(std::memcmp(&same, &stored, sizeof stored), 0);

    QFont bigger = shown;
    bigger.setPointSizeF(12);
    const model::LogFont resized = MergeChosenFont(stored, shown, bigger);
    EXPECT_EQ(resized.height, 120);
    EXPECT_EQ(resized.Face(), "Times New Roman");
    EXPECT_EQ(resized.weight, 700);

    QFont other = shown;
    const QString family = shown.family() == QStringLiteral("DejaVu Sans Mono")
                               ? QStringLiteral("DejaVu Sans")
                               : QStringLiteral("DejaVu Sans Mono");
    other.setFamily(family);
    EXPECT_EQ(MergeChosenFont(stored, shown, other).Face(), family.toStdString());

    QFont plain = shown;
    plain.setWeight(QFont::Normal);
    EXPECT_EQ(MergeChosenFont(stored, shown, plain).weight, 400);
}

TEST(FontChooserTest, DialogOpensOnTheStyleOfTheStoredWeightAndSlant) {
    struct Case {
        QFont::Weight weight;
        bool italic;
        const char* style;
    };
    const Case cases[] = {{QFont::Bold, false, "Bold"},
                          {QFont::Normal, false, "Book"},
                          {QFont::Bold, true, "Bold Oblique"},
                          {QFont::Normal, true, "Oblique"}};
    for (const Case& c : cases) {
        QFont font(QStringLiteral("DejaVu Sans"), 10, c.weight, c.italic);
        EXPECT_EQ(WithMatchingStyle(font).styleName().toStdString(), c.style);
    }
}

} // namespace
} // namespace korvanix::gui
