#include "gui/PoleZeroJob.h"

#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/EngineNotifier.h"
#include "model/Element.h"

#include <new>

namespace korvanix::gui {

namespace {

// The frequency formulation shows no boxes of its own; anything it would say
// is dropped here rather than shown from a thread that may not touch windows.
class QuietNotifier : public engine::EngineNotifier {
public:
    void LoopWarning(const std::string&, const std::string&) override {}
    void PlainMessage(const std::string&) override {}
};

} // namespace

PoleZeroJob::PoleZeroJob(std::vector<uint8_t> image, QObject* parent) : QObject(parent) {
    watch_.setInterval(kWatchMilliseconds);
    connect(&watch_, &QTimer::timeout, this, [this] {
        if (!Done())
            return;
        watch_.stop();
        emit finished();
    });
    watch_.start();
    worker_ = std::thread([this, image = std::move(image)]() mutable { Work(std::move(image)); });
}

PoleZeroJob::~PoleZeroJob() {
    if (worker_.joinable())
        worker_.join();
}

void PoleZeroJob::Work(std::vector<uint8_t> image) {
    try {
        document::Document doc;
        const document::OpenResult read = doc.Recover(image, std::string());
        if (!read.read) {
            report_.outcome = analysis::PoleZeroOutcome::Failed;
            report_.message = read.message;
        } else {
            QuietNotifier notifier;
            report_ = analysis::RunPoleZero(doc, notifier, analysis::DocumentObjects::Disposable);
            if (const model::Element* e = report_.schemeError.GetElement())
                faultyId_ = e->id;
            report_.schemeError.SetElement(nullptr);
        }
    } catch (const std::bad_alloc&) {
        report_ = analysis::PoleZeroReport();
        report_.outcome = analysis::PoleZeroOutcome::Failed;
        report_.message = document::OutOfMemoryMessage();
    }
    done_.store(true, std::memory_order_release);
}

} // namespace korvanix::gui
