#include "graph/ResultsRecorder.h"

#include <utility>

namespace korvanix::graph {

namespace {

// A worker that never reaches a point (a long formulation step) still shows
// its set-up soon.
constexpr std::size_t kPublishEvery = 1 << 14;

} // namespace

ResultsRecorder::ResultsRecorder(const ResultsSink& target) : paneCount_(target.PaneCount()) {
    for (int p = 0; p < paneCount_; ++p)
        titles_.push_back(target.PaneTitle(p));
}

void ResultsRecorder::Add(const Op& op) {
    local_.ops.push_back(op);
    if (local_.ops.size() >= kPublishEvery)
        Publish();
}

void ResultsRecorder::AddText(Kind kind, int pane, int index, const std::string& text) {
    local_.texts.push_back(text);
    Add(Of(kind, pane, static_cast<int32_t>(local_.texts.size() - 1), index));
}

bool ResultsRecorder::Publish() {
    if (local_.ops.empty())
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (shared_.ops.empty()) {
        std::swap(shared_, local_);
        local_.ops.clear();
        local_.texts.clear();
        return true;
    }
    // Texts are numbered within their batch: the local ones move behind the
    // shared ones.
    const auto offset = static_cast<int32_t>(shared_.texts.size());
    const bool texts = !local_.texts.empty();
    for (Op& op : local_.ops) {
        if (texts) {
            switch (op.kind) {
            case Kind::Title:
            case Kind::CurveName:
            case Kind::CurveLabel:
            case Kind::GroupCaption:
            case Kind::XCaption:
            case Kind::PairXCaption:
            case Kind::IntegerCaption:
            case Kind::RunLabel:
            case Kind::StatusText:
                op.a += offset;
                break;
            default:
                break;
            }
        }
        shared_.ops.push_back(op);
    }
    for (std::string& text : local_.texts)
        shared_.texts.push_back(std::move(text));
    local_.ops.clear();
    local_.texts.clear();
    return false;
}

std::size_t ResultsRecorder::Pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shared_.ops.size();
}

bool ResultsRecorder::ReplayInto(ResultsSink& target) {
    Batch batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(batch, shared_);
    }
    for (const Op& op : batch.ops)
        Apply(op, batch.texts, target);
    return !batch.ops.empty();
}

void ResultsRecorder::Apply(const Op& op, const std::vector<std::string>& texts,
                            ResultsSink& target) {
    const int p = op.pane;
    const auto text = [&]() -> const std::string& { return texts[static_cast<size_t>(op.a)]; };
    switch (op.kind) {
    case Kind::PaneCount:
        target.SetPaneCount(op.a);
        break;
    case Kind::Reset:
        target.Reset(p);
        break;
    case Kind::Paired:
        target.SetPaired(p, op.a != 0);
        break;
    case Kind::Counts:
        target.SetCounts(p, op.a, op.b);
        break;
    case Kind::ExpectedPoints:
        target.SetExpectedPoints(p, op.a);
        break;
    case Kind::Title:
        target.SetTitle(p, text());
        break;
    case Kind::CurveName:
        target.SetCurveName(p, op.b, text());
        break;
    case Kind::CurveLabel:
        target.SetCurveLabel(p, op.b, text());
        break;
    case Kind::CurveGroup:
        target.SetCurveGroup(p, op.a, op.b);
        break;
    case Kind::GroupCaption:
        target.SetGroupCaption(p, op.b, text());
        break;
    case Kind::XCaption:
        target.SetXCaption(p, text());
        break;
    case Kind::PairXCaption:
        target.SetPairXCaption(p, text());
        break;
    case Kind::IntegerCaption:
        target.SetIntegerCaption(p, text());
        break;
    case Kind::RunLabel:
        target.SetRunLabel(p, text());
        break;
    case Kind::XRange:
        target.SetXRange(p, op.x, op.y);
        break;
    case Kind::Scales:
        target.SetScales(p, op.a, op.b, op.c, op.d);
        break;
    case Kind::LiveDrawing:
        target.SetLiveDrawing(p, op.a != 0);
        break;
    case Kind::PositiveQuantity:
        target.SetPositiveQuantity(p, op.a != 0);
        break;
    case Kind::RunValue:
        target.AppendRunValue(p, op.x);
        break;
    case Kind::BeginSegment:
        target.BeginSegment(p, op.a, op.b);
        break;
    case Kind::X:
        target.AppendX(p, op.a, op.x);
        break;
    case Kind::Y:
        target.AppendY(p, op.a, op.b, op.x);
        break;
    case Kind::Pair:
        target.AppendPair(p, op.a, op.b, op.x, op.y);
        break;
    case Kind::Integer:
        target.AppendInteger(p, op.a, op.b);
        break;
    case Kind::EndSegment:
        target.EndSegment(p, op.a);
        break;
    case Kind::Finish:
        target.Finish(p);
        break;
    case Kind::StatusText:
        target.SetStatusText(text());
        break;
    }
}

