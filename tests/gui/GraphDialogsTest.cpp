// The graph settings dialog and the progress dialog, driven headless.
#include "gui/dialogs/CAbortDlg.h"
#include "gui/dialogs/CGraphPropsDlg.h"
#include "gui/dialogs/FontChooser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

bool SameFont(const model::LogFont& a, const model::LogFont& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class ScriptedFontChooser : public FontChooser {
public:
    bool Choose(model::LogFont& font, uint32_t& colour, QWidget*) override {
        ++calls;
        seenColour = colour;
        return answer ? answer(font, colour) : false;
    }
    std::function<bool(model::LogFont&, uint32_t&)> answer;
    int calls = 0;
    uint32_t seenColour = 0;
};

class GraphPropsDlgTest : public ::testing::Test {
protected:
    void SetUp() override { SetFontChooser(&fonts); }
    void TearDown() override { SetFontChooser(nullptr); }

    static QStringList Items(const QComboBox* box) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    static QPushButton* Button(QDialog& dialog, const char* name) {
        return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    }

    ScriptedFontChooser fonts;
};

TEST_F(GraphPropsDlgTest, ScaleListsOfferOnlyWhatTheMaskAllows) {
    struct Case {
        int32_t mask;
        int32_t current;
        QStringList items;
        QString selected;
    };
    const QString lin = U("Линейный");
    const QString log = U("Логарифмич.");
    const QString db = U("Децибелы");
    const Case cases[] = {
        {1 | 2, 2, {lin, log}, log},
        {1 | 2 | 4, 4, {lin, log, db}, db},
        {2 | 4, 1, {log, db}, log}, // the current scale not offered: the first entry
        {4, 4, {db}, db},
        {0, 2, {lin}, lin}, // a mask that allows nothing still leaves a scale to store
    };
    for (const Case& c : cases) {
        GraphProps props = DefaultGraphProps();
        props.yMask = c.mask;
        props.yScale = c.current;
        CGraphPropsDlg dialog(props);
        auto* y = dialog.findChild<QComboBox*>(QStringLiteral("yScale"));
        ASSERT_NE(y, nullptr);
        EXPECT_EQ(Items(y), c.items) << c.mask;
        EXPECT_EQ(y->currentText(), c.selected) << c.mask;
    }
}

TEST_F(GraphPropsDlgTest, OkStoresTheTitleTheScalesByTextAndTheFlag) {
    GraphProps props = DefaultGraphProps();
    props.title = "АЧХ";
    props.xMask = 1 | 2;
    props.yMask = 1 | 2 | 4;
    CGraphPropsDlg dialog(props);
    EXPECT_EQ(dialog.windowTitle(), U("Установки графика"));
    auto* title = dialog.findChild<QLineEdit*>(QStringLiteral("title"));
    auto* interpolate = dialog.findChild<QCheckBox*>(QStringLiteral("interpolate"));
    ASSERT_NE(title, nullptr);
    ASSERT_NE(interpolate, nullptr);
    EXPECT_EQ(title->text(), U("АЧХ"));
    EXPECT_EQ(interpolate->text(), U("Линейная интерполяция между точками"));
    EXPECT_TRUE(interpolate->isChecked());

    title->setText(U("Амплитуда"));
    interpolate->setChecked(false);
    dialog.findChild<QComboBox*>(QStringLiteral("xScale"))->setCurrentText(U("Логарифмич."));
    dialog.findChild<QComboBox*>(QStringLiteral("yScale"))->setCurrentText(U("Децибелы"));
    Button(dialog, "ok")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Props().title, "Амплитуда");
    EXPECT_FALSE(dialog.Props().interpolate);
    EXPECT_EQ(dialog.Props().xScale, 2);
    EXPECT_EQ(dialog.Props().yScale, 4);
}

