#pragma once

#include "graph/GraphData.h"

#include <string>
#include <vector>

namespace korvanix::graph {

// Every run of a graph window as comma-separated values: a header row, then one
// row per point of every run in run order. Columns: `run` (1-based), the swept
// value (titled with the run label) when `sweep` is set, `x` (the first pane's
// x values), then every curve of every pane in pane order, titled as the data
// table titles them; a paired curve gives two columns, its horizontal values and
// then its vertical ones. Numbers carry 17 significant digits, so they read back
// to the same doubles; rows end with LF; a field holding a comma or a quote is
// quoted.
std::string CsvTable(const std::vector<const GraphData*>& panes, bool sweep);

// A field as the tables write it: quoted (quotes doubled) when it holds a comma,
// a quote or a line break.
std::string CsvField(const std::string& text);

} // namespace korvanix::graph
