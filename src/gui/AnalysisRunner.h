#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "gui/dialogs/CAbortDlg.h"
#include "model/Element.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <vector>

class QWidget;

namespace korvanix::gui {

class CMultiGraphWnd;
class CSchemeWnd;

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

// The analysis commands of the scheme window: the transient and the frequency
// analysis from the circuit check to the last point in the graph window, and
// the analysis options.
//
// An analysis runs on the window thread, as everything else does, with its
// progress window ("Стоп") modal so that nothing else takes input. It
// lets the window system in at a bounded rate rather than after every point: a
// point of a small circuit takes microseconds, far less than a pass of the
// event loop. The same pass draws the points that came since the last one.
class AnalysisRunner : public QObject {
    Q_OBJECT
public:
    // How often, at most, events are dispatched while an analysis runs.
    static constexpr std::chrono::milliseconds kDispatchInterval{30};

    explicit AnalysisRunner(CSchemeWnd& scheme);
    ~AnalysisRunner() override;

    // Commands 40039 and 60018, to the end of the computation.
    void Run(bool frequency);
    // Command 60008.
    void EditOptions();

    bool IsRunning() const { return running_; }
    // Ends the running analysis after its current point, as "Стоп" does.
    void RequestStop();
    // Runs `action` once the running analysis has ended (at once when none runs):
    // what must not happen under a running analysis, such as replacing the
    // document or closing the program, waits for it.
    void AfterRun(std::function<void()> action);

    // Null restores the real dialogs.
    void SetDialogs(AnalysisDialogs* dialogs);
    // Tests dispatch after every point to stop at a chosen one.
    void SetDispatchInterval(std::chrono::milliseconds interval) { interval_ = interval; }
    // The progress window of the running analysis; null when none runs.
    CAbortDlg* ProgressDialog() const { return progress_; }

signals:
    // An analysis began computing; its progress window is shown.
    void started(CAbortDlg* progress);
    // An analysis ended, however it ended.
    void finished();

private:
    class Progress;

    // The analysis commands' own state toggles: none runs twice.
    void SetCommandsEnabled(bool on);
    // Stores a dialog's record when its bytes changed; true when they did.
    template <typename Record> bool Store(Record& stored, const Record& edited);
    // The open window of the analysis, or a new one (`created`).
    CMultiGraphWnd* GraphWindow(bool frequency, bool& created);
    void RunActionsAfterRun();

    CSchemeWnd& scheme_;
    AnalysisDialogs* dialogs_;
    bool running_ = false;
    bool stop_ = false;
    QPointer<CAbortDlg> progress_;
    std::chrono::milliseconds interval_ = kDispatchInterval;
    std::vector<std::function<void()>> afterRun_;
};

} // namespace korvanix::gui
