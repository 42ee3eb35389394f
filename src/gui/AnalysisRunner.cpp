#include "gui/AnalysisRunner.h"

#include "analysis/DocumentAnalysis.h"
#include "analysis/ProgressReporter.h"
#include "document/ScmFile.h"
#include "engine/EngineNotifier.h"
#include "engine/ErrorMessages.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/DocumentController.h"
#include "gui/Messages.h"
#include "gui/dialogs/CAbortDlg.h"
#include "gui/dialogs/CAnalysisOptionsPropSheet.h"
#include "gui/dialogs/CFreqDlg.h"
#include "gui/dialogs/CTransDlg.h"

#include <QApplication>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
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

// What the analysis shows while it runs, and the pass of the event loop it lets
// in now and then. Texts are kept until that pass, so a sweep of many short runs
// costs one label update per pass rather than one per run.
class AnalysisRunner::Progress : public analysis::ProgressReporter {
public:
    using Clock = std::chrono::steady_clock;

    Progress(AnalysisRunner& runner, CAbortDlg& dialog, CMultiGraphWnd& graphs)
        : runner_(runner), dialog_(dialog), graphs_(graphs), last_(Clock::now()) {}

    void ShowPercent(const std::string& text) override { Keep(1, text); }
    void ShowRun(const std::string& text) override { Keep(0, text); }

    bool Continue() override {
        if (runner_.stop_)
            return false;
        if (Clock::now() - last_ >= runner_.interval_)
            Dispatch();
        return !runner_.stop_;
    }

    void Warning(const std::string& text) override {
        Flush();
        Messages().Warn(dialog_.isVisible() ? static_cast<QWidget*>(&dialog_) : nullptr,
                        Utf8(text));
        last_ = Clock::now();
    }

    // The texts and points still waiting for a pass.
    void Flush() {
        for (int row = 0; row < 2; ++row)
            if (changed_[row]) {
                changed_[row] = false;
                dialog_.SetRowText(row, texts_[row]);
            }
        graphs_.FlushLive();
    }

private:
    void Keep(int row, const std::string& text) {
        const QString q = Utf8(text);
        if (q != texts_[row]) {
            texts_[row] = q;
            changed_[row] = true;
        }
    }

    void Dispatch() {
        Flush();
        QApplication::processEvents(QEventLoop::AllEvents);
        last_ = Clock::now();
    }

    AnalysisRunner& runner_;
    CAbortDlg& dialog_;
    CMultiGraphWnd& graphs_;
    Clock::time_point last_;
    QString texts_[2];
    bool changed_[2] = {false, false};
};

AnalysisRunner::AnalysisRunner(CSchemeWnd& scheme) : scheme_(scheme), dialogs_(&realDialogs) {}

AnalysisRunner::~AnalysisRunner() = default;

void AnalysisRunner::SetDialogs(AnalysisDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : &realDialogs;
}

void AnalysisRunner::RequestStop() {
    if (running_)
        stop_ = true;
}

void AnalysisRunner::AfterRun(std::function<void()> action) {
    if (!running_) {
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

void AnalysisRunner::SetCommandsEnabled(bool on) {
    scheme_.SetAnalysisCommandsEnabled(on);
}

template <typename Record> bool AnalysisRunner::Store(Record& stored, const Record& edited) {
    if (std::memcmp(&stored, &edited, sizeof(Record)) == 0)
        return false;
    stored = edited;
    scheme_.Documents().SettingsEdited();
    return true;
}

void AnalysisRunner::EditOptions() {
    const DocumentController::Moment moment;
    document::Document& doc = scheme_.Doc();
    document::AnalysisOptions options = doc.settings.options;
    if (dialogs_->Options(scheme_.window(), options))
        Store(doc.settings.options, options);
}

CMultiGraphWnd* AnalysisRunner::GraphWindow(bool frequency, bool& created) {
    const QString title =
        QString::fromUtf8(frequency ? kFrequencyGraphTitle : kTransientGraphTitle);
    created = false;
    if (CMultiGraphWnd* open = CMultiGraphWnd::Find(title))
        return open;
    created = true;
    // Over the sheet, a little inside it, so that the circuit still shows around.
    QWidget* area = scheme_.viewport();
    const QRect client(area->mapToGlobal(QPoint(0, 0)), area->size());
    const QRect rect = client.adjusted(10, 10, -20, -20);
    return new CMultiGraphWnd(scheme_.window(), title,
                              rect.width() > 200 && rect.height() > 150 ? std::optional(rect)
                                                                        : std::nullopt);
}

void AnalysisRunner::Run(bool frequency) {
    if (running_)
        return;
    // From the check to the last point the document stays the one analysed.
    const DocumentController::Moment moment;
    QWidget* frame = scheme_.window();
    document::Document& doc = scheme_.Doc();
    analysis::DocumentAnalysis analysis(doc, frequency);

    BoxNotifier notifier(frame);
    const model::SchemeError formulated = analysis.Formulate(notifier);
    if (formulated.Code() != 0) {
        scheme_.ShowSelection();
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

    running_ = true;
    stop_ = false;
    graphs->SetBusy(true);
    SetCommandsEnabled(false);
    CAbortDlg dialog(QString::fromUtf8(frequency ? "АЧХ/ФЧХ" : "Переходный процесс"), frame);
    progress_ = &dialog;
    connect(&dialog, &CAbortDlg::stopRequested, this, [this] { RequestStop(); });
    // Only the progress window takes input meanwhile. A modal window blocks the
    // others as a disabled frame would, without repainting every one of them in
    // its disabled look and back, which would cost a small analysis more than
    // its computation.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();

    // However the computation ends, the program is handed back to the user.
    bool restored = false;
    const auto restore = [&] {
        if (restored)
            return;
        restored = true;
        progress_ = nullptr;
        graphs->SetBusy(false);
        running_ = false;
        stop_ = false;
        SetCommandsEnabled(true);
    };
    const auto guard = qScopeGuard(restore);

    Progress progress(*this, dialog, *graphs);
    emit started(&dialog);
    const analysis::DocumentAnalysisResult result = analysis.Compute(*graphs, progress);
    progress.Flush();
    if (!frequency && analysis.Options().autoCheckDepth != 0)
        scheme_.Documents().Session().KeepLearntCheckDepth(analysis.Options().checkDepth);
    dialog.hide();
    restore();
    if (result.outcome != analysis::DocumentAnalysisOutcome::Success && !result.message.empty())
        Messages().Warn(frame, Utf8(result.message));
    emit finished();
    RunActionsAfterRun();
}

} // namespace korvanix::gui
