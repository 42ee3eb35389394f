// The pole-zero command in the main window: the analysis on its worker, the
// window it opens (map, table, H(s)), what it copies and saves, a refused
// circuit, and the document replaced while the analysis runs.
#include "gui/PoleZeroWindow.h"
#include "../document/TempFolder.h"
#include "GuiTestSupport.h"
#include "analysis/PoleZeroText.h"
#include "document/Document.h"
#include "gui/ActionRegistry.h"
#include "gui/AnalysisRunner.h"
#include "gui/CMainWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "gui/PoleZeroMap.h"
#include "model/Element.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QTableWidget>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace korvanix::gui {
namespace {

using test_support::FileBytes;
using test_support::U;

QString ExamplePath(const char* name) {
    return QStringLiteral(KORVANIX_SOURCE_DIR "/examples/") + U(name);
}

using test_support::RecordingMessages;

class ScriptedFiles : public FileDialogs {
public:
    bool SavePathOfType(QWidget*, const QString&, const QStringList&, const QStringList&,
                        QString& path, int& filter) override {
        path = answer;
        filter = 0;
        return !answer.isEmpty();
    }
    QString answer;
};

QByteArray BatchCsv(const QString& path) {
    QProcess cli;
    cli.start(QStringLiteral(KORVANIX_CLI),
              {QStringLiteral("poles"), path, QStringLiteral("--csv")});
    return cli.waitForFinished(60000) ? cli.readAllStandardOutput() : QByteArray();
}

class PoleZeroWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageService(&messages);
        SetFileDialogs(&files);
    }
    void TearDown() override {
        while (PoleZeroWindow* w = PoleZeroWindow::Find())
            delete w;
        SetMessageService(nullptr);
        SetFileDialogs(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CSchemeWnd& Scheme() { return *wnd.SchemeWnd(); }
    void Open(const QString& path) {
        ASSERT_TRUE(Scheme().Doc().Open(path.toStdString()).read);
        Scheme().DocumentReloaded();
    }
    // The command, and the analysis on its worker to its end.
    void Run() {
        Scheme().OnCommand(cmd::PoleZero);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Scheme().Analyses().PoleZeroRunning(); }, 60000));
        QCoreApplication::processEvents();
    }

    RecordingMessages messages;
    ScriptedFiles files;
    CMainWnd wnd;
};

// A swept circuit: the window's results are the batch tool's, row for row; the
// map is a root locus over every run; the table and H(s) follow the choices.
TEST_F(PoleZeroWindowTest, SweptExampleShowsTheBatchToolsResults) {
    const QString path = ExamplePath("rlc_bandpass.scm");
    Open(path);
    Run();
    ASSERT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();
    PoleZeroWindow* window = PoleZeroWindow::Find();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const analysis::PoleZeroReport& report = window->Report();
    EXPECT_EQ(QByteArray::fromStdString(analysis::PoleZeroCsv(report)), BatchCsv(path));
    ASSERT_TRUE(report.sweep);
    ASSERT_GT(report.runs.size(), 1u);

    // Natural frequencies first: a pair per run, two rows in the table.
    EXPECT_EQ(window->FunctionCount(), 1 + static_cast<int>(report.runs[0].functions.size()));
    EXPECT_EQ(window->Table()->rowCount(), 2);
    EXPECT_TRUE(window->Text().contains(U("Цепь устойчива")));
    EXPECT_FALSE(window->Actions().IsEnabled(pzcmd::CopyLatex));

    // The function: a zero at the origin and the pair of poles.
    window->SelectFunction(1);
    EXPECT_EQ(window->Table()->rowCount(), 3);
    EXPECT_EQ(window->Table()->item(0, 0)->text(), U("нуль"));
    EXPECT_TRUE(window->Text().contains(U("H(s) = ")));
    EXPECT_TRUE(window->Text().contains(U("Переходная характеристика")));
    ASSERT_TRUE(window->Actions().Run(pzcmd::CopyLatex));
    EXPECT_TRUE(QApplication::clipboard()->text().contains(U("\\frac{")));

    // Another run changes the table's numbers.
    const QString first = window->TableText(false);
    window->SelectRun(2);
    EXPECT_NE(window->TableText(false), first);
    ASSERT_TRUE(window->Actions().Run(pzcmd::CopyTable));
    EXPECT_EQ(QApplication::clipboard()->text(), window->TableText(false));
}

