#pragma once

#include <cstdint>
#include <string>

namespace korvanix::graph {

// Index that addresses every pane at once.
constexpr int kAllPanes = -1;

// Where an analysis hands its results: the graph window of the desktop program,
// the batch tool, or a test. Every data operation names a pane (kAllPanes for all
// of them) and is that of GraphData with the same name; an index that names no
// pane is ignored.
class ResultsSink {
public:
    virtual ~ResultsSink() = default;

    // Panes beyond n go; new panes are added; every pane's data is then reset.
    virtual void SetPaneCount(int n) = 0;
    virtual int PaneCount() const = 0;

    virtual void Reset(int pane) = 0;
    virtual void SetPaired(int pane, bool paired) = 0;
    virtual void SetCounts(int pane, int curves, int runs) = 0;
    virtual void SetExpectedPoints(int pane, int n) = 0;

    virtual void SetTitle(int pane, const std::string& text) = 0;
    // Empty for a pane that does not exist.
    virtual std::string PaneTitle(int pane) const = 0;
    virtual void SetCurveName(int pane, int curve, const std::string& text) = 0;
    virtual void SetCurveLabel(int pane, int curve, const std::string& text) = 0;
    virtual void SetCurveGroup(int pane, int curve, int group) = 0;
    virtual void SetGroupCaption(int pane, int group, const std::string& text) = 0;
    virtual void SetXCaption(int pane, const std::string& text) = 0;
    virtual void SetPairXCaption(int pane, const std::string& text) = 0;
    virtual void SetIntegerCaption(int pane, const std::string& text) = 0;
    virtual void SetRunLabel(int pane, const std::string& text) = 0;
    virtual void SetXRange(int pane, double low, double high) = 0;
    virtual void SetScales(int pane, int xKind, int xMask, int yKind, int yMask) = 0;
    virtual void SetLiveDrawing(int pane, bool on) = 0;
    virtual void SetPositiveQuantity(int pane, bool on) = 0;

    virtual void AppendRunValue(int pane, double value) = 0;
    virtual void BeginSegment(int pane, int run, int graphType) = 0;
    virtual void AppendX(int pane, int run, double x) = 0;
    virtual void AppendY(int pane, int curve, int run, double y) = 0;
    virtual void AppendPair(int pane, int curve, int run, double x, double y) = 0;
    virtual void AppendInteger(int pane, int run, int32_t value) = 0;
    virtual void EndSegment(int pane, int run) = 0;
    virtual void Finish(int pane) = 0;

    // The window's status line ("Время расчета: ...").
    virtual void SetStatusText(const std::string& text) = 0;
};

} // namespace korvanix::graph
