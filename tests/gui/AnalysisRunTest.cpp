// The analysis commands in the main window: from the circuit check through the
// dialog to the curves in the graph window, with Stop, errors and the document
// closed under a running analysis.

#include "document/Document.h"
#include "engine/ErrorMessages.h"
#include "graph/GraphData.h"
#include "gui/AnalysisRunner.h"
#include "gui/CGraphWnd.h"
#include "gui/CMainWnd.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/DataExportJob.h"
#include "gui/GraphCommandIds.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "gui/dialogs/CAbortDlg.h"
#include "model/ElementKind.h"
#include "model/Text1251.h"

#include "../document/TempFolder.h"
#include "GuiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace korvanix::gui {
namespace {

// The data export runs on a thread of its own: its end comes through the
// event loop.
bool ExportsEnded() {
    return QTest::qWaitFor([] { return DataExportJob::RunningCount() == 0; }, 20000);
}

using document::testing::TempFolder;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

QString ExamplePath(const QString& name) {
    return QStringLiteral(KORVANIX_SOURCE_DIR "/examples/") + name;
}

using test_support::RecordingMessages;

// Answers the analysis dialogs: OK with the record as it came, unless a test
// changes it first or cancels.
class ScriptedDialogs : public AnalysisDialogs {
public:
    bool Transient(QWidget*, document::TransientSettings& settings,
                   const std::vector<analysis::OfferedOutput>& names,
                   const model::ElementList&) override {
        ++opened;
        offered = names;
        if (editTransient)
            editTransient(settings);
        return answer;
    }
    bool Frequency(QWidget*, document::FrequencySettings& settings,
                   const std::vector<analysis::OfferedOutput>& names,
                   const model::ElementList&) override {
        ++opened;
        offered = names;
        if (editFrequency)
            editFrequency(settings);
        return answer;
    }
    bool Options(QWidget*, document::AnalysisOptions& options) override {
        ++opened;
        if (editOptions)
            editOptions(options);
        return answer;
    }
    bool answer = true;
    int opened = 0;
    std::vector<analysis::OfferedOutput> offered;
    std::function<void(document::TransientSettings&)> editTransient;
    std::function<void(document::FrequencySettings&)> editFrequency;
    std::function<void(document::AnalysisOptions&)> editOptions;
};

class ScriptedFiles : public FileDialogs {
public:
    bool SavePathOfType(QWidget*, const QString&, const QStringList&, const QStringList&,
                        QString& path, int& filter) override {
        path = answer;
        filter = answerFilter;
        return !answer.isEmpty();
    }
    QString answer;
    int answerFilter = 0;
};

class AnalysisRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageService(&messages);
        SetFileDialogs(&files);
        Scheme().Analyses().SetDialogs(&dialogs);
    }
    void TearDown() override {
        CloseGraphs();
        SetMessageService(nullptr);
        SetFileDialogs(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static void CloseGraphs() {
        for (const char* title : {kTransientGraphTitle, kFrequencyGraphTitle})
            while (CMultiGraphWnd* w = CMultiGraphWnd::Find(U(title)))
                delete w;
    }
    CSchemeWnd& Scheme() { return *wnd.SchemeWnd(); }
    // The command, and the computation it starts on its worker to its end.
    void Analyse(int id) {
        Scheme().OnCommand(id);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Scheme().IsAnalysing(); }, 60000));
    }
    document::Document& Doc() { return Scheme().Doc(); }
    void Open(const char* example) {
        ASSERT_TRUE(Doc().Open(ExamplePath(U(example)).toStdString()).read) << example;
        Scheme().DocumentReloaded();
    }
    static CMultiGraphWnd* Graphs(bool frequency) {
        return CMultiGraphWnd::Find(U(frequency ? kFrequencyGraphTitle : kTransientGraphTitle));
    }
    // Calls `action` once, when the analysis shows its progress window.
    void OnStart(std::function<void(CAbortDlg&)> action) {
        QObject::connect(
            &Scheme().Analyses(), &AnalysisRunner::started, &wnd,
            [action](CAbortDlg* dialog) { action(*dialog); }, Qt::SingleShotConnection);
    }

    RecordingMessages messages;
    ScriptedFiles files;
    ScriptedDialogs dialogs;
    CMainWnd wnd;
};

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

