#include "graph/CsvTable.h"

#include "model/Value.h"

#include <cstddef>

namespace korvanix::graph {

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

namespace {

std::string Number(double v) {
    return model::FormatNumber(v, 17);
}

} // namespace

std::string CsvTable(const std::vector<const GraphData*>& panes, bool sweep) {
    const GraphData* first = panes.empty() ? nullptr : panes.front();

    std::string out = "run";
    if (sweep)
        out += "," + CsvField(first ? first->RunLabel() : std::string());
    out += ",x";
    for (const GraphData* pane : panes)
        for (int c = 0; c < pane->CurveCount(); ++c) {
            const std::string& label = pane->CurveLabel(c);
            if (pane->Paired())
                out += "," + CsvField(pane->PairXCaption() + label) + "," +
                       CsvField(pane->GroupCaption(0) + label);
            else
                out += "," + CsvField(label);
        }
    out += "\n";
    if (!first)
        return out;

    const std::vector<double>& runValues = first->RunValues();
    for (int r = 0; r < first->RunCount(); ++r) {
        const std::string runText = std::to_string(r + 1) + ",";
        std::string swept;
        if (sweep)
            swept = (static_cast<std::size_t>(r) < runValues.size()
                         ? Number(runValues[static_cast<std::size_t>(r)])
                         : std::string()) +
                    ",";
        const Curve& x = first->X(r);
        for (std::size_t i = 0; i < x.Count(); ++i) {
            out += runText;
            out += swept;
            out += Number(x.ValueAt(i));
            for (const GraphData* pane : panes)
                for (int c = 0; c < pane->CurveCount(); ++c) {
                    if (pane->Paired())
                        out += "," + Number(pane->PairX(c, r).ValueAt(i));
                    out += "," + Number(pane->Y(c, r).ValueAt(i));
                }
            out += "\n";
        }
    }
    return out;
}

} // namespace korvanix::graph
