#include "graph/DataTable.h"

#include "model/Text1251.h"
#include "model/Value.h"

#include <algorithm>
#include <cstdint>

namespace korvanix::graph {
namespace {

const char* const kLineEnd = "\r\n";

std::string Number(double v) {
    return model::FormatValue(v, 10, model::kCyrillic, false);
}

// Pads with blanks to `width` characters. A text that fills its field or more
// still gets one blank before a field that follows: two numbers written against
// each other would read back as one.
std::string Field(const std::string& text, int width, bool followed) {
    const std::size_t length = model::Utf8Length(text);
    const auto field = static_cast<std::size_t>(std::max(width, 0));
    if (length >= field)
        return followed ? text + ' ' : text;
    return text + std::string(field - length, ' ');
}

} // namespace

DataTable::DataTable(const GraphData& pane)
    : banner_(std::string("* Данные графика. ") + kProductBanner), first_(&pane) {
    AddColumns(pane);
    Measure();
}

DataTable::DataTable(const std::string& windowTitle, const std::vector<GraphData*>& panes)
    : banner_("* Данные графика[" + windowTitle + "]. " + kProductBanner) {
    for (GraphData* p : panes) {
        if (!p)
            continue;
        if (!first_)
            first_ = p;
        else
            p->SelectRun(first_->SelectedRun());
        AddColumns(*p);
    }
    Measure();
}

void DataTable::AddColumns(const GraphData& pane) {
    for (int c = 0; c < pane.CurveCount(); ++c) {
        const std::string& label = pane.CurveLabel(c);
        if (pane.Paired()) {
            // A trajectory is two columns: its x values, then its y values, each
            // titled by the axis caption before the curve's label.
            columns_.push_back({&pane, c, true, pane.PairXCaption() + label});
            columns_.push_back({&pane, c, false, pane.GroupCaption(0) + label});
        } else {
            columns_.push_back({&pane, c, false, label});
        }
    }
}

void DataTable::Measure() {
    std::size_t longest = 0;
    for (const Column& col : columns_)
        longest = std::max(longest, model::Utf8Length(col.title));
    width_ = static_cast<int>(std::clamp<std::size_t>(longest + 2, 17, 1 << 20));
    const std::size_t points = first_ ? first_->X(first_->SelectedRun()).Count() : 0;
    lines_ = static_cast<int>(std::clamp<std::size_t>(points, 1, INT32_MAX));
}

std::string DataTable::Head() const {
    std::string out = banner_ + kLineEnd + std::string(80, '*') + kLineEnd;
    const std::string integerCaption = first_ ? first_->IntegerCaption() : std::string();
    const std::string xCaption = first_ ? first_->XCaption() : std::string();
    out += Field(xCaption, width_ - 2, !columns_.empty() || !integerCaption.empty());
    for (std::size_t k = 0; k < columns_.size(); ++k)
        out += Field(columns_[k].title, width_, k + 1 < columns_.size() || !integerCaption.empty());
    out += integerCaption + kLineEnd;
    return out;
}

std::string DataTable::Line(int i) const {
    const auto index = static_cast<std::size_t>(std::max(i, 0));
    const int run = first_ ? first_->SelectedRun() : 0;
    const bool integers = first_ && !first_->IntegerCaption().empty();
    std::string out = Field(Number(first_ ? first_->X(run).ValueAt(index) : 0), width_ - 2,
                            !columns_.empty() || integers);
    for (std::size_t k = 0; k < columns_.size(); ++k) {
        const Column& col = columns_[k];
        const int r = col.pane->SelectedRun();
        const double v = col.pairX ? col.pane->PairX(col.curve, r).ValueAt(index)
                                   : col.pane->Y(col.curve, r).ValueAt(index);
        out += Field(Number(v), width_, k + 1 < columns_.size() || integers);
    }
    if (integers)
        out += Number(first_->Integers(run).ValueAt(index));
    out += kLineEnd;
    return out;
}

std::string DataTable::Text(const LineCallback& afterLine) const {
    std::string out = Head();
    for (int i = 0; i < lines_; ++i) {
        out += Line(i);
        if (afterLine && !afterLine(i, lines_))
            break;
    }
    return out;
}

std::string ToFileBytes(const std::string& utf8) {
    return model::Utf8ToCp1251(utf8);
}

std::optional<int> ExportProgress(int index, int count) {
    if (count <= 0 || index < 0)
        return std::nullopt;
    const int every = std::max(1, count / 20);
    if (index % every != 0)
        return std::nullopt;
    return static_cast<int>((int64_t{index} * 100 + 100) / count);
}

std::string ProgressText(int percent) {
    return std::to_string(percent) + " %";
}

} // namespace korvanix::graph