// The map's view: the wheel zooms, "Исходный интервал" comes back and goes off;
// hertz is a check button; the picture saves as SVG.
TEST_F(PoleZeroWindowTest, MapZoomsRestoresAndSaves) {
    Open(ExamplePath("tube_amplifier.scm"));
    Run();
    PoleZeroWindow* window = PoleZeroWindow::Find();
    ASSERT_NE(window, nullptr);
    PoleZeroMap* map = window->Map();
    EXPECT_FALSE(window->Actions().IsEnabled(pzcmd::Restore));
    const QPointF centre(map->width() / 2.0, map->height() / 2.0);
    QWheelEvent wheel(centre, map->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &wheel);
    EXPECT_TRUE(map->ViewChanged());
    EXPECT_TRUE(window->Actions().IsEnabled(pzcmd::Restore));
    ASSERT_TRUE(window->Actions().Run(pzcmd::Restore));
    EXPECT_FALSE(window->Actions().IsEnabled(pzcmd::Restore));

    ASSERT_TRUE(window->Actions().Run(pzcmd::Hertz, true));
    EXPECT_TRUE(map->Hertz());
    EXPECT_TRUE(window->Actions().IsChecked(pzcmd::Hertz));
    EXPECT_TRUE(PoleZeroMap::Reading({-100, 0}, true).contains(U("Гц")));

    document::testing::TempFolder folder;
    files.answer = QString::fromStdString(folder / "poles.svg");
    ASSERT_TRUE(window->Actions().Run(pzcmd::SavePicture));
    EXPECT_TRUE(FileBytes(files.answer).contains("<svg"));
}

// A circuit the check refuses: the message of the batch tool in a box, the
// faulty element selected, no window.
TEST_F(PoleZeroWindowTest, RefusedCircuitGivesItsMessage) {
    Open(ExamplePath("rc_lowpass.scm"));
    model::Scheme& scheme = Scheme().Doc().scheme;
    std::unique_ptr<model::Element> loose =
        model::ElementFactory(model::kind::Resistor, scheme.TakeElementId());
    loose->x = 40;
    loose->y = 40;
    scheme.AddElement(std::move(loose));
    scheme.ClearSelection();
    Run();
    EXPECT_EQ(PoleZeroWindow::Find(), nullptr);
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_TRUE(messages.warnings[0].contains(U("не соединен")))
        << messages.warnings[0].toStdString();
    EXPECT_EQ(Scheme().Doc().scheme.selection.size(), 1u);
}

// The document replaced while the analysis runs: its results are dropped.
TEST_F(PoleZeroWindowTest, ReplacedDocumentDropsTheResults) {
    Open(ExamplePath("rc_lowpass.scm"));
    Scheme().OnCommand(cmd::PoleZero);
    EXPECT_FALSE(Scheme().Actions().IsEnabled(cmd::PoleZero));
    Scheme().Analyses().CloseResults();
    EXPECT_FALSE(Scheme().Analyses().PoleZeroRunning());
    // The worker was waited for and dropped: whatever it had posted is handled
    // here, and no window may come of it.
    QCoreApplication::processEvents();
    EXPECT_EQ(PoleZeroWindow::Find(), nullptr);
    EXPECT_TRUE(messages.warnings.isEmpty());
    EXPECT_TRUE(Scheme().Actions().IsEnabled(cmd::PoleZero));
}

} // namespace
} // namespace korvanix::gui
