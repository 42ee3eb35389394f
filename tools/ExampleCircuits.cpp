#include "ExampleCircuits.h"

#include "document/Document.h"
#include "model/Element.h"
#include "model/Geometry.h"
#include "model/SheetElements.h"
#include "model/Sources.h"
#include "model/Wire.h"

#include <functional>
#include <memory>
#include <stdexcept>

namespace korvanix::tools {

namespace {

using document::Document;
using model::Element;
namespace kind = model::kind;

// Lays out one circuit on the document's sheet.
class SheetBuilder {
public:
    explicit SheetBuilder(Document& doc) : doc_(doc) {}

    // An element of `kind` centred at (x, y) on the grid; `rotation` -1 keeps the
    // kind's own starting orientation.
    Element* Place(model::ElementKind k, int x, int y, int rotation = -1) {
        Element* e = doc_.scheme.PlaceNew(k, x, y, rotation);
        if (!e)
            throw std::logic_error("no element of kind " + std::to_string(k));
        return e;
    }

    Element* Place(model::ElementKind k, int x, int y, int rotation, double value) {
        Element* e = Place(k, x, y, rotation);
        e->SetParam(0, value);
        return e;
    }

    model::VoltageSource* Voltage(int x, int y) {
        return dynamic_cast<model::VoltageSource*>(Place(kind::VoltageSource, x, y));
    }

    void Label(int x, int y, const std::string& text) {
        dynamic_cast<model::TextLabel&>(*Place(kind::Text, x, y)).SetText(text);
    }

    // A ground just below (x, y).
    Element* Ground(int x, int y) { return Place(kind::Ground, x, y); }

    void Join(Element* a, int pinA, Element* b, int pinB) { doc_.scheme.Join(a, pinA, b, pinB); }

    void Finish() {
        doc_.scheme.RenumberNodes();
        doc_.scheme.RenumberNames();
    }

private:
    Document& doc_;
};

void SetTransient(document::TransientSettings& t, double end, int32_t points,
                  const std::vector<std::string>& voltages,
                  const std::vector<std::string>& currents) {
    t.parts[0].endTime = end;
    t.parts[0].pointCount = points;
    t.parts[0].step = end / points;
    for (std::size_t i = 0; i < voltages.size(); ++i)
        t.SetVoltageOutput(static_cast<int>(i), voltages[i]);
    for (std::size_t i = 0; i < currents.size(); ++i)
        t.SetCurrentOutput(static_cast<int>(i), currents[i]);
    t.voltageOutputCount = static_cast<int32_t>(voltages.size());
    t.currentOutputCount = static_cast<int32_t>(currents.size());
}

void SetFrequency(document::FrequencySettings& f, double from, double to, int32_t points,
                  const std::string& input, const std::vector<std::string>& voltages) {
    f.startFrequency = from;
    f.endFrequency = to;
    f.pointCount = points;
    f.frequencyScale = 2; // logarithmic
    f.yScale = 4;         // decibels
    f.SetInputElement(input);
    f.inputQuantity = document::FrequencySettings::InputVoltage;
    f.phase = 1;
    for (std::size_t i = 0; i < voltages.size(); ++i)
        f.SetVoltageOutput(static_cast<int>(i), voltages[i]);
    f.voltageOutputCount = static_cast<int32_t>(voltages.size());
}

// U1 (1 V step) -> R1 1 kOhm -> C1 1 uF to ground: time constant 1 ms, corner 159 Hz.
void RcLowPass(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1504, 1352, "RC-фильтр нижних частот");
    auto* u1 = s.Voltage(1400, 1504);
    u1->SetDcValue(1.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, 0, 1000.0);
    Element* c1 = s.Place(kind::Capacitor, 1608, 1504, 1, 1e-6);
    Element* g1 = s.Ground(1400, 1600);
    Element* g2 = s.Ground(1608, 1600);
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, c1, 1);
    s.Join(c1, 2, g2, 1);
    s.Join(u1, 1, g1, 1);
    s.Finish();

    SetTransient(doc.settings.transient, 0.005, 250, {"C1"}, {"R1"});
    SetFrequency(doc.settings.frequency, 1.0, 100000.0, 200, "U1", {"C1"});
}

// U1 (1 V step) -> R1 -> L1 -> C1: an underdamped series circuit ringing near
// 503 Hz, with R1 swept to show the damping.
void SeriesRlc(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1560, 1352, "Последовательный RLC-контур");
    auto* u1 = s.Voltage(1400, 1504);
    u1->SetDcValue(1.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, 0, 10.0);
    Element* l1 = s.Place(kind::Inductance, 1624, 1440, 0, 0.01);
    Element* c1 = s.Place(kind::Capacitor, 1728, 1504, 1, 1e-5);
    Element* g1 = s.Ground(1400, 1600);
    Element* g2 = s.Ground(1728, 1600);
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, l1, 1);
    s.Join(l1, 2, c1, 1);
    s.Join(c1, 2, g2, 1);
    s.Join(u1, 1, g1, 1);
    s.Finish();

    document::TransientSettings& t = doc.settings.transient;
    SetTransient(t, 0.02, 400, {"C1"}, {"L1"});
    t.sweepEnabled = 1;
    t.sweep.SetElementName("R1");
    t.sweep.paramIndex = 0;
    t.sweep.startValue = 5.0;
    t.sweep.endValue = 50.0;
    t.sweep.graphCount = 4;
    t.sweep.method = document::SweepSettings::Linear;
    SetFrequency(doc.settings.frequency, 10.0, 100000.0, 300, "U1", {"C1", "R1"});
}

