#include "RcLadder.h"

#include "BenchCircuits.h"

#include "document/Document.h"
#include "model/Element.h"
#include "model/Geometry.h"
#include "model/Sources.h"
#include "model/Wire.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace korvanix::tools {

model::Element* Place(document::Document& doc, model::ElementKind k, int x, int y, int rotation) {
    model::Element* e = doc.scheme.PlaceNew(k, x, y, rotation);
    if (!e)
        throw std::logic_error("no element of kind " + std::to_string(k));
    return e;
}

void Join(document::Document& doc, model::Element* a, int pinA, model::Element* b, int pinB) {
    doc.scheme.Join(a, pinA, b, pinB);
}

namespace {

namespace kind = model::kind;
using model::Element;

// Rows of 20 sections, widened when the rows would not fit the sheet's height.
constexpr int kPerRow = 20;
constexpr int kColumn = 120;
constexpr int kRow = 200;
constexpr int kLeft = 200;
constexpr int kTop = 200;

// The node after the first resistor.
int FirstNode(const document::Document& doc) {
    for (const auto& e : doc.scheme.elements)
        if (e->kind == kind::Resistor)
            return e->PinNode(2);
    return 0;
}

} // namespace

int BuildRcLadder(document::Document& doc, const LadderShape& entry) {
    if (entry.sections < 1)
        throw std::invalid_argument("a ladder needs at least one section");

    const int maxRows = (kLargestSheet - kTop - 200) / kRow;
    const int perRow = std::max(kPerRow, (entry.sections + maxRows - 1) / maxRows);
    const int rows = (entry.sections + perRow - 1) / perRow;
    const int width = kLeft + kColumn * perRow + 200;
    const int height = kTop + kRow * rows + 200;
    CheckSheet(width, height);

    auto* u1 = dynamic_cast<model::VoltageSource*>(
        Place(doc, kind::VoltageSource, kLeft - 100, kTop + 64));
    if (entry.harmonic) {
        u1->SetMode(model::SourceMode::Ac);
        u1->SetAcAmplitude(1.0);
        u1->SetAcFrequency(1000.0);
    } else {
        u1->SetMode(model::SourceMode::Pulse);
        u1->SetPulseAmplitude(1.0);
        u1->SetPulseFrequency(1000.0);
        u1->SetPulseDuration(50.0);
    }
    Join(doc, u1, 1, Place(doc, kind::Ground, kLeft - 100, kTop + 160), 1);

    Element* previous = u1; // the element whose pin `previousPin` the next R joins
    int previousPin = 2;
    Element* lastCapacitor = nullptr;
    for (int k = 0; k < entry.sections; ++k) {
        const int x = kLeft + kColumn * (k % perRow);
        const int y = kTop + kRow * (k / perRow);
        Element* r = Place(doc, kind::Resistor, x + 40, y, 0);
        r->SetParam(0, LadderShape::kResistance);
        Element* c = Place(doc, kind::Capacitor, x + 96, y + 64, 1);
        c->SetParam(0, LadderShape::kCapacitance);
        // A pin holds one wire: the node after the resistor is a connector that
        // joins the resistor, its capacitor and the next section.
        Element* node = Place(doc, kind::Connector, x + 96, y);
        Join(doc, previous, previousPin, r, 1);
        Join(doc, r, 2, node, 1);
        Join(doc, node, 4, c, 1);
        Join(doc, c, 2, Place(doc, kind::Ground, x + 96, y + 128), 1);
        previous = node;
        previousPin = 3;
        lastCapacitor = c;
    }
    doc.view.sheetWidth = std::max(doc.view.sheetWidth, width);
    doc.view.sheetHeight = std::max(doc.view.sheetHeight, height);
    doc.scheme.RenumberNodes();
    doc.scheme.RenumberNames();
    const int lastNode = lastCapacitor->PinNode(1);
    // The first section's node carries a strong signal for comparisons; the last
    // node's is what a ladder is built for.
    const std::string first = "Узел " + std::to_string(FirstNode(doc));
    const std::string last = "Узел " + std::to_string(lastNode);

    document::TransientSettings& t = doc.settings.transient;
    t.partCount = 1;
    t.parts[0].startTime = 0;
    t.parts[0].endTime = entry.endTime;
    t.parts[0].pointCount = entry.points;
    t.parts[0].mode = document::IntervalPart::ByPoints;
    t.parts[0].step = entry.endTime / entry.points;
    t.parts[0].eps = entry.eps;
    t.SetVoltageOutput(0, first);
    t.SetVoltageOutput(1, last);
    t.voltageOutputCount = first == last ? 1 : 2;
    t.currentOutputCount = 0;

    document::FrequencySettings& f = doc.settings.frequency;
    f.startFrequency = entry.startFrequency;
    f.endFrequency = entry.endFrequency;
    f.pointCount = entry.frequencyPoints;
    f.frequencyScale = 2; // logarithmic
    f.yScale = 1;
    f.SetInputElement("U1");
    f.inputQuantity = document::FrequencySettings::InputVoltage;
    f.phase = 1;
    f.SetVoltageOutput(0, first);
    f.SetVoltageOutput(1, last);
    f.voltageOutputCount = first == last ? 1 : 2;
    f.currentOutputCount = 0;
    return lastNode;
}

} // namespace korvanix::tools