CliRun RunCli(const QStringList& args) {
    QProcess cli;
    cli.start(QStringLiteral(KORVANIX_CLI), args);
    CliRun run;
    if (!cli.waitForFinished(120000))
        return run;
    run.exitCode = cli.exitCode();
    run.out = cli.readAllStandardOutput();
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

// Every example, through the command as a user runs it: what the graph window
// saves is what the batch tool prints for the same document, the text table
// (converted to one encoding) and the CSV of every run alike; a document the
// batch tool cannot analyse gives its message in a box and no results.
TEST_F(AnalysisRunTest, EveryExampleThroughTheCommandEqualsTheBatchTool) {
    const QStringList examples =
        QDir(QStringLiteral(KORVANIX_SOURCE_DIR "/examples")).entryList({QStringLiteral("*.scm")});
    ASSERT_FALSE(examples.isEmpty());
    for (const QString& example : examples) {
        for (const bool frequency : {false, true}) {
            SCOPED_TRACE(example.toStdString() + (frequency ? " frequency" : " transient"));
            const QString path = ExamplePath(example);
            CloseGraphs();
            ASSERT_TRUE(Doc().Open(path.toStdString()).read);
            Scheme().DocumentReloaded();
            messages.warnings.clear();
            const QString command =
                frequency ? QStringLiteral("frequency") : QStringLiteral("transient");
            const CliRun table = RunCli({command, path, QStringLiteral("--quiet")});

            Analyse(frequency ? cmd::Frequency : cmd::Transient);
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
            EXPECT_FALSE(Doc().IsModified());
            if (table.exitCode != 0) {
                ASSERT_FALSE(messages.warnings.isEmpty());
                EXPECT_TRUE(table.err.contains(messages.warnings.back()))
                    << table.err.toStdString() << " / " << messages.warnings.back().toStdString();
                if (table.exitCode == 3) {
                    EXPECT_EQ(Graphs(frequency), nullptr);
                }
                continue;
            }
            ASSERT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();
            CMultiGraphWnd* graphs = Graphs(frequency);
            ASSERT_NE(graphs, nullptr);
            EXPECT_TRUE(graphs->StatusText().startsWith(U("Время расчета: ")));

            TempFolder folder;
            files.answer = QString::fromStdString(folder / "out.txt");
            files.answerFilter = 0;
            graphs->OnCommand(gcmd::SaveAllData);
            ASSERT_TRUE(ExportsEnded());
            ASSERT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();
            EXPECT_EQ(model::Cp1251ToUtf8(ReadFile(folder / "out.txt")), table.out.toStdString());

            const CliRun csv =
                RunCli({command, path, QStringLiteral("--csv"), QStringLiteral("--quiet")});
            ASSERT_EQ(csv.exitCode, 0);
            files.answer = QString::fromStdString(folder / "out.csv");
            files.answerFilter = 1;
            graphs->OnCommand(gcmd::SaveAllData);
            ASSERT_TRUE(ExportsEnded());
            EXPECT_EQ(ReadFile(folder / "out.csv"), csv.out.toStdString());
        }
    }
}

TEST_F(AnalysisRunTest, WhileRunningOnlyTheProgressWindowAnswers) {
    Open("rlc_series.scm");
    bool checked = false;
    OnStart([&](CAbortDlg& progress) {
        checked = true;
        // Input goes to the progress window only.
        EXPECT_EQ(QApplication::activeModalWidget(), &progress);
        EXPECT_TRUE(progress.isVisible());
        EXPECT_TRUE(progress.isEnabled());
        EXPECT_EQ(progress.windowTitle(), U("Переходный процесс"));
        EXPECT_EQ(progress.RowCaption(0), U("Номер расчета :"));
        EXPECT_EQ(progress.RowCaption(1), U("Выполнено :"));
        for (int id : {cmd::Transient, cmd::Frequency, cmd::AnalysisSettings})
            EXPECT_FALSE(wnd.Action(id)->isEnabled()) << id;
        EXPECT_TRUE(Scheme().IsAnalysing());
    });
    Analyse(cmd::Transient);
    EXPECT_TRUE(checked);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(Scheme().IsAnalysing());
    EXPECT_EQ(Scheme().Analyses().ProgressDialog(), nullptr);
    for (int id : {cmd::Transient, cmd::Frequency, cmd::AnalysisSettings})
        EXPECT_TRUE(wnd.Action(id)->isEnabled()) << id;
    // The window is reused by the next run, not opened twice.
    CMultiGraphWnd* first = Graphs(false);
    ASSERT_NE(first, nullptr);
    Analyse(cmd::Transient);
    EXPECT_EQ(Graphs(false), first);
}

// Stop during the second of several runs: that run ends where it was, the later
// ones never start, and nothing is reported.
TEST_F(AnalysisRunTest, StopInTheMiddleOfASweepKeepsWhatWasComputed) {
    Open("rlc_series.scm");
    Doc().settings.transient.sweepEnabled = 1;
    Doc().settings.transient.sweep.graphCount = 4;
    Scheme().Analyses().SetDispatchInterval(std::chrono::milliseconds(0));
    OnStart([](CAbortDlg& progress) {
        QObject::connect(&progress, &CAbortDlg::rowTextChanged, &progress,
                         [&progress](int row, const QString& text) {
                             if (row == 0 && text == QStringLiteral("2 из 4"))
                                 progress.StopButton()->click();
                         });
    });
    Analyse(cmd::Transient);
    EXPECT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();
    CMultiGraphWnd* graphs = Graphs(false);
    ASSERT_NE(graphs, nullptr);
    const graph::GraphData& data = graphs->Pane(0)->Data();
    ASSERT_EQ(data.RunCount(), 4);
    EXPECT_GT(data.X(0).Count(), 10u);
    EXPECT_GE(data.X(1).Count(), 1u);
    EXPECT_LT(data.X(1).Count(), data.X(0).Count());
    EXPECT_EQ(data.X(2).Count(), 0u);
    EXPECT_EQ(data.X(3).Count(), 0u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// New, a second analysis and closing the program, asked for while an analysis
// runs: each stops it and happens after its end.
TEST_F(AnalysisRunTest, DocumentCommandsWaitForTheRunningAnalysisToStop) {
    Open("rlc_series.scm");
    Scheme().Analyses().SetDispatchInterval(std::chrono::milliseconds(0));
    int runs = 0;
    QObject::connect(&Scheme().Analyses(), &AnalysisRunner::started, &wnd, [&] { ++runs; });
    OnStart([&](CAbortDlg&) {
        QTimer::singleShot(0, &wnd, [&] {
            Scheme().OnCommand(cmd::New);
            // The document is still the one being analysed.
            EXPECT_FALSE(Doc().IsUntitled());
        });
    });
    Analyse(cmd::Transient);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(Doc().IsUntitled());
    // New closed the old circuit's results.
    EXPECT_EQ(Graphs(false), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    Open("rlc_series.scm");
    wnd.show();
    OnStart([&](CAbortDlg&) { QTimer::singleShot(0, &wnd, [&] { wnd.close(); }); });
    Analyse(cmd::Transient);
    EXPECT_FALSE(wnd.isVisible());
    EXPECT_FALSE(Scheme().IsAnalysing());
}

TEST_F(AnalysisRunTest, AFailedComputationShowsItsMessageAndKeepsItsPoints) {
    Open("rc_lowpass.scm");
    // Terms that never fall below EPS: the first step misses the accuracy.
    Doc().settings.transient.parts[0].eps = 1e-300;
    Doc().settings.options.maxIter = 10;
    Analyse(cmd::Transient);
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(messages.warnings.front(),
              U("Требуемая точность не достигнута!\nУменьшите шаг или увеличьте число точек"));
    CMultiGraphWnd* graphs = Graphs(false);
    ASSERT_NE(graphs, nullptr);
    EXPECT_GE(graphs->Pane(0)->Data().X(0).Count(), 1u);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A circuit that cannot be analysed, or an analysis with nothing to compute,
// leaves no window behind.
TEST_F(AnalysisRunTest, NothingToComputeOpensNoWindow) {
    Open("rc_lowpass.scm");
    // Far from the view, at the other end of the sheet.
    wnd.resize(800, 600);
    const document::ViewState& view = Doc().view;
    model::Element* stray = Doc().scheme.PlaceNew(
        model::kind::Resistor, (view.sheetWidth - 200) / 8 * 8, (view.sheetHeight - 200) / 8 * 8);
    Scheme().DocumentReloaded();
    const QRect client(QPoint(0, 0), Scheme().viewport()->size());
    ASSERT_FALSE(client.contains(Scheme().ToPixel({stray->x, stray->y})));
    Analyse(cmd::Transient);
    ASSERT_EQ(messages.warnings.size(), 1);
    EXPECT_EQ(dialogs.opened, 0);
    ASSERT_EQ(Doc().scheme.selection.size(), 1u);
    EXPECT_EQ(Doc().scheme.selection.front(), stray);
    EXPECT_TRUE(client.contains(Scheme().ToPixel({stray->x, stray->y})))
        << "the faulty element is brought into view";
    EXPECT_EQ(Graphs(false), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    Open("rc_lowpass.scm");
    messages.warnings.clear();
    dialogs.editTransient = [](document::TransientSettings& s) {
        s.voltageOutputCount = 0;
        s.currentOutputCount = 0;
        s.energyGraph = 0;
    };
    Analyse(cmd::Transient);
    EXPECT_EQ(messages.warnings, QStringList{U("Пожалуйста, выберите переменную для расчета")});
    EXPECT_EQ(Graphs(false), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A loop of capacitors: one box per loop under its own caption, then the loop's
// error; nothing is opened.
TEST_F(AnalysisRunTest, CapacitorLoopsAreShownBeforeTheirError) {
    Open("rc_lowpass.scm");
    model::Scheme& s = Doc().scheme;
    model::Element* anchor = nullptr;
    for (const auto& e : s.elements)
        if (e->kind == model::kind::Capacitor)
            anchor = e.get();
    ASSERT_NE(anchor, nullptr);
    model::Element* c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = s.PlaceNew(model::kind::Capacitor, 300 + 100 * i, 600);
    s.Join(anchor, 1, c[0], 1);
    s.Join(c[0], 2, c[1], 1);
    s.Join(c[1], 2, c[2], 1);
    s.Join(c[2], 2, c[0], 1);
    s.RenumberNodes();
    s.RenumberNames();
    Scheme().DocumentReloaded();
    Analyse(cmd::Transient);
    ASSERT_EQ(messages.warnings.size(), 2);
    EXPECT_TRUE(messages.warnings[0].startsWith(U("Контур 1: ")))
        << messages.warnings[0].toStdString();
    EXPECT_EQ(messages.warnings[1].toStdString(),
              engine::SchemeErrorMessage(model::SchemeError(3004)));
    EXPECT_EQ(dialogs.opened, 0);
    EXPECT_EQ(Graphs(false), nullptr);
}

// The dialogs' records reach the document only on OK, and the document counts
// as modified only while a record differs from the saved one.
TEST_F(AnalysisRunTest, DialogsMarkTheDocumentModifiedOnlyByAChange) {
    struct Case {
        const char* name;
        int command;
        bool answer;
        std::function<void(ScriptedDialogs&)> script;
        bool modified;
    };
    const Case cases[] = {
        {"transient cancelled", cmd::Transient, false,
         [](ScriptedDialogs& d) {
             d.editTransient = [](document::TransientSettings& s) { s.energyGraph = 1; };
         },
         false},
        {"transient unchanged", cmd::Transient, true, [](ScriptedDialogs&) {}, false},
        {"transient changed", cmd::Transient, true,
         [](ScriptedDialogs& d) {
             d.editTransient = [](document::TransientSettings& s) { s.energyGraph = 1; };
         },
         true},
        {"frequency changed", cmd::Frequency, true,
         [](ScriptedDialogs& d) {
             d.editFrequency = [](document::FrequencySettings& s) { s.pointCount += 1; };
         },
         true},
        {"options cancelled", cmd::AnalysisSettings, false,
         [](ScriptedDialogs& d) {
             d.editOptions = [](document::AnalysisOptions& o) { o.maxIter = 50; };
         },
         false},
        {"options unchanged", cmd::AnalysisSettings, true, [](ScriptedDialogs&) {}, false},
        {"options changed", cmd::AnalysisSettings, true,
         [](ScriptedDialogs& d) {
             d.editOptions = [](document::AnalysisOptions& o) { o.plotWhileRunning = 0; };
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open("opamp_inverting.scm");
        const document::DocumentSettings before = Doc().settings;
        dialogs = ScriptedDialogs();
        dialogs.answer = c.answer;
        c.script(dialogs);
        Analyse(c.command);
        EXPECT_EQ(dialogs.opened, 1);
        EXPECT_EQ(Doc().IsModified(), c.modified);
        const bool same =
            std::memcmp(&before.transient, &Doc().settings.transient, sizeof before.transient) ==
                0 &&
            std::memcmp(&before.frequency, &Doc().settings.frequency, sizeof before.frequency) ==
                0 &&
            before.options.maxIter == Doc().settings.options.maxIter &&
            before.options.plotWhileRunning == Doc().settings.options.plotWhileRunning;
        EXPECT_EQ(same, !c.modified);
    }

    // Changed and changed back: the document equals its file again.
    Open("rc_lowpass.scm");
    dialogs = ScriptedDialogs();
    dialogs.editOptions = [](document::AnalysisOptions& o) { o.maxIter = 50; };
    Scheme().OnCommand(cmd::AnalysisSettings);
    EXPECT_TRUE(Doc().IsModified());
    dialogs.editOptions = [](document::AnalysisOptions& o) { o.maxIter = 100; };
    Scheme().OnCommand(cmd::AnalysisSettings);
    EXPECT_FALSE(Doc().IsModified());
}

// The depth the transient analysis learns is kept in the document (the options
// page shows it) without counting as an edit.
TEST_F(AnalysisRunTest, TheLearntCheckDepthIsKeptWithoutModifyingTheDocument) {
    Open("rc_lowpass.scm");
    Doc().settings.options.autoCheckDepth = 1;
    Doc().settings.options.checkDepth = 7;
    Scheme().DocumentReloaded(); // as if the file held these
    Analyse(cmd::Transient);
    ASSERT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();
    EXPECT_NE(Doc().settings.options.checkDepth, 7);
    EXPECT_FALSE(Doc().IsModified());
}

} // namespace
} // namespace korvanix::gui
