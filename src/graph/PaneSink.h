#pragma once

#include "graph/GraphData.h"
#include "graph/ResultsSink.h"

#include <functional>
#include <string>

namespace korvanix::graph {

// A results sink over a row of panes, each holding one GraphData: every data
// operation goes to the pane it names or, with kAllPanes, to all of them. The
// batch tool's panes and the graph window differ only in where the data lives
// and in what they do after some operations, which the hooks below tell them.
class PaneSink : public ResultsSink {
public:
    // Null for an index that names no pane.
    virtual GraphData* PaneData(int pane) = 0;
    const GraphData* PaneData(int pane) const {
        return const_cast<PaneSink*>(this)->PaneData(pane);
    }

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

protected:
    // Runs `op` on the named pane or on every pane, with its index.
    void ForPanes(int pane, const std::function<void(int, GraphData&)>& op);

    // A pane's ranges or data changed wholesale (reset, x range, positive mode).
    virtual void PaneChanged(int /*pane*/) {}
    // A point of a curve was appended to a run of a pane.
    virtual void PointAppended(int /*pane*/, int /*curve*/, int /*run*/) {}
    // A pane finished: its ranges now come from its data.
    virtual void PaneFinished(int /*pane*/) {}
    // Every pane that Finish named has finished.
    virtual void FinishDone() {}
};

} // namespace korvanix::graph
