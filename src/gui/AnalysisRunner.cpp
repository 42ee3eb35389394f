#include "gui/AnalysisRunner.h"

#include "analysis/DocumentAnalysis.h"
#include "analysis/ProgressReporter.h"
#include "document/ScmFile.h"
#include "engine/EngineNotifier.h"
#include "engine/ErrorMessages.h"
#include "graph/ResultsRecorder.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/CommandIds.h"
#include "gui/DocumentController.h"
#include "gui/Messages.h"
#include "gui/PoleZeroJob.h"
#include "gui/PoleZeroWindow.h"
#include "gui/dialogs/CAbortDlg.h"
#include "gui/dialogs/CAnalysisOptionsPropSheet.h"
#include "gui/dialogs/CFreqDlg.h"
#include "gui/dialogs/CTransDlg.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>

namespace korvanix::gui {

namespace {

AnalysisDialogs realDialogs;

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The boxes a formulation shows: one per loop of capacitors and voltage sources,
// captioned with the loop's number, and a failed matrix operation's text.
class BoxNotifier : public engine::EngineNotifier {
public:
    explicit BoxNotifier(QWidget* parent) : parent_(parent) {}
    void LoopWarning(const std::string& caption, const std::string& text) override {
        Messages().WarnCaptioned(parent_, Utf8(caption), Utf8(text));
    }
    void PlainMessage(const std::string& text) override { Messages().Warn(parent_, Utf8(text)); }

private:
    QWidget* parent_;
};

} // namespace

bool AnalysisDialogs::Transient(QWidget* parent, document::TransientSettings& settings,
                                const std::vector<analysis::OfferedOutput>& offered,
                                const model::ElementList& elements) {
    CTransDlg dialog(settings, offered, elements, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    return true;
}

bool AnalysisDialogs::Frequency(QWidget* parent, document::FrequencySettings& settings,
                                const std::vector<analysis::OfferedOutput>& offered,
                                const model::ElementList& elements) {
    CFreqDlg dialog(settings, offered, elements, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    return true;
}

bool AnalysisDialogs::Options(QWidget* parent, document::AnalysisOptions& options) {
    CAnalysisOptionsPropSheet dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    return true;
}

// The progress of the computation as the worker thread reports it: texts are
// kept for the window thread's next pass; a warning waits for its box to be
// closed on the window thread; with lockstep the worker waits after every
// point for the window to take it. The worker never calls into Qt: the window
// thread looks at this state on a short timer, and every hand-over goes
// through our own lock.
class AnalysisRunner::WorkerProgress : public analysis::ProgressReporter {
public:
    WorkerProgress(graph::ResultsRecorder& recorder, bool lockstep)
        : recorder_(recorder), lockstep_(lockstep) {}

    void ShowPercent(const std::string& text) override { Keep(1, text); }
    void ShowRun(const std::string& text) override { Keep(0, text); }

    bool Continue() override {
        recorder_.Publish();
        if (stop_)
            return false;
        if (lockstep_) {
            std::unique_lock<std::mutex> lock(mutex_);
            const uint64_t seen = pumps_;
            wake_.wait(lock, [&] { return pumps_ > seen || abandoned_ || stop_; });
        }
        return !stop_;
    }

    void Warning(const std::string& text) override {
        recorder_.Publish();
        std::unique_lock<std::mutex> lock(mutex_);
        const uint64_t ticket = ++warnings_;
        warning_ = text;
        wake_.wait(lock, [&] { return answered_ >= ticket || abandoned_; });
    }

    // Window thread.
    void RequestStop() {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        wake_.notify_all();
    }
    bool StopRequested() const { return stop_; }
    void Pumped() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++pumps_;
        wake_.notify_all();
    }
    void Answered() {
        std::lock_guard<std::mutex> lock(mutex_);
        answered_ = warnings_;
        wake_.notify_all();
    }
    // The window goes away: nothing waits for it any more.
    void Abandon() {
        std::lock_guard<std::mutex> lock(mutex_);
        abandoned_ = true;
        stop_ = true;
        wake_.notify_all();
    }
    // A warning waiting for its box; false when there is none.
    bool TakeWarning(QString& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (answered_ >= warnings_ || shownWarning_ >= warnings_)
            return false;
        shownWarning_ = warnings_;
        text = Utf8(warning_);
        return true;
    }
    // The computation has ended (its result is written).
    void Done() { done_.store(true, std::memory_order_release); }
    bool IsDone() const { return done_.load(std::memory_order_acquire); }
    // The texts changed since the last call.
    bool TakeTexts(QString (&texts)[2], bool (&changed)[2]) {
        std::lock_guard<std::mutex> lock(mutex_);
        bool any = false;
        for (int row = 0; row < 2; ++row) {
            changed[row] = changed_[row];
            any = any || changed_[row];
            if (changed_[row])
                texts[row] = Utf8(texts_[row]);
            changed_[row] = false;
        }
        return any;
    }

private:
    void Keep(int row, const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (text != texts_[row]) {
            texts_[row] = text;
            changed_[row] = true;
        }
    }

    graph::ResultsRecorder& recorder_;
    const bool lockstep_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string texts_[2];
    bool changed_[2] = {false, false};
    uint64_t pumps_ = 0;
    uint64_t warnings_ = 0;
    uint64_t answered_ = 0;
    uint64_t shownWarning_ = 0;
    std::string warning_;
    std::atomic<bool> done_{false};
    bool abandoned_ = false;
};

// One computation from its start to its end: what the worker reads and writes,
// and what the window shows meanwhile.
class AnalysisRunner::Job {
public:
    // No document arrives while the analysis runs.
    DocumentController::Moment moment;
    bool frequency = false;
    std::unique_ptr<analysis::DocumentAnalysis> analysis;
    QPointer<CMultiGraphWnd> graphs;
    std::unique_ptr<graph::ResultsRecorder> recorder;
    std::unique_ptr<WorkerProgress> progress;
    std::unique_ptr<CAbortDlg> dialog;
    // Joined before anything it wrote is read.
    std::thread thread;
    // Written by the worker before it signals its end.
    analysis::DocumentAnalysisResult result;
};

AnalysisRunner::AnalysisRunner(AnalysisHost& host) : host_(host), dialogs_(&realDialogs) {
    connect(&pump_, &QTimer::timeout, this, &AnalysisRunner::Pump);
    connect(&watch_, &QTimer::timeout, this, &AnalysisRunner::Watch);
}

AnalysisRunner::~AnalysisRunner() {
    if (job_) {
        job_->progress->Abandon();
        job_->thread.join();
        if (job_->graphs)
            job_->graphs->SetBusy(false);
    }
}

void AnalysisRunner::SetDialogs(AnalysisDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : &realDialogs;
}

CAbortDlg* AnalysisRunner::ProgressDialog() const {
    return job_ ? job_->dialog.get() : nullptr;
}

void AnalysisRunner::RequestStop() {
    if (job_)
        job_->progress->RequestStop();
}

void AnalysisRunner::AfterRun(std::function<void()> action) {
    if (!job_) {
        action();
        return;
    }
    afterRun_.push_back(std::move(action));
}

void AnalysisRunner::RunActionsAfterRun() {
    std::vector<std::function<void()>> actions;
    actions.swap(afterRun_);
    for (auto& action : actions)
        action();
}

template <typename Record> bool AnalysisRunner::Store(Record& stored, const Record& edited) {
    if (std::memcmp(&stored, &edited, sizeof(Record)) == 0)
        return false;
    stored = edited;
    host_.Documents().SettingsEdited();
    return true;
}

void AnalysisRunner::EditOptions() {
    const DocumentController::Moment moment;
    document::Document& doc = host_.Documents().Doc();
    document::AnalysisOptions options = doc.settings.options;
    if (dialogs_->Options(host_.Frame(), options))
        Store(doc.settings.options, options);
}

void AnalysisRunner::CloseResults() {
    for (const char* title : {kTransientGraphTitle, kFrequencyGraphTitle})
        if (CMultiGraphWnd* graphs = CMultiGraphWnd::Find(QString::fromUtf8(title)))
            graphs->close();
    // A pole-zero analysis under way was of the circuit that goes: its end is
    // waited for and dropped.
    if (poleZero_) {
        poleZero_.reset();
        host_.RefreshAnalysisCommands();
    }
    if (PoleZeroWindow* poles = PoleZeroWindow::Find())
        poles->close();
}

void AnalysisRunner::PoleZero() {
    if (poleZero_)
        return;
    poleZero_ = std::make_unique<PoleZeroJob>(host_.Documents().Doc().Serialize());
    connect(poleZero_.get(), &PoleZeroJob::finished, this, &AnalysisRunner::PoleZeroFinished,
            Qt::QueuedConnection);
    host_.RefreshAnalysisCommands();
}

void AnalysisRunner::PoleZeroFinished() {
    if (!poleZero_ || !poleZero_->Done())
        return;
    const std::unique_ptr<PoleZeroJob> job = std::move(poleZero_);
    host_.RefreshAnalysisCommands();
    const analysis::PoleZeroReport& report = job->Report();
    QWidget* frame = host_.Frame();
    if (report.outcome != analysis::PoleZeroOutcome::Success) {
        if (job->FaultyElementId() != 0) {
            host_.Documents().Doc().scheme.SelectIds({job->FaultyElementId()});
            host_.ShowSelection();
        }
        Messages().Warn(frame, Utf8(report.message));
        emit poleZeroFinished();
        return;
    }
    PoleZeroWindow* window = PoleZeroWindow::Find();
    if (!window) {
        const QRect rect = host_.SheetArea().adjusted(20, 20, -20, -20);
        window = new PoleZeroWindow(
            frame, rect.width() > 400 && rect.height() > 300 ? std::optional(rect) : std::nullopt);
    }
    window->SetReport(report);
    window->show();
    window->raise();
    window->activateWindow();
    emit poleZeroFinished();
}

CMultiGraphWnd* AnalysisRunner::GraphWindow(bool frequency, bool& created) {
    const QString title =
        QString::fromUtf8(frequency ? kFrequencyGraphTitle : kTransientGraphTitle);
    created = false;
    if (CMultiGraphWnd* open = CMultiGraphWnd::Find(title))
        return open;
    created = true;
    // Over the sheet, a little inside it, so that the circuit still shows around.
    const QRect rect = host_.SheetArea().adjusted(10, 10, -20, -20);
    return new CMultiGraphWnd(host_.Frame(), title,
                              rect.width() > 200 && rect.height() > 150 ? std::optional(rect)
                                                                        : std::nullopt);
}

void AnalysisRunner::Run(bool frequency) {
    if (job_)
        return;
    auto job = std::make_unique<Job>();
    job->frequency = frequency;
    QWidget* frame = host_.Frame();
    document::Document& doc = host_.Documents().Doc();
    job->analysis = std::make_unique<analysis::DocumentAnalysis>(doc, frequency);
    analysis::DocumentAnalysis& analysis = *job->analysis;

    BoxNotifier notifier(frame);
    const model::SchemeError formulated = analysis.Formulate(notifier);
    if (formulated.Code() != 0) {
        host_.ShowSelection();
        Messages().Warn(frame, Utf8(engine::SchemeErrorMessage(formulated)));
        return;
    }

    const std::vector<analysis::OfferedOutput> offered = analysis.Offered();
    if (frequency) {
        document::FrequencySettings settings = doc.settings.frequency;
        if (!dialogs_->Frequency(frame, settings, offered, doc.scheme.elements))
            return;
        Store(doc.settings.frequency, settings);
    } else {
        document::TransientSettings settings = doc.settings.transient;
        if (!dialogs_->Transient(frame, settings, offered, doc.scheme.elements))
            return;
        Store(doc.settings.transient, settings);
    }

    std::string message = analysis.Plan();
    if (!message.empty()) {
        Messages().Warn(frame, Utf8(message));
        return;
    }

    CMultiGraphWnd* graphs = nullptr;
    bool created = false;
    try {
        graphs = GraphWindow(frequency, created);
        message = analysis.Configure(*graphs);
        if (message.empty())
            job->recorder = std::make_unique<graph::ResultsRecorder>(*graphs);
    } catch (const std::bad_alloc&) {
        message = document::OutOfMemoryMessage();
    }
    if (!message.empty()) {
        // A window made for this analysis and never filled is not left behind.
        if (graphs && created)
            delete graphs;
        Messages().Warn(frame, Utf8(message));
        return;
    }
    graphs->ShowWindow();
    graphs->raise();
    graphs->activateWindow();
    job->graphs = graphs;
    graphs->SetBusy(true);

    job->progress =
        std::make_unique<WorkerProgress>(*job->recorder, interval_ == std::chrono::milliseconds(0));
    job->dialog = std::make_unique<CAbortDlg>(
        QString::fromUtf8(frequency ? "АЧХ/ФЧХ" : "Переходный процесс"), frame);
    CAbortDlg& dialog = *job->dialog;
    connect(&dialog, &CAbortDlg::stopRequested, this, [this] { RequestStop(); });
    // Only the progress window takes input meanwhile. A modal window blocks the
    // others as a disabled frame would, without repainting every one of them in
    // its disabled look and back, which would cost a small analysis more than
    // its computation.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();

    Job* running = job.get();
    job_ = std::move(job);
    host_.RefreshAnalysisCommands();
    pump_.start(std::max(interval_, std::chrono::milliseconds(1)));
    watch_.start(kWatchInterval);
    emit started(&dialog);
    running->thread = std::thread([this, running] {
        try {
            running->result = running->analysis->Compute(*running->recorder, *running->progress);
        } catch (const std::bad_alloc&) {
            running->result.outcome = analysis::DocumentAnalysisOutcome::AnalysisFailed;
            running->result.message = document::OutOfMemoryMessage();
        }
        running->recorder->Publish();
        running->progress->Done();
    });
}

void AnalysisRunner::Watch() {
    if (!job_)
        return;
    QString warning;
    if (job_->progress->TakeWarning(warning))
        ShowWarning(warning);
    else if (job_->progress->IsDone())
        Finished();
    else if (interval_ == std::chrono::milliseconds(0))
        Pump();
    // The window takes the points while the worker goes on; it draws them at
    // its own pace.
    else if (job_->graphs)
        job_->recorder->ReplayInto(*job_->graphs);
}

void AnalysisRunner::Pump() {
    if (!job_)
        return;
    Job& job = *job_;
    if (job.graphs) {
        job.recorder->ReplayInto(*job.graphs);
        job.graphs->FlushLive();
    }
    QString texts[2];
    bool changed[2] = {false, false};
    if (job.progress->TakeTexts(texts, changed))
        for (int row = 0; row < 2; ++row)
            if (changed[row])
                job.dialog->SetRowText(row, texts[row]);
    job.progress->Pumped();
}

void AnalysisRunner::ShowWarning(const QString& text) {
    if (!job_)
        return;
    // The curves show what came before the warning.
    Pump();
    CAbortDlg* dialog = job_->dialog.get();
    Messages().Warn(dialog && dialog->isVisible() ? static_cast<QWidget*>(dialog) : nullptr, text);
    if (job_)
        job_->progress->Answered();
}

void AnalysisRunner::Finished() {
    if (!job_)
        return;
    job_->thread.join();
    pump_.stop();
    watch_.stop();
    Pump();
    std::unique_ptr<Job> job = std::move(job_);
    if (!job->frequency && job->analysis->Options().autoCheckDepth != 0)
        host_.Documents().Session().KeepLearntCheckDepth(job->analysis->Options().checkDepth);
    job->dialog->hide();
    if (job->graphs)
        job->graphs->SetBusy(false);
    host_.RefreshAnalysisCommands();
    const analysis::DocumentAnalysisResult result = job->result;
    job.reset();
    if (result.outcome != analysis::DocumentAnalysisOutcome::Success && !result.message.empty())
        Messages().Warn(host_.Frame(), Utf8(result.message));
    emit finished();
    RunActionsAfterRun();
}

} // namespace korvanix::gui
