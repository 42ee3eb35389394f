#pragma once

#include "graph/ResultsSink.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace korvanix::graph {

// A results sink for an analysis on a worker thread: it records every
// operation and hands them over, in order, to the sink of another thread,
// which replays them. Replayed in full, the target holds exactly what the
// analysis would have put into it directly.
//
// The worker calls the sink operations and Publish; the owner of the target
// calls ReplayInto. Published operations wait in one buffer under a lock; the
// worker gathers its operations without one until it publishes.
class ResultsRecorder : public ResultsSink {
public:
    // Starts from the target's panes as they are (count and titles), which the
    // analysis may ask for.
    explicit ResultsRecorder(const ResultsSink& target);

    // Worker side: what was recorded since the last call becomes visible to
    // ReplayInto. Called after every point, it costs a lock only when there is
    // something new. True when the owner had taken everything before: it is
    // worth telling it that there is something again.
    bool Publish();
    // Owner side: applies every published operation to `target`; false when
    // there was none.
    bool ReplayInto(ResultsSink& target);
    // Operations published and not yet replayed.
    std::size_t Pending() const;

    void SetPaneCount(int n) override;
    int PaneCount() const override { return paneCount_; }
    void Reset(int pane) override;
    void SetPaired(int pane, bool paired) override;
    void SetCounts(int pane, int curves, int runs) override;
    void SetExpectedPoints(int pane, int n) override;
    void SetTitle(int pane, const std::string& text) override;
    std::string PaneTitle(int pane) const override;
    void SetCurveName(int pane, int curve, const std::string& text) override;
    void SetCurveLabel(int pane, int curve, const std::string& text) override;
    void SetCurveGroup(int pane, int curve, int group) override;
    void SetGroupCaption(int pane, int group, const std::string& text) override;
    void SetXCaption(int pane, const std::string& text) override;
    void SetPairXCaption(int pane, const std::string& text) override;
    void SetIntegerCaption(int pane, const std::string& text) override;
    void SetRunLabel(int pane, const std::string& text) override;
    void SetXRange(int pane, double low, double high) override;
    void SetScales(int pane, int xKind, int xMask, int yKind, int yMask) override;
    void SetLiveDrawing(int pane, bool on) override;
    void SetPositiveQuantity(int pane, bool on) override;
    void AppendRunValue(int pane, double value) override;
    void BeginSegment(int pane, int run, int graphType) override;
    void AppendX(int pane, int run, double x) override;
    void AppendY(int pane, int curve, int run, double y) override;
    void AppendPair(int pane, int curve, int run, double x, double y) override;
    void AppendInteger(int pane, int run, int32_t value) override;
    void EndSegment(int pane, int run) override;
    void Finish(int pane) override;
    void SetStatusText(const std::string& text) override;

private:
    enum class Kind : uint8_t {
        PaneCount,
        Reset,
        Paired,
        Counts,
        ExpectedPoints,
        Title,
        CurveName,
        CurveLabel,
        CurveGroup,
        GroupCaption,
        XCaption,
        PairXCaption,
        IntegerCaption,
        RunLabel,
        XRange,
        Scales,
        LiveDrawing,
        PositiveQuantity,
        RunValue,
        BeginSegment,
        X,
        Y,
        Pair,
        Integer,
        EndSegment,
        Finish,
        StatusText,
    };
    // One operation: the pane, up to four integers (a text's index among the
    // batch's texts in `a`) and up to two values.
    struct Op {
        Kind kind;
        int32_t pane;
        int32_t a = 0;
        int32_t b = 0;
        int32_t c = 0;
        int32_t d = 0;
        double x = 0;
        double y = 0;
    };
    struct Batch {
        std::vector<Op> ops;
        std::vector<std::string> texts;
    };

    static Op Of(Kind kind, int pane, int32_t a = 0, int32_t b = 0, double x = 0, double y = 0) {
        Op op{kind, pane};
        op.a = a;
        op.b = b;
        op.x = x;
        op.y = y;
        return op;
    }
    void Add(const Op& op);
    void AddText(Kind kind, int pane, int index, const std::string& text);
    static void Apply(const Op& op, const std::vector<std::string>& texts, ResultsSink& target);

    // Worker's own.
    Batch local_;
    int paneCount_ = 0;
    std::vector<std::string> titles_;

    mutable std::mutex mutex_;
    Batch shared_;
};

} // namespace korvanix::graph
