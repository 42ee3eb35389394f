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

void GraphSet::SetPaneCount(int n) {
    panes_.resize(static_cast<std::size_t>(std::max(n, 0)));
    for (GraphData& p : panes_)
        p.Reset();
}

void GraphSet::PaneFinished(int pane) {
    if (metrics_)
        LayoutTicks(panes_[static_cast<std::size_t>(pane)], *metrics_, plotWidth_, plotHeight_);
}

} // namespace korvanix::graph
