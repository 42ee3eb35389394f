#include "netlist/SubcircuitBuilder.h"

#include "model/ElementKind.h"
#include "model/Text1251.h"

#include <algorithm>
#include <set>
#include <utility>

namespace korvanix::netlist {

using model::Element;
using model::ElementKind;
using model::Wire;

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

std::string TrimRight(std::string s) {
    while (!s.empty() && IsWhiteSpace(s.back()))
        s.pop_back();
    return s;
}

std::string Trim(const std::string& s) {
    std::size_t b = 0;
    while (b < s.size() && IsWhiteSpace(s[b]))
        ++b;
    return TrimRight(s.substr(b));
}

// "|" and a zero character both end a line; the text ends at its first empty line
// (a text that simply stops ends with its last line).
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '|' || c == '\0') {
            if (current.empty())
                return lines;
            lines.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    return lines;
}

// Trimmed, cut to the longest readable line, blanks turned into field separators.
std::string PrepareLine(const std::string& raw) {
    const std::string line =
        TrimRight(model::Utf8Left(Trim(raw), SubcircuitBuilder::kMaxLineLength));
    if (line.empty() || line[0] == '*')
        return line;
    std::string out;
    out.reserve(line.size());
    bool inRun = false;
    for (char c : line) {
        if (IsBlankOrTab(c)) {
            if (!inRun)
                out += ',';
            inRun = true;
        } else {
            out += c;
            inRun = false;
        }
    }
    return out;
}

} // namespace

SubcircuitBuilder::~SubcircuitBuilder() {
    ReleaseExternalWires();
}

void SubcircuitBuilder::Fail(int code, int line) {
    errorCode_ = code;
    errorLine_ = line;
}

Element* SubcircuitBuilder::NewElement(ElementKind kind) {
    std::unique_ptr<Element> e = model::ElementFactory(kind, nextElementId_);
    if (!e)
        return nullptr;
    ++nextElementId_;
    Element* raw = e.get();
    elements_.push_back(std::move(e));
    return raw;
}

Wire* SubcircuitBuilder::NewWire() {
    wires_.push_back(std::make_unique<Wire>(nextWireId_++));
    return wires_.back().get();
}

bool SubcircuitBuilder::Parse(const std::optional<std::string>& text) {
    if (!text) {
        Fail(kBadArgument, 0);
        return false;
    }
    const std::vector<std::string> lines = SplitLines(*text);
    Reset();

    int lineNumber = 0;
    for (const std::string& raw : lines) {
        ++lineNumber;
        const std::string line = PrepareLine(raw);
        if (line.empty() || line[0] == '*')
            continue;
        const ElementKind kind = model::KindFromName(line);
        Element* e = kind == -1 ? nullptr : NewElement(kind);
        if (!e) {
            Fail(kUnknownKind, lineNumber);
            return false;
        }
        if (!e->ParseLine(line)) {
            Fail(kLineError, lineNumber);
            return false;
        }
    }
    BuildNodes();
    return true;
}

void SubcircuitBuilder::BuildNodes() {
    // Only the elements read from the lines; connectors and the ground follow them.
    const std::size_t lineElements = elements_.size();

    std::set<int> used;
    for (std::size_t k = 0; k < lineElements; ++k)
        for (const model::Pin& pin : elements_[k]->pins)
            used.insert(pin.node);
    nodes_.assign(used.begin(), used.end());

    for (int node : nodes_)
        connectors_[node] = NodeConnector{NewElement(model::kind::Connector), 1};

    for (int node : nodes_) {
        for (std::size_t k = 0; k < lineElements; ++k) {
            Element* e = elements_[k].get();
            if (!model::IsCircuitElement(e->kind))
                continue;
            for (int i = 1; i <= e->PinCount(); ++i) {
                if (e->pins[static_cast<std::size_t>(i - 1)].node != node)
                    continue;
                Wire* w = NewWire();
                model::Attach(e, i, w, 1);
                AttachToNode(connectors_[node], w, 2);
            }
        }
    }

    const auto ground = connectors_.find(0);
    if (ground != connectors_.end()) {
        Element* g = NewElement(model::kind::Ground);
        Wire* w = NewWire();
        model::Attach(g, 1, w, 1);
        AttachToNode(ground->second, w, 2);
    }
}

