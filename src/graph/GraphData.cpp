#include "graph/GraphData.h"

#include "graph/AxisScale.h"
#include "graph/GraphSet.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvanix::graph {
namespace {

const std::string kNoText;

const Curve& EmptyCurve() {
    static const Curve curve;
    return curve;
}

const IntCurve& EmptyIntCurve() {
    static const IntCurve curve;
    return curve;
}

const std::vector<int>& EmptyList() {
    static const std::vector<int> list;
    return list;
}

// Range of values that became nothing: +-1 around them; then, for quantities that
// a logarithmic axis must show, no low end at or below zero.
void SettleRange(double& low, double& high, bool positive) {
    if (std::fabs(high - low) < 1e-15) {
        low -= 1;
        high += 1;
    }
    if (positive) {
        if (low <= 0)
            low = 1e-15;
        if (low > high)
            high = low + 1;
    }
}

} // namespace

GraphData::GraphData() {
    for (int i = 0; i < kMaxCurves; ++i)
        curves_[i].colour = kDefaultCurveColours[i];
}

void GraphData::Reset() {
    runs_.clear();
    runs_.shrink_to_fit();
    for (CurveData& c : curves_) {
        c.runs.clear();
        c.runs.shrink_to_fit();
    }
    runValues_.clear();
    for (AxisRange& g : groups_) {
        g.low = g.shownLow = -50;
        g.high = g.shownHigh = 50;
    }
    curveCount_ = 0;
    runCount_ = 0;
    selectedRun_ = 0;
    paired_ = false;
    positive_ = false;
}

void GraphData::SetCounts(int curves, int runs) {
    curveCount_ = std::clamp(curves, 0, kMaxCurves);
    runCount_ = std::max(runs, 0);
    runs_.clear();
    runs_.resize(static_cast<std::size_t>(runCount_));
    for (int c = 0; c < kMaxCurves; ++c) {
        curves_[c].runs.clear();
        if (c < curveCount_)
            curves_[c].runs.resize(static_cast<std::size_t>(runCount_));
    }
    runValues_.clear();
    if (selectedRun_ >= runCount_)
        selectedRun_ = 0;
}

void GraphData::SetExpectedPoints(int n) {
    const std::size_t expected = static_cast<std::size_t>(std::max(n, 0));
    for (RunData& r : runs_) {
        r.x.Reset(expected);
        r.integers.Reset(expected);
    }
    for (int c = 0; c < curveCount_; ++c) {
        for (CurveRun& cr : curves_[c].runs) {
            cr.y.Reset(expected);
            // Only a paired pane reads the second x series; others keep it empty.
            cr.pairX.Reset(paired_ ? expected : 0);
        }
    }
}

void GraphData::SetCurveName(int curve, const std::string& text) {
    if (curve >= 0 && curve < kMaxCurves)
        curves_[curve].name = text;
}

void GraphData::SetCurveLabel(int curve, const std::string& text) {
    if (curve >= 0 && curve < kMaxCurves)
        curves_[curve].label = text;
}

void GraphData::SetCurveGroup(int curve, int group) {
    if (curve >= 0 && curve < kMaxCurves && group >= 0 && group < kMaxGroups)
        curves_[curve].group = group;
}

void GraphData::SetCurveColour(int curve, uint32_t colour) {
    if (curve >= 0 && curve < kMaxCurves)
        curves_[curve].colour = colour;
}

void GraphData::SetGroupCaption(int group, const std::string& text) {
    if (group >= 0 && group < kMaxGroups)
        groupCaptions_[group] = text;
}

void GraphData::SetXRange(double low, double high) {
    x_.SetBoth(low, high);
}

void GraphData::SetScales(int xKind, int xMask, int yKind, int yMask) {
    if (xKind > 0)
        xScale_ = static_cast<ScaleKind>(xKind);
    if (xMask > 0)
        xMask_ = xMask;
    if (yKind > 0)
        yScale_ = static_cast<ScaleKind>(yKind);
    if (yMask > 0)
        yMask_ = yMask;
}