void ResultsRecorder::SetPaneCount(int n) {
    paneCount_ = n < 0 ? 0 : n;
    titles_.resize(static_cast<std::size_t>(paneCount_));
    Add(Of(Kind::PaneCount, 0, n));
}

void ResultsRecorder::Reset(int pane) {
    Add(Of(Kind::Reset, pane));
}

void ResultsRecorder::SetPaired(int pane, bool paired) {
    Add(Of(Kind::Paired, pane, paired ? 1 : 0));
}

void ResultsRecorder::SetCounts(int pane, int curves, int runs) {
    Add(Of(Kind::Counts, pane, curves, runs));
}

void ResultsRecorder::SetExpectedPoints(int pane, int n) {
    Add(Of(Kind::ExpectedPoints, pane, n));
}

void ResultsRecorder::SetTitle(int pane, const std::string& text) {
    for (int p = 0; p < paneCount_; ++p)
        if (pane == kAllPanes || pane == p)
            titles_[static_cast<std::size_t>(p)] = text;
    AddText(Kind::Title, pane, 0, text);
}

std::string ResultsRecorder::PaneTitle(int pane) const {
    return pane >= 0 && pane < paneCount_ ? titles_[static_cast<std::size_t>(pane)] : std::string();
}

void ResultsRecorder::SetCurveName(int pane, int curve, const std::string& text) {
    AddText(Kind::CurveName, pane, curve, text);
}

void ResultsRecorder::SetCurveLabel(int pane, int curve, const std::string& text) {
    AddText(Kind::CurveLabel, pane, curve, text);
}

void ResultsRecorder::SetCurveGroup(int pane, int curve, int group) {
    Add(Of(Kind::CurveGroup, pane, curve, group));
}

void ResultsRecorder::SetGroupCaption(int pane, int group, const std::string& text) {
    AddText(Kind::GroupCaption, pane, group, text);
}

void ResultsRecorder::SetXCaption(int pane, const std::string& text) {
    AddText(Kind::XCaption, pane, 0, text);
}

void ResultsRecorder::SetPairXCaption(int pane, const std::string& text) {
    AddText(Kind::PairXCaption, pane, 0, text);
}

void ResultsRecorder::SetIntegerCaption(int pane, const std::string& text) {
    AddText(Kind::IntegerCaption, pane, 0, text);
}

void ResultsRecorder::SetRunLabel(int pane, const std::string& text) {
    AddText(Kind::RunLabel, pane, 0, text);
}

void ResultsRecorder::SetXRange(int pane, double low, double high) {
    Add(Of(Kind::XRange, pane, 0, 0, low, high));
}

void ResultsRecorder::SetScales(int pane, int xKind, int xMask, int yKind, int yMask) {
    Op op = Of(Kind::Scales, pane, xKind, xMask);
    op.c = yKind;
    op.d = yMask;
    Add(op);
}

void ResultsRecorder::SetLiveDrawing(int pane, bool on) {
    Add(Of(Kind::LiveDrawing, pane, on ? 1 : 0));
}

void ResultsRecorder::SetPositiveQuantity(int pane, bool on) {
    Add(Of(Kind::PositiveQuantity, pane, on ? 1 : 0));
}

void ResultsRecorder::AppendRunValue(int pane, double value) {
    Add(Of(Kind::RunValue, pane, 0, 0, value));
}

void ResultsRecorder::BeginSegment(int pane, int run, int graphType) {
    Add(Of(Kind::BeginSegment, pane, run, graphType));
}

void ResultsRecorder::AppendX(int pane, int run, double x) {
    Add(Of(Kind::X, pane, run, 0, x));
}

void ResultsRecorder::AppendY(int pane, int curve, int run, double y) {
    Add(Of(Kind::Y, pane, curve, run, y));
}

void ResultsRecorder::AppendPair(int pane, int curve, int run, double x, double y) {
    Add(Of(Kind::Pair, pane, curve, run, x, y));
}

void ResultsRecorder::AppendInteger(int pane, int run, int32_t value) {
    Add(Of(Kind::Integer, pane, run, value));
}

void ResultsRecorder::EndSegment(int pane, int run) {
    Add(Of(Kind::EndSegment, pane, run));
}

void ResultsRecorder::Finish(int pane) {
    Add(Of(Kind::Finish, pane));
}

void ResultsRecorder::SetStatusText(const std::string& text) {
    AddText(Kind::StatusText, 0, 0, text);
}

} // namespace korvanix::graph
