#include "graph/GraphData.h"

#include "graph/AxisScale.h"

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
    // The label names the swept parameter of the runs just cleared; a pane
    // reused by an analysis without a sweep would otherwise export it.
    runLabel_.clear();
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

} // namespace korvanix::graph