TEST_F(GraphPropsDlgTest, FontsAreShownInPointsAndChangedWithTheirOwnColour) {
    GraphProps props = DefaultGraphProps();
    props.titleColour = 0x00800000;
    CGraphPropsDlg dialog(props);
    auto* titleFont = dialog.findChild<QLabel*>(QStringLiteral("titleFont"));
    auto* numberFont = dialog.findChild<QLabel*>(QStringLiteral("numberFont"));
    const QString face = QString::fromStdString(props.titleFont.Face());
    EXPECT_EQ(titleFont->text(), face + QStringLiteral(", 12"));
    EXPECT_EQ(numberFont->text(), face + QStringLiteral(", 10"));

    // A cancelled choice changes nothing.
    Button(dialog, "changeTitleFont")->click();
    EXPECT_EQ(fonts.seenColour, 0x00800000u);
    EXPECT_EQ(titleFont->text(), face + QStringLiteral(", 12"));

    fonts.answer = [](model::LogFont& font, uint32_t& colour) {
        font.height = 110;
        font.SetFace("DejaVu Sans");
        colour = 0x000000FF;
        return true;
    };
    Button(dialog, "changeNumberFont")->click();
    EXPECT_EQ(numberFont->text(), QStringLiteral("DejaVu Sans, 11"));
    Button(dialog, "ok")->click();
    EXPECT_EQ(dialog.Props().numberFont.height, 110);
    EXPECT_EQ(dialog.Props().numberColour, 0x000000FFu);
    EXPECT_EQ(dialog.Props().titleFont.height, 120) << "the other font stays";
}

TEST_F(GraphPropsDlgTest, DefaultsNameAnInstalledFaceInTheRussianCharset) {
    const GraphProps props = DefaultGraphProps();
    for (const model::LogFont* font : {&props.titleFont, &props.numberFont}) {
        EXPECT_TRUE(QFontDatabase::hasFamily(QString::fromStdString(font->Face()))) << font->Face();
        EXPECT_EQ(font->charSet, model::kRussianCharset);
        EXPECT_EQ(font->weight, 400);
    }
    EXPECT_EQ(props.titleFont.height, 120);
    EXPECT_EQ(props.numberFont.height, 100);
    EXPECT_EQ(props.titleColour, 0x00800000u) << "RGB 0,0,128 with red in the low byte";
    EXPECT_EQ(props.numberColour, 0u);
}

TEST_F(GraphPropsDlgTest, CancelledFontChoiceKeepsFontAndColour) {
    GraphProps props = DefaultGraphProps();
    props.titleColour = 0x00123456;
    CGraphPropsDlg dialog(props);
    // A chooser that scribbles on what it was given before it is cancelled.
    fonts.answer = [](model::LogFont& font, uint32_t& colour) {
        font.height = 80;
        colour = 0x000000FF;
        return false;
    };
    Button(dialog, "changeTitleFont")->click();
    EXPECT_EQ(fonts.calls, 1);
    const QString face = QString::fromStdString(props.titleFont.Face());
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("titleFont"))->text(),
              face + QStringLiteral(", 12"));
    Button(dialog, "ok")->click();
    EXPECT_TRUE(SameFont(dialog.Props().titleFont, props.titleFont));
    EXPECT_EQ(dialog.Props().titleColour, 0x00123456u);
}

TEST_F(GraphPropsDlgTest, CancelStoresNothingEvenAfterAChosenFont) {
    GraphProps props = DefaultGraphProps();
    props.title = "АЧХ";
    props.xMask = props.yMask = 1 | 2 | 4;
    props.xScale = 2;
    props.yScale = 4;
    CGraphPropsDlg dialog(props);
    fonts.answer = [](model::LogFont& font, uint32_t& colour) {
        font.height = 140;
        colour = 0x000000FF;
        return true;
    };
    Button(dialog, "changeTitleFont")->click();
    Button(dialog, "changeNumberFont")->click();
    dialog.findChild<QLineEdit*>(QStringLiteral("title"))->setText(U("Фаза"));
    dialog.findChild<QCheckBox*>(QStringLiteral("interpolate"))->setChecked(false);
    dialog.findChild<QComboBox*>(QStringLiteral("xScale"))->setCurrentText(U("Линейный"));
    dialog.findChild<QComboBox*>(QStringLiteral("yScale"))->setCurrentText(U("Линейный"));

    Button(dialog, "cancel")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    const GraphProps& kept = dialog.Props();
    EXPECT_EQ(kept.title, "АЧХ");
    EXPECT_TRUE(kept.interpolate);
    EXPECT_EQ(kept.xScale, 2);
    EXPECT_EQ(kept.yScale, 4);
    EXPECT_TRUE(SameFont(kept.titleFont, props.titleFont));
    EXPECT_TRUE(SameFont(kept.numberFont, props.numberFont));
    EXPECT_EQ(kept.titleColour, props.titleColour);
    EXPECT_EQ(kept.numberColour, props.numberColour);
}

