#include "graph/PaneSink.h"

namespace korvanix::graph {

void PaneSink::ForPanes(int pane, const std::function<void(int, GraphData&)>& op) {
    if (pane == kAllPanes) {
        for (int i = 0; i < PaneCount(); ++i)
            if (GraphData* data = PaneData(i))
                op(i, *data);
    } else if (GraphData* data = PaneData(pane)) {
        op(pane, *data);
    }
}

void PaneSink::Reset(int pane) {
    ForPanes(pane, [this](int i, GraphData& p) {
        p.Reset();
        PaneChanged(i);
    });
}

void PaneSink::SetPaired(int pane, bool paired) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetPaired(paired); });
}

void PaneSink::SetCounts(int pane, int curves, int runs) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetCounts(curves, runs); });
}

void PaneSink::SetExpectedPoints(int pane, int n) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetExpectedPoints(n); });
}

void PaneSink::SetTitle(int pane, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetTitle(text); });
}

std::string PaneSink::PaneTitle(int pane) const {
    const GraphData* data = PaneData(pane);
    return data ? data->Title() : std::string();
}

void PaneSink::SetCurveName(int pane, int curve, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetCurveName(curve, text); });
}

void PaneSink::SetCurveLabel(int pane, int curve, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetCurveLabel(curve, text); });
}

void PaneSink::SetCurveGroup(int pane, int curve, int group) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetCurveGroup(curve, group); });
}

void PaneSink::SetGroupCaption(int pane, int group, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetGroupCaption(group, text); });
}

void PaneSink::SetXCaption(int pane, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetXCaption(text); });
}

void PaneSink::SetPairXCaption(int pane, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetPairXCaption(text); });
}

void PaneSink::SetIntegerCaption(int pane, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetIntegerCaption(text); });
}

void PaneSink::SetRunLabel(int pane, const std::string& text) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetRunLabel(text); });
}

void PaneSink::SetXRange(int pane, double low, double high) {
    ForPanes(pane, [&](int i, GraphData& p) {
        p.SetXRange(low, high);
        PaneChanged(i);
    });
}

void PaneSink::SetScales(int pane, int xKind, int xMask, int yKind, int yMask) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetScales(xKind, xMask, yKind, yMask); });
}

void PaneSink::SetLiveDrawing(int pane, bool on) {
    ForPanes(pane, [&](int, GraphData& p) { p.SetLiveDrawing(on); });
}

void PaneSink::SetPositiveQuantity(int pane, bool on) {
    ForPanes(pane, [&](int i, GraphData& p) {
        p.SetPositiveQuantity(on);
        PaneChanged(i);
    });
}

void PaneSink::AppendRunValue(int pane, double value) {
    ForPanes(pane, [&](int, GraphData& p) { p.AppendRunValue(value); });
}

void PaneSink::BeginSegment(int pane, int run, int graphType) {
    ForPanes(pane, [&](int, GraphData& p) { p.BeginSegment(run, graphType); });
}

void PaneSink::AppendX(int pane, int run, double x) {
    ForPanes(pane, [&](int, GraphData& p) { p.AppendX(run, x); });
}

void PaneSink::AppendY(int pane, int curve, int run, double y) {
    ForPanes(pane, [&](int i, GraphData& p) {
        p.AppendY(curve, run, y);
        PointAppended(i, curve, run);
    });
}

void PaneSink::AppendPair(int pane, int curve, int run, double x, double y) {
    ForPanes(pane, [&](int i, GraphData& p) {
        p.AppendPair(curve, run, x, y);
        PointAppended(i, curve, run);
    });
}

void PaneSink::AppendInteger(int pane, int run, int32_t value) {
    ForPanes(pane, [&](int, GraphData& p) { p.AppendInteger(run, value); });
}

void PaneSink::EndSegment(int pane, int run) {
    ForPanes(pane, [&](int, GraphData& p) { p.EndSegment(run); });
}

void PaneSink::Finish(int pane) {
    ForPanes(pane, [this](int i, GraphData& p) {
        p.Finish();
        PaneFinished(i);
    });
    FinishDone();
}

} // namespace korvanix::graph
