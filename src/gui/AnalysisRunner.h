#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "gui/dialogs/CAbortDlg.h"
#include "model/Element.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace korvanix::gui {

class CMultiGraphWnd;
class PoleZeroJob;
class DocumentController;

// The dialogs of the analysis commands, each on a copy of its record that it
// changes only when it returns true. Tests install their own to answer them.
class AnalysisDialogs {
public:
    virtual ~AnalysisDialogs() = default;
    virtual bool Transient(QWidget* parent, document::TransientSettings& settings,
                           const std::vector<analysis::OfferedOutput>& offered,
                           const model::ElementList& elements);
    virtual bool Frequency(QWidget* parent, document::FrequencySettings& settings,
                           const std::vector<analysis::OfferedOutput>& offered,
                           const model::ElementList& elements);
    virtual bool Options(QWidget* parent, document::AnalysisOptions& options);
};

// What the analysis commands need of the window they run from.
class AnalysisHost {
public:
    virtual ~AnalysisHost() = default;
    virtual DocumentController& Documents() = 0;
    // The frame the dialogs and boxes belong to.
    virtual QWidget* Frame() = 0;
    // The sheet's area on the screen: a new graph window opens over it.
    virtual QRect SheetArea() const = 0;
    // A faulty element the check selected is brought into view.
    virtual void ShowSelection() = 0;
    // The analysis commands follow: off while one runs.
    virtual void RefreshAnalysisCommands() = 0;
};

// The analysis commands of the scheme window: the transient and the frequency
// analysis from the circuit check to the last point in the graph window, and
// the analysis options.
//
// The check, the dialog and the graph set-up run on the window thread; the
// computation runs on a worker thread of its own and hands its points over
// through a recorder. The window thread takes them at a bounded rate (a timer),
// draws them, and shows the progress texts; "Стоп" sets a flag the worker
// reads after every point. The progress window is modal, so that only it
// takes input while the analysis runs, and the document controller holds
// back any document that arrives meanwhile.
class AnalysisRunner : public QObject {
    Q_OBJECT
public:
    // How often the window takes the points computed meanwhile.
    static constexpr std::chrono::milliseconds kDispatchInterval{30};
    // How often the window looks at the worker's state.
    static constexpr std::chrono::milliseconds kWatchInterval{1};

    explicit AnalysisRunner(AnalysisHost& host);
    // A running computation is stopped and waited for.
    ~AnalysisRunner() override;

    // Commands 40039 and 60018: returns once the computation has started (or
    // ended before it, on a refusal); `finished` follows its end.
    void Run(bool frequency);
    // Command 60008.
    void EditOptions();
    // The pole-zero analysis of the document as it now is, with its frequency
    // settings, on a worker; its window opens (or is refreshed) when it ends.
    void PoleZero();
    bool PoleZeroRunning() const { return poleZero_ != nullptr; }
    // The results of a circuit no longer open go: they would be read as the
    // new one's.
    void CloseResults();

    bool IsRunning() const { return job_ != nullptr; }
    // Ends the running analysis after its current point, as "Стоп" does.
    void RequestStop();
    // Runs `action` once the running analysis has ended (at once when none runs):
    // what must not happen under a running analysis, such as replacing the
    // document or closing the program, waits for it.
    void AfterRun(std::function<void()> action);

    // Null restores the real dialogs.
    void SetDialogs(AnalysisDialogs* dialogs);
    // Zero makes the worker wait after every point until the window has taken
    // it, so that tests can stop at a chosen point.
    void SetDispatchInterval(std::chrono::milliseconds interval) { interval_ = interval; }
    // The progress window of the running analysis; null when none runs.
    CAbortDlg* ProgressDialog() const;

signals:
    // An analysis began computing; its progress window is shown.
    void started(CAbortDlg* progress);
    // An analysis ended, however it ended.
    void finished();
    // The pole-zero analysis ended; its window shows the results (or a box said
    // why there are none).
    void poleZeroFinished();

private:
    class Job;
    class WorkerProgress;

    // Stores a dialog's record when its bytes changed; true when they did.
    template <typename Record> bool Store(Record& stored, const Record& edited);
    // The open window of the analysis, or a new one (`created`).
    CMultiGraphWnd* GraphWindow(bool frequency, bool& created);
    // Takes what the worker computed since the last time into the window.
    void Pump();
    // What the worker asks for (a warning box, its end), and its points
    // without drawing them.
    void Watch();
    // A warning of the computation, in a box on the window thread.
    void ShowWarning(const QString& text);
    void Finished();
    void RunActionsAfterRun();
    void PoleZeroFinished();

    AnalysisHost& host_;
    AnalysisDialogs* dialogs_;
    std::unique_ptr<Job> job_;
    std::unique_ptr<PoleZeroJob> poleZero_;
    QTimer pump_;
    QTimer watch_;
    std::chrono::milliseconds interval_ = kDispatchInterval;
    std::vector<std::function<void()>> afterRun_;
};

} // namespace korvanix::gui
