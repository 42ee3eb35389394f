#pragma once

#include "graph/Curve.h"
#include "graph/ScaleKind.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::graph {

constexpr int kMaxCurves = 5;
constexpr int kMaxGroups = 5;

// Segment graph types: one segment per interval part of a transient run.
constexpr int kSegmentLines = 1;
constexpr int kSegmentPoints = 2;

// A Windows colour value: red in the low byte, then green, then blue.
constexpr uint32_t ColourValue(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16);
}

// Colour of curve i before anybody changes it: red, blue, green, magenta, orange.
constexpr std::array<uint32_t, kMaxCurves> kDefaultCurveColours = {
    ColourValue(255, 0, 0), ColourValue(0, 0, 255), ColourValue(0, 220, 0),
    ColourValue(255, 0, 255), ColourValue(255, 143, 30)};

// One axis. `low`..`high` is the range asked for (by the data on Finish, by a
// zoom, by a restore), `initialLow`..`initialHigh` the one to return to. The layout
// rounds the range asked for to its ticks into `shownLow`..`shownHigh`, which is
// what the axis draws and maps pixels through; keeping the two apart lets the
// layout run any number of times without drifting and leaves "changed since the
// start" a question about the user's actions only.
struct AxisRange {
    double low = -50;
    double high = 50;
    double initialLow = -50;
    double initialHigh = 50;
    double shownLow = -50;
    double shownHigh = 50;
    int divisions = 1;
    bool halves = false;
    int precision = 5; // significant digits of the labels

    void SetBoth(double lo, double hi) {
        low = initialLow = shownLow = lo;
        high = initialHigh = shownHigh = hi;
    }
    bool Changed() const { return low != initialLow || high != initialHigh; }
    void Restore() {
        low = initialLow;
        high = initialHigh;
    }
};

// A run's stretch of points drawn in one way: [begin, end) over the run's x values.
struct Segment {
    int graphType = kSegmentLines;
    int begin = 0;
    int end = 0;
};

// The data behind one graph pane: x values and per-point integers per run, y values
// (and in paired mode a second x series) per curve and run, texts, groups, axes.
// Operations with a curve, run or group index outside the counts do nothing.
class GraphData {
public:
    GraphData();

    // Frees every series; groups back to -50..50; no curves, no runs, run 0
    // selected, paired and positive-quantity modes off. Texts and scales stay.
    void Reset();
    // Curves are capped at 5. Every series is allocated afresh and empty, and the
    // list of swept values emptied.
    void SetCounts(int curves, int runs);
    // Takes effect for the series that SetCounts allocates afterwards.
    void SetPaired(bool paired) { paired_ = paired; }
    void SetExpectedPoints(int n);

    void SetTitle(const std::string& text) { title_ = text; }
    void SetCurveName(int curve, const std::string& text);
    void SetCurveLabel(int curve, const std::string& text);
    void SetCurveGroup(int curve, int group);
    void SetCurveColour(int curve, uint32_t colour);
    void SetGroupCaption(int group, const std::string& text);
    void SetXCaption(const std::string& text) { xCaption_ = text; }
    // Caption of the paired horizontal values ("Re" of a hodograph).
    void SetPairXCaption(const std::string& text) { pairXCaption_ = text; }
    // Caption of the per-point integer column; empty leaves the column out of exports.
    void SetIntegerCaption(const std::string& text) { integerCaption_ = text; }
    // Names the swept parameter of the runs ("R(R3), Ом").
    void SetRunLabel(const std::string& text) { runLabel_ = text; }
    // Both the current and the initial x range.
    void SetXRange(double low, double high);
    // Kinds and masks of 0 or less leave that setting as it is.
    void SetScales(int xKind, int xMask, int yKind, int yMask);
    void SetLiveDrawing(bool on) { live_ = on; }
    // Switching it on presets every group's range for the y scale in force.
    void SetPositiveQuantity(bool on);
    void SelectRun(int run);

    void AppendRunValue(double value) { runValues_.push_back(value); }
    void BeginSegment(int run, int graphType);
    void AppendX(int run, double x);
    void AppendY(int curve, int run, double y);
    void AppendPair(int curve, int run, double x, double y);
    void AppendInteger(int run, int32_t value);
    void EndSegment(int run);

