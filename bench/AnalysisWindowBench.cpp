// Whole runs of an analysis in the desktop program against the batch tool.
//
//   QT_QPA_PLATFORM=offscreen analysis_window_bench [RUNS] DOCUMENT...
//
// A DOCUMENT given as sweep20:PATH is PATH with its transient sweep turned on
// for 20 values (saved to a scratch folder first, so both sides read it).
//
// For every document, and for the analysis its settings are made for (a
// document whose name ends in "_ac.scm" gets the frequency analysis, the
// others the transient one), it times RUNS (default 5) whole processes of
// `korvanix-cli transient|frequency DOCUMENT --quiet -o FILE` and RUNS runs of
// the command in the main window, from the command to the graph window painted
// with every point, with drawing during the computation off and on. It prints
// the medians, their ratios, and the longest time the window's event loop went
// without a turn while the analysis ran (a 1 ms timer of the harness measures
// it; the progress window answers within that time), and how long the analysis
// took to end after "Стоп" was pressed 20 ms into a run (-1: it ended first).

#include "document/Document.h"
#include "gui/AnalysisRunner.h"
#include "gui/CMainWnd.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/Messages.h"
#include "gui/dialogs/CAbortDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace korvanix;

class NoPrompts : public document::DocumentPrompts {
public:
    document::Answer Ask(const std::string&, bool) override { return document::Answer::No; }
    void Warn(const std::string&) override {}
    bool ChooseSavePath(const std::string&, std::string&) override { return false; }
};

// The document with its transient sweep on for 20 values, saved into `folder`.
QString TwentyRunSweep(const QString& path, const QTemporaryDir& folder) {
    document::Document doc;
    if (!doc.Open(path.toStdString()).read)
        return {};
    doc.settings.transient.sweepEnabled = 1;
    doc.settings.transient.sweep.graphCount = 20;
    const QString copy = folder.filePath(QStringLiteral("sweep20_") + QFileInfo(path).fileName());
    NoPrompts prompts;
    return doc.SaveAs(copy.toStdString(), prompts).saved ? copy : QString();
}

class QuietMessages : public gui::MessageService {
public:
    void Warn(QWidget*, const QString& text) override {
        std::fprintf(stderr, "warning: %s\n", text.toUtf8().constData());
    }
    void WarnCaptioned(QWidget*, const QString&, const QString& text) override {
        Warn(nullptr, text);
    }
    void Inform(QWidget*, const QString&) override {}
    gui::Reply Ask(QWidget*, const QString&, bool) override { return gui::Reply::No; }
};

// OK with the stored settings, as a user who only presses Enter.
class AcceptDialogs : public gui::AnalysisDialogs {
public:
    bool Transient(QWidget*, document::TransientSettings&,
                   const std::vector<analysis::OfferedOutput>&,
                   const model::ElementList&) override {
        return true;
    }
    bool Frequency(QWidget*, document::FrequencySettings&,
                   const std::vector<analysis::OfferedOutput>&,
                   const model::ElementList&) override {
        return true;
    }
};

// The command returns once the computation has started on its worker; the
// harness waits for its end in a loop of its own.
void WaitForTheEnd(gui::CSchemeWnd& scheme) {
    if (!scheme.IsAnalysing())
        return;
    QEventLoop loop;
    QObject::connect(&scheme.Analyses(), &gui::AnalysisRunner::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double CliMs(const QString& path, bool frequency, const QString& out) {
    QElapsedTimer clock;
    clock.start();
    QProcess cli;
    cli.start(QStringLiteral(KORVANIX_CLI),
              {frequency ? QStringLiteral("frequency") : QStringLiteral("transient"), path,
               QStringLiteral("--quiet"), QStringLiteral("-o"), out});
    cli.waitForFinished(-1);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (cli.exitCode() != 0)
        std::fprintf(stderr, "korvanix-cli failed on %s\n", path.toUtf8().constData());
    return ms;
}

struct WindowRun {
    double ms = 0;
    double stallMs = 0; // longest gap between turns of the event loop
};

WindowRun WindowMs(gui::CMainWnd& wnd, const QString& path, bool frequency, bool live) {
    gui::CSchemeWnd& scheme = *wnd.SchemeWnd();
    scheme.Doc().Open(path.toStdString());
    scheme.Doc().settings.options.plotWhileRunning = live ? 1 : 0;
    scheme.DocumentReloaded();
    QApplication::processEvents();

    QElapsedTimer gap;
    double longest = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
        gap.restart();
    });
    QObject::connect(
        &scheme.Analyses(), &gui::AnalysisRunner::started, &tick,
        [&] {
            gap.start();
            tick.start();
        },
        Qt::SingleShotConnection);

    QElapsedTimer clock;
    clock.start();
    scheme.OnCommand(frequency ? gui::cmd::Frequency : gui::cmd::Transient);
    WaitForTheEnd(scheme);
    tick.stop();
    // The wait from the last turn to the end of the command counts too.
    if (gap.isValid())
        longest = std::max(longest, static_cast<double>(gap.nsecsElapsed()) / 1e6);
    // The whole result on the screen: the last layout and paint of the panes.
    QApplication::processEvents();
    WindowRun run;
    run.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    run.stallMs = longest;
    return run;
}

