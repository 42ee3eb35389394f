#pragma once

#include "graph/GraphData.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvanix::graph {

// Product name and version as the data files carry them.
constexpr const char* kProductBanner = "KORVANIX 1.1";

// The numbers behind the curves of a pane or a window as a fixed-width text table:
// a banner, a line of asterisks, a header and one line per point of the selected
// run, every line ending in CR LF. Texts are UTF-8; ToFileBytes gives the file's
// code page. The table reads the panes when its lines are asked for, so they must
// outlive it.
class DataTable {
public:
    // Called after each data line with its index and the number of lines; false
    // stops the table there (what is written stays a valid table).
    using LineCallback = std::function<bool(int index, int count)>;

    // One pane.
    explicit DataTable(const GraphData& pane);
    // Every pane of a window, columns in pane order; the x values, x caption and
    // integer column are the first pane's. The other panes are switched to the
    // first pane's selected run, as the window shows them while exporting.
    DataTable(const std::string& windowTitle, const std::vector<GraphData*>& panes);

    // W: 17, or the longest column title plus 2 when that is more.
    int ColumnWidth() const { return width_; }
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // Points of the selected run, or 1 (a line of zeros) when the run is empty.
    int LineCount() const { return lines_; }

    // Banner, asterisks and header line.
    std::string Head() const;
    // Data line i (0-based).
    std::string Line(int i) const;
    std::string Text(const LineCallback& afterLine = {}) const;

private:
    struct Column {
        const GraphData* pane = nullptr;
        int curve = 0;
        bool pairX = false;
        std::string title;
    };

    void AddColumns(const GraphData& pane);
    void Measure();

    std::string banner_;
    const GraphData* first_ = nullptr;
    std::vector<Column> columns_;
    int width_ = 17;
    int lines_ = 1;
};

// Data table bytes for the file: code page 1251.
std::string ToFileBytes(const std::string& utf8);

// The export's progress: the percentage to show after line `index` of `count`, on
// every max(1, count / 20)-th line; nothing on the others.
std::optional<int> ExportProgress(int index, int count);
// "%d %%".
std::string ProgressText(int percent);

} // namespace korvanix::graph
