#pragma once

namespace korvanix::document {
class Document;
} // namespace korvanix::document

namespace korvanix::tools {

// The window clips a sheet to 30000 units a side on opening it: the generators
// refuse a circuit that would not fit, so that every element stays reachable.
constexpr int kLargestSheet = 30000;

// std::invalid_argument naming the size when a sheet would exceed kLargestSheet.
void CheckSheet(int width, int height);

// Both circuits are driven like the ladders: U1, a 1 V, 1 kHz square wave
// (50 % duty), through a source resistor; 5 ms in 2000 points.
struct BenchTransient {
    double endTime = 5e-3;
    int points = 2000;
    double eps = 1e-6;
};

// A side × side grid of nodes: a resistor between horizontal and vertical
// neighbours, a capacitor from every node to ground; U1 drives the corner node
// (row 0, column 0) through a resistor equal to the others.
struct MeshShape {
    int side = 50;
    double resistance = 100;
    double capacitance = 10e-9;
    BenchTransient transient;
};

// `sections` sections of series L and shunt C; U1 drives the first inductance
// through sqrt(L/C), and the same resistance loads the last node, so that the
// line is matched at both ends for the frequencies it passes.
struct LineShape {
    int sections = 1000;
    double inductance = 100e-6;
    double capacitance = 10e-9;
    BenchTransient transient;
};

// The sheet nodes of the two curves a generator stores as the transient
// outputs, in that order.
struct BenchNodes {
    int first = 0;
    int second = 0;
};

// Lays the mesh out row by row on the document's sheet, numbers its nodes and
// stores the transient settings: the voltages of the driven corner's right-hand
// neighbour and of the opposite corner. std::invalid_argument for a side below 2
// or a sheet beyond kLargestSheet.
BenchNodes BuildRcMesh(document::Document& doc, const MeshShape& shape);

// Lays the line out in rows, numbers its nodes and stores the transient
// settings: the voltages of the first section's capacitor and of the loaded end.
// std::invalid_argument for no section or a sheet beyond kLargestSheet.
BenchNodes BuildLcLine(document::Document& doc, const LineShape& shape);

} // namespace korvanix::tools
