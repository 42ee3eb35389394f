#pragma once

#include "graph/GraphData.h"
#include "graph/ResultsSink.h"
#include "model/Geometry.h"

#include <functional>
#include <string>
#include <vector>

namespace korvanix::graph {

// The panes of one graph window without the window: what the batch tool and the
// tests hand to an analysis. Forwards every operation as the window does.
class GraphSet : public ResultsSink {
public:
    explicit GraphSet(std::string title = {});

    const std::string& WindowTitle() const { return title_; }
    void SetWindowTitle(const std::string& title) { title_ = title; }
    const std::string& StatusText() const { return status_; }

    GraphData& Pane(int i) { return panes_.at(static_cast<std::size_t>(i)); }
    const GraphData& Pane(int i) const { return panes_.at(static_cast<std::size_t>(i)); }

    // With metrics set, Finish also chooses the ticks for a plot of this size, as a
    // window's layout would; without, it leaves the ticks alone.
    void SetLayout(const model::TextMetrics* metrics, int plotWidth, int plotHeight);

    void SetPaneCount(int n) override;
    int PaneCount() const override { return static_cast<int>(panes_.size()); }

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

    void SetStatusText(const std::string& text) override { status_ = text; }

private:
    void ForPanes(int pane, const std::function<void(GraphData&)>& op);

    std::string title_;
    std::string status_;
    std::vector<GraphData> panes_;
    const model::TextMetrics* metrics_ = nullptr;
    int plotWidth_ = 0;
    int plotHeight_ = 0;
};

} // namespace korvanix::graph