void GraphData::SetPositiveQuantity(bool on) {
    positive_ = on;
    if (on)
        PresetPositiveRanges();
}

void GraphData::PresetPositiveRanges() {
    for (AxisRange& g : groups_) {
        switch (yScale_) {
        case ScaleKind::Logarithmic:
            g.SetBoth(0.001, 10);
            break;
        case ScaleKind::Decibel:
            g.SetBoth(0.001, 1000);
            break;
        case ScaleKind::Linear:
            g.low = g.initialLow = g.shownLow = 1e-15;
            break;
        }
    }
}

void GraphData::SelectRun(int run) {
    if (ValidRun(run))
        selectedRun_ = run;
}

void GraphData::BeginSegment(int run, int graphType) {
    if (ValidRun(run))
        runs_[run].segmentTypes.push_back(graphType);
}

void GraphData::AppendX(int run, double x) {
    if (ValidRun(run))
        runs_[run].x.Append(ClampValue(x));
}

void GraphData::AppendY(int curve, int run, double y) {
    if (ValidCurve(curve) && ValidRun(run))
        curves_[curve].runs[run].y.Append(ClampValue(y));
}

void GraphData::AppendPair(int curve, int run, double x, double y) {
    if (!ValidCurve(curve) || !ValidRun(run))
        return;
    CurveRun& cr = curves_[curve].runs[run];
    cr.pairX.Append(ClampValue(x));
    cr.y.Append(ClampValue(y));
}

void GraphData::AppendInteger(int run, int32_t value) {
    if (ValidRun(run))
        runs_[run].integers.Append(value);
}

void GraphData::EndSegment(int run) {
    if (!ValidRun(run))
        return;
    RunData& r = runs_[run];
    // An end without a begin still closes a drawable segment: the two lists stay
    // in step, so segment i always has both a type and an end.
    if (r.segmentTypes.size() <= r.segmentEnds.size())
        r.segmentTypes.push_back(kSegmentLines);
    r.segmentEnds.push_back(static_cast<int>(r.x.Count()));
}

void GraphData::Finish() {
    for (int c = 0; c < curveCount_; ++c) {
        CurveData& cd = curves_[c];
        cd.minimum = cd.xMinimum = kEmptyMinimum;
        cd.maximum = cd.xMaximum = kEmptyMaximum;
        bool anyY = false;
        bool anyX = false;
        // Empty runs (a sweep stopped early) say nothing about the range.
        for (const CurveRun& cr : cd.runs) {
            if (cr.y.Count() > 0) {
                cd.minimum = anyY ? std::min(cd.minimum, cr.y.Minimum()) : cr.y.Minimum();
                cd.maximum = anyY ? std::max(cd.maximum, cr.y.Maximum()) : cr.y.Maximum();
                anyY = true;
            }
            if (paired_ && cr.pairX.Count() > 0) {
                cd.xMinimum = anyX ? std::min(cd.xMinimum, cr.pairX.Minimum()) : cr.pairX.Minimum();
                cd.xMaximum = anyX ? std::max(cd.xMaximum, cr.pairX.Maximum()) : cr.pairX.Maximum();
                anyX = true;
            }
        }
    }

    for (int g = 0; g < kMaxGroups; ++g) {
        double low = 0;
        double high = 0;
        bool any = false;
        for (int c = 0; c < curveCount_; ++c) {
            const CurveData& cd = curves_[c];
            if (cd.group != g || cd.minimum > cd.maximum)
                continue;
            low = any ? std::min(low, cd.minimum) : cd.minimum;
            high = any ? std::max(high, cd.maximum) : cd.maximum;
            any = true;
        }
        // No values at all: the widest range rather than an upside-down one.
        if (!any) {
            low = -kEmptyMinimum;
            high = kEmptyMinimum;
        }
        SettleRange(low, high, positive_);
        groups_[g].SetBoth(low, high);
    }

    if (paired_) {
        double low = 0;
        double high = 0;
        bool any = false;
        for (int c = 0; c < curveCount_; ++c) {
            const CurveData& cd = curves_[c];
            if (cd.xMinimum > cd.xMaximum)
                continue;
            low = any ? std::min(low, cd.xMinimum) : cd.xMinimum;
            high = any ? std::max(high, cd.xMaximum) : cd.xMaximum;
            any = true;
        }
        if (!any) {
            low = -kEmptyMinimum;
            high = kEmptyMinimum;
        }
        SettleRange(low, high, false);
        x_.SetBoth(low, high);
    }
}

