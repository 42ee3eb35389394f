#include "graph/DataTable.h"
#include "graph/GraphData.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace korvanix::graph;

namespace {

std::string Blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

const std::string kStars = std::string(80, '*') + "\r\n";

// The third line of the head, after the banner and the asterisks.
std::string HeaderLine(const DataTable& table) {
    const std::string head = table.Head();
    const std::size_t at = head.find(kStars);
    return at == std::string::npos ? std::string() : head.substr(at + kStars.size());
}

// Two 5-character titles, two points, an integer column.
GraphData TransientPane() {
    GraphData d;
    d.SetCounts(2, 1);
    d.SetExpectedPoints(4);
    d.SetXCaption("t, с");
    d.SetIntegerCaption("Итерации");
    d.SetCurveName(0, "U1, В");
    d.SetCurveName(1, "I1, А");
    const double x[] = {0, 0.001};
    const double u[] = {1.5, -2};
    const double i[] = {3e-6, 4};
    const int n[] = {7, 9};
    for (int k = 0; k < 2; ++k) {
        d.AppendX(0, x[k]);
        d.AppendY(0, 0, u[k]);
        d.AppendY(1, 0, i[k]);
        d.AppendInteger(0, n[k]);
    }
    return d;
}

TEST(DataTableTest, ShortTitlesGetWidth17) {
    const GraphData d = TransientPane();
    const DataTable table(d);
    EXPECT_EQ(table.ColumnWidth(), 17);
    EXPECT_EQ(table.LineCount(), 2);
    // Widths count characters: "t, с" is 4 of them (5 bytes), padded to 15.
    const std::string expected =
        "* Данные графика. KORVANIX 1.1\r\n" + kStars + "t, с" + Blanks(11) + "U1, В" + Blanks(12) +
        "I1, А" + Blanks(12) + "Итерации\r\n" + "0" + Blanks(14) + "1.5" + Blanks(14) + "3мк" +
        Blanks(14) + "7\r\n" + "1м" + Blanks(13) + "-2" + Blanks(15) + "4" + Blanks(16) + "9\r\n";
    EXPECT_EQ(table.Text(), expected);
}

TEST(DataTableTest, LongTitleWidensEveryColumn) {
    GraphData d;
    d.SetCounts(2, 1);
    d.SetExpectedPoints(1);
    d.SetXCaption("x");
    d.SetCurveName(0, "абвгдежзийклмнопрсту"); // 20 characters
    d.SetCurveName(1, "b");
    d.AppendX(0, 2);
    d.AppendY(0, 0, 3);
    d.AppendY(1, 0, 4);
    const DataTable table(d);
    EXPECT_EQ(table.ColumnWidth(), 22);
    // No integer caption: no integer column.
    EXPECT_EQ(table.Head(), "* Данные графика. KORVANIX 1.1\r\n" + kStars + "x" + Blanks(19) +
                                "абвгдежзийклмнопрсту" + Blanks(2) + "b" + Blanks(21) + "\r\n");
    EXPECT_EQ(table.Line(0), "2" + Blanks(19) + "3" + Blanks(21) + "4" + Blanks(21) + "\r\n");
}

TEST(DataTableTest, EmptyRunWritesOneLineOfZeros) {
    GraphData d;
    d.SetCounts(1, 2);
    d.SetExpectedPoints(1);
    d.SetCurveName(0, "u");
    d.SetIntegerCaption("N");
    d.AppendX(0, 5); // run 0 has a point; run 1, the one selected, has none
    d.SelectRun(1);
    const DataTable table(d);
    EXPECT_EQ(table.LineCount(), 1);
    const std::string text = table.Text();
    const std::string lastLine = "0" + Blanks(14) + "0" + Blanks(16) + "0\r\n";
    ASSERT_GE(text.size(), lastLine.size());
    EXPECT_EQ(text.substr(text.size() - lastLine.size()), lastLine);
    EXPECT_EQ(text.find("5"), std::string::npos);

    // A pane never given any counts exports the same single line.
    const GraphData nothing;
    EXPECT_EQ(DataTable(nothing).Line(0), "0" + Blanks(14) + "\r\n");
}

TEST(DataTableTest, NumbersThatFillTheirFieldStaySeparated) {
    GraphData d;
    d.SetCounts(2, 1);
    d.SetExpectedPoints(1);
    d.SetCurveName(0, "a");
    d.SetCurveName(1, "b");
    d.AppendX(0, -1.234567891e16);     // "-1.234567891e16": 15 characters, the x field
    d.AppendY(0, 0, -1.234567891e-14); // "-0.1234567891e-13": 17 characters
    d.AppendY(1, 0, -1.234567891e-14);
    const DataTable table(d);
    ASSERT_EQ(table.ColumnWidth(), 17);
    // Written against each other they would read back as other numbers; the last
    // field of the line needs no blank after it.
    EXPECT_EQ(table.Line(0), "-1.234567891e16 -0.1234567891e-13 -0.1234567891e-13\r\n");

    // The same for an x caption longer than its field.
    d.SetXCaption("абвгдежзийклмнопрсту");
    EXPECT_EQ(HeaderLine(DataTable(d)),
              "абвгдежзийклмнопрсту a" + Blanks(16) + "b" + Blanks(16) + "\r\n");
}

TEST(DataTableTest, PairedCurvesWriteTwoColumns) {
    GraphData d;
    d.SetPaired(true);
    d.SetCounts(1, 1);
    d.SetExpectedPoints(1);
    d.SetXCaption("f, Гц");
    d.SetPairXCaption("Re");
    d.SetGroupCaption(0, "Im");
    d.SetCurveName(0, "[U(2)/U(1)]");
    d.AppendX(0, 50);
    d.AppendPair(0, 0, 0.25, -0.5);
    const DataTable table(d);
    EXPECT_EQ(table.ColumnCount(), 2);
    EXPECT_EQ(HeaderLine(table), "f, Гц" + Blanks(10) + "Re[U(2)/U(1)]" + Blanks(4) +
                                     "Im[U(2)/U(1)]" + Blanks(4) + "\r\n");
    EXPECT_EQ(table.Line(0),
              "50" + Blanks(13) + "0.25" + Blanks(13) + "-0.5" + Blanks(13) + "\r\n");
}

TEST(DataTableTest, WindowTableUsesTheFirstPanesRunAndPutsPanesInOrder) {
    GraphData first;
    first.SetCounts(1, 2);
    first.SetExpectedPoints(2);
    first.SetXCaption("t, с");
    first.SetCurveName(0, "U1, В");
    first.AppendX(0, 0);
    first.AppendY(0, 0, 99);
    for (int k = 0; k < 2; ++k) {
        first.AppendX(1, k);
        first.AppendY(0, 1, 10 * (k + 1));
    }
    first.SelectRun(1);

    GraphData second;
    second.SetCounts(1, 2);
    second.SetExpectedPoints(2);
    second.SetXCaption("ignored");
    second.SetIntegerCaption("ignored too");
    second.SetCurveName(0, "Энергия, Дж");
    second.AppendY(0, 0, 77);
    second.AppendY(0, 1, 5);
    second.AppendY(0, 1, 6);
    ASSERT_EQ(second.SelectedRun(), 0);

    const DataTable table("График переходного процесса", {&first, &second});
    EXPECT_EQ(second.SelectedRun(), 1);
    const std::string expected = "* Данные графика[График переходного процесса]. KORVANIX 1.1\r\n" +
                                 kStars + "t, с" + Blanks(11) + "U1, В" + Blanks(12) +
                                 "Энергия, Дж" + Blanks(6) + "\r\n" + "0" + Blanks(14) + "10" +
                                 Blanks(15) + "5" + Blanks(16) + "\r\n" + "1" + Blanks(14) + "20" +
                                 Blanks(15) + "6" + Blanks(16) + "\r\n";
    EXPECT_EQ(table.Text(), expected);
}

TEST(DataTableTest, StoppingEarlyLeavesAShorterValidTable) {
    GraphData d;
    d.SetCounts(1, 1);
    d.SetExpectedPoints(5);
    d.SetCurveName(0, "u");
    for (int k = 0; k < 5; ++k) {
        d.AppendX(0, k);
        d.AppendY(0, 0, k);
    }
    const DataTable table(d);
    std::vector<std::pair<int, int>> calls;
    const std::string text = table.Text([&](int i, int count) {
        calls.emplace_back(i, count);
        return i < 1;
    });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 5}, {1, 5}}));
    EXPECT_EQ(text, table.Head() + table.Line(0) + table.Line(1));
}

