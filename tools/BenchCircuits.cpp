#include "BenchCircuits.h"
#include "RcLadder.h"

#include "document/Document.h"
#include "model/Element.h"
#include "model/Sources.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvanix::tools {

namespace {

namespace kind = model::kind;
using model::Element;

constexpr int kLeft = 400;
constexpr int kTop = 200;
constexpr int kMargin = 300;

// U1 with its ground left of (x, y) and its series resistor ending near (x, y);
// returns the resistor, whose pin 2 the circuit joins.
Element* SquareWaveThroughResistor(document::Document& doc, int x, int y, double resistance) {
    auto* u1 =
        dynamic_cast<model::VoltageSource*>(Place(doc, kind::VoltageSource, x - 200, y + 64));
    u1->SetMode(model::SourceMode::Pulse);
    u1->SetPulseAmplitude(1.0);
    u1->SetPulseFrequency(1000.0);
    u1->SetPulseDuration(50.0);
    Join(doc, u1, 1, Place(doc, kind::Ground, x - 200, y + 160), 1);
    Element* rs = Place(doc, kind::Resistor, x - 90, y, 0);
    rs->SetParam(0, resistance);
    Join(doc, u1, 2, rs, 1);
    return rs;
}

// The node numbers are final only after the whole sheet is numbered, so the
// outputs are read from connectors afterwards.
BenchNodes StoreTransient(document::Document& doc, const BenchTransient& transient,
                          const Element* first, const Element* second) {
    doc.scheme.RenumberNodes();
    doc.scheme.RenumberNames();
    const BenchNodes nodes{first->PinNode(1), second->PinNode(1)};
    document::TransientSettings& t = doc.settings.transient;
    t.partCount = 1;
    t.parts[0].startTime = 0;
    t.parts[0].endTime = transient.endTime;
    t.parts[0].pointCount = transient.points;
    t.parts[0].mode = document::IntervalPart::ByPoints;
    t.parts[0].step = transient.endTime / transient.points;
    t.parts[0].eps = transient.eps;
    t.SetVoltageOutput(0, "Узел " + std::to_string(nodes.first));
    t.SetVoltageOutput(1, "Узел " + std::to_string(nodes.second));
    t.voltageOutputCount = 2;
    t.currentOutputCount = 0;
    return nodes;
}

} // namespace

void CheckSheet(int width, int height) {
    if (width > kLargestSheet || height > kLargestSheet)
        throw std::invalid_argument("the circuit needs a sheet of " + std::to_string(width) +
                                    " × " + std::to_string(height) + " units, more than " +
                                    std::to_string(kLargestSheet) + " a side");
}

BenchNodes BuildRcMesh(document::Document& doc, const MeshShape& shape) {
    if (shape.side < 2)
        throw std::invalid_argument("a mesh needs at least two nodes a side");
    // Every node is a pair of connectors, since a pin holds one wire and a node
    // joins up to four resistors and its capacitor: the left one takes the
    // resistors from the left and from above and the one below, the right one the
    // resistor to the right and the capacitor.
    constexpr int kPitch = 200;
    const int n = shape.side;
    const int width = kLeft + kPitch * (n - 1) + kMargin;
    const int height = kTop + kPitch * (n - 1) + kMargin;
    CheckSheet(width, height);

    Element* source = SquareWaveThroughResistor(doc, kLeft, kTop, shape.resistance);
    std::vector<Element*> above(static_cast<std::size_t>(n), nullptr); // vertical resistors
    Element* neighbour = nullptr;
    Element* farCorner = nullptr;
    for (int i = 0; i < n; ++i) {
        Element* fromLeft = nullptr;
        for (int j = 0; j < n; ++j) {
            const int x = kLeft + kPitch * j;
            const int y = kTop + kPitch * i;
            Element* a = Place(doc, kind::Connector, x, y);
            Element* b = Place(doc, kind::Connector, x + 30, y);
            Join(doc, a, 3, b, 1);
            if (i == 0 && j == 0)
                Join(doc, source, 2, a, 1);
            if (fromLeft)
                Join(doc, fromLeft, 2, a, 1);
            Element*& down = above[static_cast<std::size_t>(j)];
            if (down)
                Join(doc, down, 2, a, 2);
            Element* c = Place(doc, kind::Capacitor, x + 64, y + 64, 1);
            c->SetParam(0, shape.capacitance);
            Join(doc, b, 4, c, 1);
            Join(doc, c, 2, Place(doc, kind::Ground, x + 64, y + 128), 1);
            fromLeft = nullptr;
            if (j + 1 < n) {
                fromLeft = Place(doc, kind::Resistor, x + 112, y, 0);
                fromLeft->SetParam(0, shape.resistance);
                Join(doc, b, 3, fromLeft, 1);
            }
            down = nullptr;
            if (i + 1 < n) {
                down = Place(doc, kind::Resistor, x, y + 100, 1);
                down->SetParam(0, shape.resistance);
                Join(doc, a, 4, down, 1);
            }
            if (i == 0 && j == 1)
                neighbour = a;
            if (i == n - 1 && j == n - 1)
                farCorner = a;
        }
    }
    doc.view.sheetWidth = std::max(doc.view.sheetWidth, width);
    doc.view.sheetHeight = std::max(doc.view.sheetHeight, height);
    return StoreTransient(doc, shape.transient, neighbour, farCorner);
}

BenchNodes BuildLcLine(document::Document& doc, const LineShape& shape) {
    if (shape.sections < 1)
        throw std::invalid_argument("a line needs at least one section");
    constexpr int kPerRow = 50;
    constexpr int kColumn = 120;
    constexpr int kRow = 240;
    const int rows = (shape.sections + kPerRow - 1) / kPerRow;
    const int width = kLeft + kColumn * std::min(shape.sections, kPerRow) + kMargin;
    const int height = kTop + kRow * rows + kMargin;
    CheckSheet(width, height);

    const double impedance = std::sqrt(shape.inductance / shape.capacitance);
    Element* previous = SquareWaveThroughResistor(doc, kLeft, kTop, impedance);
    int previousPin = 2;
    Element* firstNode = nullptr;
    Element* node = nullptr;
    int x = 0;
    int y = 0;
    for (int k = 0; k < shape.sections; ++k) {
        x = kLeft + kColumn * (k % kPerRow);
        y = kTop + kRow * (k / kPerRow);
        Element* l = Place(doc, kind::Inductance, x + 40, y, 0);
        l->SetParam(0, shape.inductance);
        Element* c = Place(doc, kind::Capacitor, x + 96, y + 64, 1);
        c->SetParam(0, shape.capacitance);
        node = Place(doc, kind::Connector, x + 96, y);
        Join(doc, previous, previousPin, l, 1);
        Join(doc, l, 2, node, 1);
        Join(doc, node, 4, c, 1);
        Join(doc, c, 2, Place(doc, kind::Ground, x + 96, y + 128), 1);
        previous = node;
        previousPin = 3;
        if (!firstNode)
            firstNode = node;
    }
    Element* load = Place(doc, kind::Resistor, x + 150, y + 64, 1);
    load->SetParam(0, impedance);
    Join(doc, node, 3, load, 1);
    Join(doc, load, 2, Place(doc, kind::Ground, x + 150, y + 128), 1);
    doc.view.sheetWidth = std::max(doc.view.sheetWidth, width);
    doc.view.sheetHeight = std::max(doc.view.sheetHeight, height);
    return StoreTransient(doc, shape.transient, firstNode, node);
}

} // namespace korvanix::tools
