#pragma once

#include "analysis/PoleZeroAnalysis.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace korvanix::gui {

// The pole-zero analysis of a document's image on a thread of its own: the
// worker reads the image into a document of its own, so the user may go on
// editing (or replace the document) meanwhile. The window thread looks at the
// worker's end on a short timer; `finished` follows on that thread.
class PoleZeroJob : public QObject {
    Q_OBJECT
public:
    static constexpr int kWatchMilliseconds = 5;

    explicit PoleZeroJob(std::vector<uint8_t> image, QObject* parent = nullptr);
    // Waits for the worker: its document is its own, so nothing it holds is shared.
    ~PoleZeroJob() override;

    bool Done() const { return done_.load(std::memory_order_acquire); }
    // After `finished`: the report (its error carries no element: the worker's
    // document is gone) and the id of the faulty element, 0 when none.
    const analysis::PoleZeroReport& Report() const { return report_; }
    int32_t FaultyElementId() const { return faultyId_; }

signals:
    void finished();

private:
    void Work(std::vector<uint8_t> image);

    analysis::PoleZeroReport report_;
    int32_t faultyId_ = 0;
    std::atomic<bool> done_{false};
    QTimer watch_;
    std::thread worker_;
};

} // namespace korvanix::gui