    // Ranges of the groups (and in paired mode of x) from the data, stored as both
    // the current and the initial ranges. Ticks are the layout's business
    // (LayoutTicks).
    void Finish();

    int CurveCount() const { return curveCount_; }
    int RunCount() const { return runCount_; }
    int SelectedRun() const { return selectedRun_; }
    bool Paired() const { return paired_; }
    bool PositiveQuantity() const { return positive_; }
    bool LiveDrawing() const { return live_; }
    // Groups the layout shows: up to the highest group a curve uses, at least one.
    int GroupCount() const;

    const std::string& Title() const { return title_; }
    const std::string& CurveName(int curve) const;
    // The label shown by the ruler and written by the export; the name when no
    // label of its own was set.
    const std::string& CurveLabel(int curve) const;
    int CurveGroup(int curve) const;
    uint32_t CurveColour(int curve) const;
    // Extremes over all runs as of the last Finish (paired x separately).
    double CurveMinimum(int curve) const;
    double CurveMaximum(int curve) const;
    double CurveXMinimum(int curve) const;
    double CurveXMaximum(int curve) const;
    const std::string& GroupCaption(int group) const;
    const std::string& XCaption() const { return xCaption_; }
    const std::string& PairXCaption() const { return pairXCaption_; }
    const std::string& IntegerCaption() const { return integerCaption_; }
    const std::string& RunLabel() const { return runLabel_; }
    const std::vector<double>& RunValues() const { return runValues_; }

    // Series of a run or of a curve in a run; an empty series outside the counts.
    const Curve& X(int run) const;
    const IntCurve& Integers(int run) const;
    const Curve& Y(int curve, int run) const;
    const Curve& PairX(int curve, int run) const;
    const std::vector<int>& SegmentTypes(int run) const;
    const std::vector<int>& SegmentEnds(int run) const;
    // The run's segments in order; points after the last ended segment form one
    // more, still open segment.
    std::vector<Segment> Segments(int run) const;

    AxisRange& Group(int group);
    const AxisRange& Group(int group) const;
    AxisRange& XAxis() { return x_; }
    const AxisRange& XAxis() const { return x_; }

    ScaleKind XScale() const { return xScale_; }
    ScaleKind YScale() const { return yScale_; }
    int32_t XScaleMask() const { return xMask_; }
    int32_t YScaleMask() const { return yMask_; }

private:
    struct RunData {
        Curve x;
        IntCurve integers;
        std::vector<int> segmentTypes;
        std::vector<int> segmentEnds;
    };
    struct CurveRun {
        Curve y;
        Curve pairX;
    };
    struct CurveData {
        std::string name;
        std::string label;
        int group = 0;
        uint32_t colour = 0;
        double minimum = kEmptyMinimum;
        double maximum = kEmptyMaximum;
        double xMinimum = kEmptyMinimum;
        double xMaximum = kEmptyMaximum;
        std::vector<CurveRun> runs;
    };

    bool ValidRun(int run) const { return run >= 0 && run < runCount_; }
    bool ValidCurve(int curve) const { return curve >= 0 && curve < curveCount_; }
    void PresetPositiveRanges();

    int curveCount_ = 0;
    int runCount_ = 0;
    int selectedRun_ = 0;
    bool paired_ = false;
    bool positive_ = false;
    bool live_ = false;
    std::vector<RunData> runs_;
    std::array<CurveData, kMaxCurves> curves_;
    std::vector<double> runValues_;
    std::array<AxisRange, kMaxGroups> groups_;
    std::array<std::string, kMaxGroups> groupCaptions_;
    AxisRange x_;
    ScaleKind xScale_ = ScaleKind::Linear;
    ScaleKind yScale_ = ScaleKind::Linear;
    int32_t xMask_ = 1;
    int32_t yMask_ = 1;
    std::string title_;
    std::string xCaption_;
    std::string pairXCaption_;
    std::string integerCaption_;
    std::string runLabel_;
};

} // namespace korvanix::graph