// Presses "Стоп" 20 ms into the run; the time from the press to the end of the
// command.
double StopMs(gui::CMainWnd& wnd, const QString& path, bool frequency) {
    gui::CSchemeWnd& scheme = *wnd.SchemeWnd();
    scheme.Doc().Open(path.toStdString());
    scheme.DocumentReloaded();
    QApplication::processEvents();
    QElapsedTimer sincePress;
    QObject::connect(
        &scheme.Analyses(), &gui::AnalysisRunner::started, &wnd,
        [&](gui::CAbortDlg* progress) {
            QTimer::singleShot(20, progress, [&sincePress, progress] {
                sincePress.start();
                progress->StopButton()->click();
            });
        },
        Qt::SingleShotConnection);
    scheme.OnCommand(frequency ? gui::cmd::Frequency : gui::cmd::Transient);
    WaitForTheEnd(scheme);
    return sincePress.isValid() ? static_cast<double>(sincePress.nsecsElapsed()) / 1e6 : -1;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    int runs = 5;
    if (!args.isEmpty() && args.front().toInt() > 0)
        runs = args.takeFirst().toInt();
    if (args.isEmpty()) {
        std::fprintf(stderr, "Usage: analysis_window_bench [RUNS] DOCUMENT...\n");
        return 2;
    }

    QuietMessages messages;
    gui::SetMessageService(&messages);
    AcceptDialogs dialogs;
    gui::CMainWnd wnd;
    wnd.resize(1280, 800);
    wnd.show();
    wnd.SchemeWnd()->Analyses().SetDialogs(&dialogs);
    QTemporaryDir scratch;
    const QString out = scratch.filePath(QStringLiteral("out.txt"));

    std::printf("%-28s %-9s %10s %10s %6s %10s %6s %10s %10s\n", "document", "analysis", "cli ms",
                "window ms", "ratio", "live ms", "ratio", "stall ms", "stop ms");
    for (QString path : args) {
        if (path.startsWith(QStringLiteral("sweep20:"))) {
            path = TwentyRunSweep(path.mid(8), scratch);
            if (path.isEmpty()) {
                std::fprintf(stderr, "cannot prepare the sweep document\n");
                return 1;
            }
        }
        const bool frequency = path.endsWith(QStringLiteral("_ac.scm"));
        std::vector<double> cli, off, on;
        double stall = 0;
        double stop = -1; // stays -1 when every run ended before the press
        for (int i = 0; i < runs; ++i) {
            cli.push_back(CliMs(path, frequency, out));
            const WindowRun a = WindowMs(wnd, path, frequency, false);
            const WindowRun b = WindowMs(wnd, path, frequency, true);
            off.push_back(a.ms);
            on.push_back(b.ms);
            stall = std::max({stall, a.stallMs, b.stallMs});
            stop = std::max(stop, StopMs(wnd, path, frequency));
        }
        const double c = Median(cli);
        std::printf("%-28s %-9s %10.1f %10.1f %6.2f %10.1f %6.2f %10.1f %10.1f\n",
                    QFileInfo(path).fileName().toUtf8().constData(),
                    frequency ? "frequency" : "transient", c, Median(off), Median(off) / c,
                    Median(on), Median(on) / c, stall, stop);
    }
    gui::SetMessageService(nullptr);
    return 0;
}