// A common-emitter stage in small-signal form: 10 mV at 1 kHz through C1 into
// the base, R1 to ground at the base, R3 in the emitter, load R2 at the collector.
void TransistorAmplifier(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1504, 1272, "Усилитель на транзисторе");
    auto* u1 = s.Voltage(1296, 1544);
    u1->SetMode(model::SourceMode::Ac);
    u1->SetAcAmplitude(0.01);
    u1->SetAcFrequency(1000.0);
    Element* c1 = s.Place(kind::Capacitor, 1400, 1480, 0, 1e-5);
    Element* base = s.Place(kind::Connector, 1480, 1480);
    Element* r1 = s.Place(kind::Resistor, 1480, 1576, 1, 50000.0);
    Element* v1 = s.Place(kind::Transistor, 1568, 1440);
    Element* r2 = s.Place(kind::Resistor, 1672, 1512, 1, 5000.0);
    Element* r3 = s.Place(kind::Resistor, 1496, 1368, 1, 100.0);
    Element* gu = s.Ground(1296, 1640);
    Element* gb = s.Ground(1480, 1656);
    Element* ge = s.Ground(1432, 1336);
    Element* gc = s.Ground(1672, 1600);
    s.Join(u1, 2, c1, 1);
    s.Join(c1, 2, base, 1);
    s.Join(base, 4, r1, 1);
    s.Join(base, 3, v1, 2);
    s.Join(v1, 1, r3, 2);
    s.Join(r3, 1, ge, 1);
    s.Join(v1, 3, r2, 1);
    s.Join(r2, 2, gc, 1);
    s.Join(r1, 2, gb, 1);
    s.Join(u1, 1, gu, 1);
    s.Finish();

    SetTransient(doc.settings.transient, 0.005, 500, {"R2", "R1"}, {});
    SetFrequency(doc.settings.frequency, 10.0, 10000000.0, 300, "U1", {"R2"});
}

// An inverting stage: R1 10 kOhm in, R2 100 kOhm feedback, gain -10 into the load R3.
void OpAmpStage(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1504, 1336, "Инвертирующий усилитель на ОУ");
    auto* u1 = s.Voltage(1296, 1544);
    u1->SetMode(model::SourceMode::Ac);
    u1->SetAcAmplitude(0.1);
    u1->SetAcFrequency(1000.0);
    Element* r1 = s.Place(kind::Resistor, 1400, 1480, 0, 10000.0);
    Element* in = s.Place(kind::Connector, 1480, 1480);
    Element* a1 = s.Place(kind::OpAmp, 1568, 1488);
    Element* r2 = s.Place(kind::Resistor, 1568, 1400, 0, 100000.0);
    Element* out = s.Place(kind::Connector, 1648, 1488);
    Element* r3 = s.Place(kind::Resistor, 1648, 1576, 1, 10000.0);
    Element* gu = s.Ground(1296, 1640);
    Element* ga = s.Ground(1520, 1560);
    Element* gl = s.Ground(1648, 1656);
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, in, 1);
    s.Join(in, 3, a1, 1);
    s.Join(in, 2, r2, 1);
    s.Join(r2, 2, out, 2);
    s.Join(a1, 3, out, 1);
    s.Join(out, 4, r3, 1);
    s.Join(r3, 2, gl, 1);
    s.Join(a1, 2, ga, 1);
    s.Join(u1, 1, gu, 1);
    s.Finish();

    SetTransient(doc.settings.transient, 0.003, 300, {"R3", "U1"}, {"R2"});
    SetFrequency(doc.settings.frequency, 10.0, 1000000.0, 200, "U1", {"R3"});
}

struct Example {
    const char* fileName;
    void (*build)(Document&);
};

const Example kExamples[] = {
    {"rc_lowpass.scm", RcLowPass},
    {"rlc_series.scm", SeriesRlc},
    {"transistor_amplifier.scm", TransistorAmplifier},
    {"opamp_inverting.scm", OpAmpStage},
};

// Writing examples never overwrites a protected file without being told to.
class BatchPrompts : public document::DocumentPrompts {
public:
    document::Answer Ask(const std::string&, bool) override { return document::Answer::No; }
    void Warn(const std::string& message) override { warning = message; }
    bool ChooseSavePath(const std::string&, std::string&) override { return false; }
    std::string warning;
};

} // namespace

std::vector<std::string> ExampleFileNames() {
    std::vector<std::string> names;
    for (const Example& e : kExamples)
        names.push_back(e.fileName);
    return names;
}

std::string WriteExamples(const std::string& folder) {
    for (const Example& e : kExamples) {
        Document doc;
        e.build(doc);
        BatchPrompts prompts;
        const std::string path = folder + "/" + e.fileName;
        const document::SaveResult saved = doc.SaveAs(path, prompts);
        if (!saved.saved)
            return !saved.message.empty()     ? saved.message
                   : !prompts.warning.empty() ? prompts.warning
                                              : path + ": not overwritten (read-only)";
    }
    return {};
}

} // namespace korvanix::tools