// Pins 1 and 2 take connections; the third connection goes to pin 3 while pin 4
// chains a fresh connector, which then takes the node's further connections from
// its pin 2 on. So a node takes any number of connections.
void SubcircuitBuilder::AttachToNode(NodeConnector& node, Wire* wire, int wireEnd) {
    if (node.nextPin == 3) {
        Element* fresh = NewElement(model::kind::Connector);
        Wire* chain = NewWire();
        model::Attach(node.connector, 4, chain, 1);
        model::Attach(fresh, 1, chain, 2);
        model::Attach(node.connector, 3, wire, wireEnd);
        node.connector = fresh;
        node.nextPin = 2;
        return;
    }
    model::Attach(node.connector, node.nextPin, wire, wireEnd);
    ++node.nextPin;
}

bool SubcircuitBuilder::ConnectExternal(int localNode, Wire* wire, int wireEnd) {
    const auto it = connectors_.find(localNode);
    if (it == connectors_.end() || !wire || (wireEnd != 1 && wireEnd != 2))
        return false;
    AttachToNode(it->second, wire, wireEnd);
    return true;
}

Element* SubcircuitBuilder::ConnectorOf(int localNode) const {
    const auto it = connectors_.find(localNode);
    return it == connectors_.end() ? nullptr : it->second.connector;
}

void SubcircuitBuilder::MergeInto(model::ElementList& elements, model::WireList& wires,
                                  int32_t& nextElementId, int32_t& nextWireId) {
    const int32_t elementIdsUsed = nextElementId_ - 1;
    const int32_t wireIdsUsed = nextWireId_ - 1;
    for (const auto& e : elements_)
        e->id += nextElementId;
    for (const auto& w : wires_)
        w->id += nextWireId;
    // The stored references follow the new ids, also on the surrounding circuit's
    // wires that were connected here.
    for (const auto& e : elements_) {
        for (model::Pin& pin : e->pins) {
            if (!pin.wire)
                continue;
            pin.wireId = pin.wire->id;
            if (pin.wire->EndElement(pin.wireEnd) == e.get())
                (pin.wireEnd == 1 ? pin.wire->end1Id : pin.wire->end2Id) = e->id;
        }
    }
    for (auto& e : elements_)
        elements.push_back(std::move(e));
    for (auto& w : wires_)
        wires.push_back(std::move(w));
    elements_.clear();
    wires_.clear();
    connectors_.clear();
    nodes_.clear();
    nextElementId += elementIdsUsed;
    nextWireId += wireIdsUsed;
    nextElementId_ = 1;
    nextWireId_ = 1;
}

// A wire of the surrounding circuit must not keep pointing at a connector that
// is about to be destroyed.
void SubcircuitBuilder::ReleaseExternalWires() {
    std::set<const Wire*> own;
    for (const auto& w : wires_)
        own.insert(w.get());
    for (const auto& e : elements_) {
        for (model::Pin& pin : e->pins) {
            Wire* w = pin.wire;
            if (!w || own.count(w))
                continue;
            if (w->EndElement(pin.wireEnd) == e.get()) {
                w->ForgetEnd(pin.wireEnd);
                w->Route();
            }
            pin.wire = nullptr;
            pin.wireEnd = 0;
            pin.wireId = 0;
        }
    }
}

void SubcircuitBuilder::Reset() {
    ReleaseExternalWires();
    elements_.clear();
    wires_.clear();
    connectors_.clear();
    nodes_.clear();
    nextElementId_ = 1;
    nextWireId_ = 1;
    errorCode_ = kNoError;
    errorLine_ = 0;
}

std::string SubcircuitBuilder::ErrorMessage() const {
    return MessageFor(errorCode_, errorLine_);
}

std::string SubcircuitBuilder::MessageFor(int code, int line) {
    switch (code) {
    case kNoError:
        return "Подсхема: без ошибок";
    case kLineError:
        return "Подсхема: ошибка в строке " + std::to_string(line);
    case kBadArgument:
        return "Подсхема: неверный параметр при вызове функции";
    case kUnknownKind:
        return "Подсхема: неизвестный тип объекта в строке " + std::to_string(line);
    case kFileError:
        return "Подсхема: ошибка открытия файла";
    default:
        return "Подсхема: неизвестная ошибка";
    }
}

} // namespace korvanix::netlist