int GraphData::GroupCount() const {
    int top = 0;
    for (int c = 0; c < curveCount_; ++c)
        top = std::max(top, curves_[c].group);
    return top + 1;
}

const std::string& GraphData::CurveName(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].name : kNoText;
}

const std::string& GraphData::CurveLabel(int curve) const {
    if (curve < 0 || curve >= kMaxCurves)
        return kNoText;
    const CurveData& cd = curves_[curve];
    return cd.label.empty() ? cd.name : cd.label;
}

int GraphData::CurveGroup(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].group : 0;
}

uint32_t GraphData::CurveColour(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].colour : 0;
}

double GraphData::CurveMinimum(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].minimum : kEmptyMinimum;
}

double GraphData::CurveMaximum(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].maximum : kEmptyMaximum;
}

double GraphData::CurveXMinimum(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].xMinimum : kEmptyMinimum;
}

double GraphData::CurveXMaximum(int curve) const {
    return curve >= 0 && curve < kMaxCurves ? curves_[curve].xMaximum : kEmptyMaximum;
}

const std::string& GraphData::GroupCaption(int group) const {
    return group >= 0 && group < kMaxGroups ? groupCaptions_[group] : kNoText;
}

const Curve& GraphData::X(int run) const {
    return ValidRun(run) ? runs_[run].x : EmptyCurve();
}

const IntCurve& GraphData::Integers(int run) const {
    return ValidRun(run) ? runs_[run].integers : EmptyIntCurve();
}

const Curve& GraphData::Y(int curve, int run) const {
    return ValidCurve(curve) && ValidRun(run) ? curves_[curve].runs[run].y : EmptyCurve();
}

const Curve& GraphData::PairX(int curve, int run) const {
    return ValidCurve(curve) && ValidRun(run) ? curves_[curve].runs[run].pairX : EmptyCurve();
}

const std::vector<int>& GraphData::SegmentTypes(int run) const {
    return ValidRun(run) ? runs_[run].segmentTypes : EmptyList();
}

const std::vector<int>& GraphData::SegmentEnds(int run) const {
    return ValidRun(run) ? runs_[run].segmentEnds : EmptyList();
}

std::vector<Segment> GraphData::Segments(int run) const {
    std::vector<Segment> out;
    if (!ValidRun(run))
        return out;
    const RunData& r = runs_[run];
    int begin = 0;
    for (std::size_t i = 0; i < r.segmentEnds.size(); ++i) {
        const int end = std::max(begin, r.segmentEnds[i]);
        out.push_back({r.segmentTypes[i], begin, end});
        begin = end;
    }
    const int count = static_cast<int>(r.x.Count());
    if (count > begin) {
        // Points of an open segment: drawn in the type it was begun with.
        const int type = r.segmentTypes.size() > r.segmentEnds.size()
                             ? r.segmentTypes[r.segmentEnds.size()]
                             : kSegmentLines;
        out.push_back({type, begin, count});
    }
    return out;
}

AxisRange& GraphData::Group(int group) {
    return groups_[static_cast<std::size_t>(std::clamp(group, 0, kMaxGroups - 1))];
}

const AxisRange& GraphData::Group(int group) const {
    return groups_[static_cast<std::size_t>(std::clamp(group, 0, kMaxGroups - 1))];
}

// GraphSet lives with the data set it forwards to.

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
