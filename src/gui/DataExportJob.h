#pragma once

#include "graph/GraphData.h"
#include "gui/DocumentController.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QWidget;

namespace korvanix::document {
class AtomicFile;
}

namespace korvanix::gui {

class CAbortDlg;
class DisabledFrame;

// The data export of a graph pane or window as one piece of work on a thread
// of its own: the text table line by line, or every run as CSV, into a
// temporary file that replaces the chosen one only when complete. The job
// works on copies of the panes, so the window may change or close meanwhile.
// The progress dialog shows on the window thread; "Стоп" asks the worker to
// end after its current line, and the chosen file then stays as it was.
class DataExportJob : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Written, Stopped, WriteFailed, OutOfMemory };

    // `windowTitle` empty: one pane; else every pane of that window. `status`
    // receives the status bar text while `owner` lives.
    static void Start(QWidget* owner, std::vector<graph::GraphData> panes,
                      const QString& windowTitle, bool csv,
                      std::unique_ptr<document::AtomicFile> file, const QString& fileName,
                      std::function<void(const QString&)> status);

    // Exports still running in the program.
    static int RunningCount();
    // Tests hold the worker after a line until they have acted (pressed Stop).
    using LineHook = std::function<void(int line, const std::atomic<bool>& stop)>;
    static void SetLineHook(LineHook hook);

    ~DataExportJob() override;

private:
    DataExportJob(QWidget* owner, std::vector<graph::GraphData> panes, const QString& windowTitle,
                  bool csv, std::unique_ptr<document::AtomicFile> file, const QString& fileName,
                  std::function<void(const QString&)> status);

    // On the worker thread.
    Outcome Write();
    bool WriteText();
    void ReportPercent(int percent);

    // Back on the window thread.
    void Watch();
    void Finished(Outcome outcome);

    QPointer<QWidget> owner_;
    std::vector<graph::GraphData> panes_;
    QString windowTitle_;
    bool csv_;
    std::unique_ptr<document::AtomicFile> file_;
    QString fileName_;
    std::function<void(const QString&)> status_;
    std::atomic<bool> stop_{false};
    // What the worker reports, in atomics the window thread reads: each
    // percentage it reached, then its end (an Outcome; -1 while it runs).
    static constexpr int kSteps = 101;
    std::array<std::atomic<bool>, kSteps> reached_{};
    int shown_ = 0;
    std::atomic<int> outcome_{-1};
    QTimer watch_;
    std::unique_ptr<DisabledFrame> disabled_;
    std::unique_ptr<CAbortDlg> progress_;
    // Joined before anything it wrote is read.
    std::thread thread_;
    // No document arrives while the export runs.
    DocumentController::Moment moment_;
};

} // namespace korvanix::gui
