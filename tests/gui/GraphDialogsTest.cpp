// The graph settings dialog and the progress dialog, driven headless.
#include "gui/dialogs/CAbortDlg.h"
#include "gui/dialogs/CGraphPropsDlg.h"
#include "gui/dialogs/FontChooser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

namespace korvanix::gui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
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
