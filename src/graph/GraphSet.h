#pragma once

#include "graph/GraphData.h"
#include "graph/PaneSink.h"
#include "model/Geometry.h"

#include <string>
#include <vector>

namespace korvanix::graph {

// The panes of one graph window without the window: what the batch tool and the
// tests hand to an analysis. Forwards every operation as the window does.
class GraphSet : public PaneSink {
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
    GraphData* PaneData(int pane) override {
        return pane >= 0 && pane < PaneCount() ? &panes_[static_cast<std::size_t>(pane)] : nullptr;
    }
    using PaneSink::PaneData;

    void SetStatusText(const std::string& text) override { status_ = text; }

protected:
    void PaneFinished(int pane) override;

private:
    std::string title_;
    std::string status_;
    std::vector<GraphData> panes_;
    const model::TextMetrics* metrics_ = nullptr;
    int plotWidth_ = 0;
    int plotHeight_ = 0;
};

} // namespace korvanix::graph