TEST(DataTableTest, ProgressEveryTwentiethOfTheLines) {
    std::vector<int> at;
    std::vector<int> shown;
    for (int i = 0; i < 1000; ++i) {
        if (const auto p = ExportProgress(i, 1000)) {
            at.push_back(i);
            shown.push_back(*p);
        }
    }
    ASSERT_EQ(at.size(), 20u);
    for (int k = 0; k < 20; ++k) {
        EXPECT_EQ(at[static_cast<std::size_t>(k)], 50 * k);
        EXPECT_EQ(shown[static_cast<std::size_t>(k)], 5 * k);
    }
    EXPECT_EQ(ProgressText(45), "45 %");

    // Fewer than 20 lines: every line, the last one at 100.
    EXPECT_EQ(ExportProgress(0, 8), 12);
    EXPECT_EQ(ExportProgress(7, 8), 100);
    EXPECT_FALSE(ExportProgress(0, 0).has_value());
    // Large counts do not overflow the percentage.
    EXPECT_EQ(ExportProgress(30000000, 40000000), 75);
}

TEST(DataTableTest, FileBytesAreCodePage1251) {
    const GraphData d = TransientPane();
    const std::string bytes = ToFileBytes(DataTable(d).Text());
    EXPECT_EQ(bytes.substr(0, 8), "* \xC4\xE0\xED\xED\xFB\xE5");
    // One byte a character: the header line is exactly 15 + 17 + 17 + 8 bytes.
    const std::size_t start = bytes.find("t, ");
    const std::size_t end = bytes.find("\r\n", start);
    EXPECT_EQ(end - start, 15u + 17u + 17u + 8u);
}

} // namespace