TEST(AbortDlgTest, StopAnswersWhileTheMainWindowIsDisabled) {
    QMainWindow main;
    main.setAttribute(Qt::WA_DontShowOnScreen);
    main.setGeometry(100, 100, 800, 600);
    main.show();
    CAbortDlg dialog(U("Сохранение..."), &main);
    dialog.setAttribute(Qt::WA_DontShowOnScreen);
    EXPECT_EQ(dialog.RowCaption(0), U("Номер расчета :"));
    EXPECT_EQ(dialog.RowCaption(1), U("Выполнено :"));
    EXPECT_EQ(dialog.StopButton()->text(), U("Стоп"));
    dialog.SetRowCaption(0, U("Имя файла :"));
    dialog.SetRowText(0, QStringLiteral("Data.txt"));
    dialog.show();
    EXPECT_LE((dialog.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(),
              4);

    QSignalSpy stop(&dialog, &CAbortDlg::stopRequested);
    main.setEnabled(false);
    EXPECT_TRUE(dialog.isEnabled());
    QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.StopButton(), Qt::LeftButton);
    EXPECT_EQ(stop.count(), 1) << "one request, however often it is pressed";
    EXPECT_TRUE(dialog.StopRequested());
    ASSERT_NE(dialog.windowHandle(), nullptr);
    EXPECT_EQ(dialog.windowHandle()->transientParent(), main.windowHandle())
        << "kept above the main window";
}

TEST(AbortDlgTest, CentredAtTheSizeItShowsWith) {
    QMainWindow main;
    main.setAttribute(Qt::WA_DontShowOnScreen);
    main.setGeometry(300, 200, 900, 700);
    main.show();
    CAbortDlg dialog(U("Сохранение..."), &main);
    dialog.setAttribute(Qt::WA_DontShowOnScreen);
    const int builtWidth = dialog.width();
    // A file name long enough to widen the window after it was built.
    dialog.SetRowText(0, QStringLiteral("a_rather_long_name_of_an_exported_data_file_%1.txt")
                             .arg(QString(40, QLatin1Char('x'))));
    dialog.SetRowText(1, QStringLiteral("0 %"));
    dialog.show();
    ASSERT_GT(dialog.width(), builtWidth + 20);
    EXPECT_LE((dialog.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(),
              4);
}

TEST(AbortDlgTest, EveryWayOfClosingAsksToStopOnce) {
    struct Case {
        const char* how;
        std::function<void(CAbortDlg&)> close;
    };
    const Case cases[] = {
        {"close()", [](CAbortDlg& d) { d.close(); }},
        // What the window's close button does: a close from the window system.
        {"window close", [](CAbortDlg& d) { d.windowHandle()->close(); }},
        {"Escape", [](CAbortDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        CAbortDlg dialog(U("Частотный анализ"), nullptr);
        dialog.setAttribute(Qt::WA_DontShowOnScreen);
        dialog.show();
        QSignalSpy stop(&dialog, &CAbortDlg::stopRequested);
        c.close(dialog);
        c.close(dialog);
        EXPECT_EQ(stop.count(), 1) << c.how;
        EXPECT_TRUE(dialog.StopRequested()) << c.how;
        EXPECT_TRUE(dialog.isVisible()) << c.how << ": the work ends the window";
    }
}

TEST(AbortDlgTest, RowsOutsideTheTwoAreIgnored) {
    CAbortDlg dialog(U("Переходный процесс"), nullptr);
    dialog.SetRowText(0, U("2 из 10"));
    dialog.SetRowText(1, U("35 %"));
    dialog.SetRowText(2, QStringLiteral("x"));
    dialog.SetRowText(-1, QStringLiteral("y"));
    dialog.SetRowCaption(2, QStringLiteral("z"));
    EXPECT_EQ(dialog.RowText(0), U("2 из 10"));
    EXPECT_EQ(dialog.RowText(1), U("35 %"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("run"))->text(), U("2 из 10"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("percent"))->text(), U("35 %"));
    EXPECT_EQ(dialog.RowCaption(1), U("Выполнено :"));
    EXPECT_TRUE(dialog.RowText(2).isEmpty());
}

TEST(AbortDlgTest, ClosingTheWindowAsksToStop) {
    CAbortDlg dialog(U("Переходный процесс"), nullptr);
    dialog.setAttribute(Qt::WA_DontShowOnScreen);
    dialog.show();
    QSignalSpy stop(&dialog, &CAbortDlg::stopRequested);
    dialog.close();
    EXPECT_EQ(stop.count(), 1);
    EXPECT_TRUE(dialog.isVisible()) << "the work ends the window, not the user";
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(stop.count(), 1);
}

} // namespace
} // namespace korvanix::gui
