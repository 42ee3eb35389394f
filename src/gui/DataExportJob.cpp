#include "gui/DataExportJob.h"

#include "document/AtomicFile.h"
#include "graph/CsvTable.h"
#include "graph/DataTable.h"
#include "gui/Messages.h"
#include "gui/dialogs/CAbortDlg.h"

#include <QWidget>

#include <mutex>
#include <new>

namespace korvanix::gui {

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

int running = 0;
// How often the window looks at what the worker reported.
constexpr int kWatchMs = 5;
std::mutex hookMutex;
DataExportJob::LineHook lineHook;

DataExportJob::LineHook CurrentHook() {
    std::lock_guard<std::mutex> lock(hookMutex);
    return lineHook;
}

// Lines gathered into blocks before they go to the file: one system call per
// line would dominate a long export.
class BlockWriter {
public:
    explicit BlockWriter(document::AtomicFile& file) : file_(file) {}
    bool Add(const std::string& bytes) {
        block_ += bytes;
        return block_.size() < kBlock || Flush();
    }
    bool Flush() {
        const bool written = file_.Write(block_.data(), block_.size());
        block_.clear();
        return written;
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    document::AtomicFile& file_;
    std::string block_;
};

// The window that is disabled while an export runs: the main window when the
// graph window has one, the graph window itself otherwise.
QWidget* FrameOf(QWidget* owner) {
    QWidget* frame = owner ? owner->window() : nullptr;
    if (frame && frame->parentWidget())
        frame = frame->parentWidget()->window();
    return frame;
}

} // namespace

// Keeps the frame disabled for the lifetime of the export, whatever way it ends.
class DisabledFrame {
public:
    explicit DisabledFrame(QWidget* frame) : frame_(frame) {
        if (frame_)
            frame_->setEnabled(false);
    }
    ~DisabledFrame() {
        if (frame_)
            frame_->setEnabled(true);
    }
    DisabledFrame(const DisabledFrame&) = delete;
    DisabledFrame& operator=(const DisabledFrame&) = delete;

private:
    QPointer<QWidget> frame_;
};

int DataExportJob::RunningCount() {
    return running;
}

void DataExportJob::SetLineHook(LineHook hook) {
    std::lock_guard<std::mutex> lock(hookMutex);
    lineHook = std::move(hook);
}

DataExportJob::DataExportJob(QWidget* owner, std::vector<graph::GraphData> panes,
                             const QString& windowTitle, bool csv,
                             std::unique_ptr<document::AtomicFile> file, const QString& fileName,
                             std::function<void(const QString&)> status)
    : owner_(owner), panes_(std::move(panes)), windowTitle_(windowTitle), csv_(csv),
      file_(std::move(file)), fileName_(fileName), status_(std::move(status)) {
    ++running;
}

DataExportJob::~DataExportJob() {
    if (thread_.joinable())
        thread_.join();
    --running;
}

void DataExportJob::Start(QWidget* owner, std::vector<graph::GraphData> panes,
                          const QString& windowTitle, bool csv,
                          std::unique_ptr<document::AtomicFile> file, const QString& fileName,
                          std::function<void(const QString&)> status) {
    auto* job = new DataExportJob(owner, std::move(panes), windowTitle, csv, std::move(file),
                                  fileName, std::move(status));
    QWidget* frame = FrameOf(owner);
    job->disabled_ = std::make_unique<DisabledFrame>(frame);
    if (!csv) {
        job->progress_ = std::make_unique<CAbortDlg>(U("Сохранение..."), frame);
        CAbortDlg& progress = *job->progress_;
        progress.SetRowCaption(0, windowTitle.isEmpty() ? U("Имя Файла :") : U("Имя файла :"));
        progress.SetRowText(0, fileName);
        progress.SetRowText(1, QString());
        connect(&progress, &CAbortDlg::stopRequested, job, [job] { job->stop_ = true; });
        progress.show();
    }
    job->thread_ = std::thread([job] {
        Outcome outcome = Outcome::WriteFailed;
        try {
            outcome = job->Write();
        } catch (const std::bad_alloc&) {
            outcome = Outcome::OutOfMemory;
        }
        job->outcome_.store(static_cast<int>(outcome), std::memory_order_release);
    });
    // The worker never calls into Qt: the window thread looks at what it
    // reported, through our own lock.
    connect(&job->watch_, &QTimer::timeout, job, &DataExportJob::Watch);
    job->watch_.start(kWatchMs);
}

DataExportJob::Outcome DataExportJob::Write() {
    if (csv_) {
        std::vector<const graph::GraphData*> data;
        for (const graph::GraphData& pane : panes_)
            data.push_back(&pane);
        const graph::GraphData& first = panes_.front();
        const bool sweep = first.RunCount() > 1 || !first.RunLabel().empty();
        const std::string text = graph::CsvTable(data, sweep);
        if (!file_->Write(text.data(), text.size()))
            return Outcome::WriteFailed;
    } else if (!WriteText()) {
        return stop_ ? Outcome::Stopped : Outcome::WriteFailed;
    }
    if (stop_)
        return Outcome::Stopped;
    return file_->Commit() == document::WriteOutcome::Written ? Outcome::Written
                                                              : Outcome::WriteFailed;
}

bool DataExportJob::WriteText() {
    std::vector<graph::GraphData*> panes;
    for (graph::GraphData& pane : panes_)
        panes.push_back(&pane);
    const graph::DataTable table = windowTitle_.isEmpty()
                                       ? graph::DataTable(*panes.front())
                                       : graph::DataTable(windowTitle_.toStdString(), panes);
    const LineHook hook = CurrentHook();
    BlockWriter out(*file_);
    if (!out.Add(graph::ToFileBytes(table.Head())))
        return false;
    const int count = table.LineCount();
    for (int i = 0; i < count; ++i) {
        if (!out.Add(graph::ToFileBytes(table.Line(i))))
            return false;
        if (const auto percent = graph::ExportProgress(i, count))
            ReportPercent(*percent);
        if (hook)
            hook(i, stop_);
        if (stop_)
            return false;
    }
    return out.Flush();
}

void DataExportJob::ReportPercent(int percent) {
    if (percent >= 0 && percent < kSteps)
        reached_[percent].store(true, std::memory_order_release);
}

void DataExportJob::Watch() {
    const int outcome = outcome_.load(std::memory_order_acquire);
    // The worker reaches the steps in increasing order: everything up to the
    // highest one seen is known, and every step reached is shown, in order.
    int highest = kSteps - 1;
    while (highest >= shown_ && !reached_[highest].load(std::memory_order_acquire))
        --highest;
    for (; shown_ <= highest; ++shown_)
        if (progress_ && reached_[shown_].load(std::memory_order_relaxed))
            progress_->SetRowText(1, QString::fromStdString(graph::ProgressText(shown_)));
    if (outcome >= 0) {
        watch_.stop();
        Finished(static_cast<Outcome>(outcome));
    }
}

void DataExportJob::Finished(Outcome outcome) {
    thread_.join();
    if (outcome != Outcome::Written)
        file_->Abandon();
    progress_.reset();
    disabled_.reset();
    QWidget* parent = owner_.data();
    switch (outcome) {
    case Outcome::Written:
        if (owner_ && status_)
            status_(U("Сохранение завершено."));
        break;
    case Outcome::Stopped:
        // The chosen file keeps what it held: a table cut short is no result.
        if (owner_ && status_)
            status_(U("Сохранение прервано."));
        break;
    case Outcome::WriteFailed:
        Messages().Warn(parent, U("Ошибка записи в файл ") + fileName_);
        break;
    case Outcome::OutOfMemory:
        Messages().Warn(parent, U("Ошибка выделения памяти."));
        break;
    }
    deleteLater();
}

} // namespace korvanix::gui
