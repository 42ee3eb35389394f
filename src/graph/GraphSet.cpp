#include "graph/GraphSet.h"

#include "graph/AxisScale.h"

#include <algorithm>
#include <utility>

namespace korvanix::graph {

GraphSet::GraphSet(std::string title) : title_(std::move(title)) {}

void GraphSet::SetLayout(const model::TextMetrics* metrics, int plotWidth, int plotHeight) {
    metrics_ = metrics;
    plotWidth_ = plotWidth;
    plotHeight_ = plotHeight;
}

void GraphSet::ForPanes(int pane, const std::function<void(GraphData&)>& op) {
    if (pane == kAllPanes) {
        for (GraphData& p : panes_)
            op(p);
    } else if (pane >= 0 && pane < PaneCount()) {
        op(panes_[static_cast<std::size_t>(pane)]);
    }
}

void GraphSet::SetPaneCount(int n) {
    panes_.resize(static_cast<std::size_t>(std::max(n, 0)));
    for (GraphData& p : panes_)
        p.Reset();
}

void GraphSet::Reset(int pane) {
    ForPanes(pane, [](GraphData& p) { p.Reset(); });
}

void GraphSet::SetPaired(int pane, bool paired) {
    ForPanes(pane, [&](GraphData& p) { p.SetPaired(paired); });
}

void GraphSet::SetCounts(int pane, int curves, int runs) {
    ForPanes(pane, [&](GraphData& p) { p.SetCounts(curves, runs); });
}

void GraphSet::SetExpectedPoints(int pane, int n) {
    ForPanes(pane, [&](GraphData& p) { p.SetExpectedPoints(n); });
}

void GraphSet::SetTitle(int pane, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetTitle(text); });
}

std::string GraphSet::PaneTitle(int pane) const {
    return pane >= 0 && pane < PaneCount() ? panes_[static_cast<std::size_t>(pane)].Title()
                                           : std::string();
}

void GraphSet::SetCurveName(int pane, int curve, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetCurveName(curve, text); });
}

void GraphSet::SetCurveLabel(int pane, int curve, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetCurveLabel(curve, text); });
}

void GraphSet::SetCurveGroup(int pane, int curve, int group) {
    ForPanes(pane, [&](GraphData& p) { p.SetCurveGroup(curve, group); });
}

void GraphSet::SetGroupCaption(int pane, int group, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetGroupCaption(group, text); });
}

void GraphSet::SetXCaption(int pane, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetXCaption(text); });
}

void GraphSet::SetPairXCaption(int pane, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetPairXCaption(text); });
}

void GraphSet::SetIntegerCaption(int pane, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetIntegerCaption(text); });
}

void GraphSet::SetRunLabel(int pane, const std::string& text) {
    ForPanes(pane, [&](GraphData& p) { p.SetRunLabel(text); });
}

void GraphSet::SetXRange(int pane, double low, double high) {
    ForPanes(pane, [&](GraphData& p) { p.SetXRange(low, high); });
}

void GraphSet::SetScales(int pane, int xKind, int xMask, int yKind, int yMask) {
    ForPanes(pane, [&](GraphData& p) { p.SetScales(xKind, xMask, yKind, yMask); });
}

void GraphSet::SetLiveDrawing(int pane, bool on) {
    ForPanes(pane, [&](GraphData& p) { p.SetLiveDrawing(on); });
}

void GraphSet::SetPositiveQuantity(int pane, bool on) {
    ForPanes(pane, [&](GraphData& p) { p.SetPositiveQuantity(on); });
}

void GraphSet::AppendRunValue(int pane, double value) {
    ForPanes(pane, [&](GraphData& p) { p.AppendRunValue(value); });
}

void GraphSet::BeginSegment(int pane, int run, int graphType) {
    ForPanes(pane, [&](GraphData& p) { p.BeginSegment(run, graphType); });
}

void GraphSet::AppendX(int pane, int run, double x) {
    ForPanes(pane, [&](GraphData& p) { p.AppendX(run, x); });
}

void GraphSet::AppendY(int pane, int curve, int run, double y) {
    ForPanes(pane, [&](GraphData& p) { p.AppendY(curve, run, y); });
}

void GraphSet::AppendPair(int pane, int curve, int run, double x, double y) {
    ForPanes(pane, [&](GraphData& p) { p.AppendPair(curve, run, x, y); });
}

void GraphSet::AppendInteger(int pane, int run, int32_t value) {
    ForPanes(pane, [&](GraphData& p) { p.AppendInteger(run, value); });
}

void GraphSet::EndSegment(int pane, int run) {
    ForPanes(pane, [&](GraphData& p) { p.EndSegment(run); });
}

void GraphSet::Finish(int pane) {
    ForPanes(pane, [&](GraphData& p) {
        p.Finish();
        if (metrics_)
            LayoutTicks(p, *metrics_, plotWidth_, plotHeight_);
    });
}

} // namespace korvanix::graph
