#pragma once

#include "model/Element.h"
#include "model/Wire.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvanix::netlist {

// Builds a small circuit of primitive elements from the subcircuit line language:
// lines separated by "|" (or by zero characters), ending at the first empty line.
// Each element line is a description line of the catalogue with blanks instead of
// commas; the numbers on it are local nodes. Every local node gets a connector, and
// every pin a wire to its node's connector. Objects carry the builder's own ids
// from 1 until they are merged into a circuit.
//
// Bad lines never throw: Parse returns false and keeps the code and line number.
class SubcircuitBuilder {
public:
    static constexpr int kNoError = 0;
    static constexpr int kLineError = 100;
    static constexpr int kBadArgument = 110;
    static constexpr int kUnknownKind = 200;
    static constexpr int kFileError = 300;

    // Longest line, in characters, that is read; the rest is cut off.
    static constexpr std::size_t kMaxLineLength = 250;

    SubcircuitBuilder() = default;
    ~SubcircuitBuilder();
    SubcircuitBuilder(const SubcircuitBuilder&) = delete;
    SubcircuitBuilder& operator=(const SubcircuitBuilder&) = delete;

    // Builds the subcircuit of a text; no text at all is error 110. Starts from an
    // empty builder (except for that error, which changes nothing but the code).
    bool Parse(const std::optional<std::string>& text);

    // Joins end `wireEnd` of a wire of the surrounding circuit to the connector of
    // a local node, letting go of whatever that end held. False (and nothing
    // changed) when the node does not occur in the subcircuit or the end is invalid.
    bool ConnectExternal(int localNode, model::Wire* wire, int wireEnd);

    // Moves every created element and wire to the end of the given lists, their ids
    // shifted by the counters, and advances the counters by the ids used. The
    // builder is empty afterwards (its error code stays).
    void MergeInto(model::ElementList& elements, model::WireList& wires, int32_t& nextElementId,
                   int32_t& nextWireId);

    std::string ErrorMessage() const;
    // The message of an error code; the line number is used by 100 and 200 only.
    static std::string MessageFor(int code, int line);
    // Empties the builder: no objects, counters at 1, no error. Wires of the
    // surrounding circuit that were connected and not merged are let go first.
    void Reset();

    int ErrorCode() const { return errorCode_; }
    // Line of the last error, counted from 1 over all lines; 0 when none.
    int ErrorLine() const { return errorLine_; }

    // In creation order: the line elements, the node connectors (ascending nodes),
    // the connectors chained on the way, then the ground when node 0 occurs.
    const model::ElementList& Elements() const { return elements_; }
    const model::WireList& Wires() const { return wires_; }
    // Local nodes that occur, ascending.
    const std::vector<int>& Nodes() const { return nodes_; }
    // The connector that takes the node's next connection (the last of a chain).
    model::Element* ConnectorOf(int localNode) const;

private:
    struct NodeConnector {
        model::Element* connector = nullptr;
        int nextPin = 1;
    };

    void Fail(int code, int line);
    void BuildNodes();
    void AttachToNode(NodeConnector& node, model::Wire* wire, int wireEnd);
    model::Element* NewElement(model::ElementKind kind);
    model::Wire* NewWire();
    void ReleaseExternalWires();

    model::ElementList elements_;
    model::WireList wires_;
    std::map<int, NodeConnector> connectors_;
    std::vector<int> nodes_;
    int32_t nextElementId_ = 1;
    int32_t nextWireId_ = 1;
    int errorCode_ = kNoError;
    int errorLine_ = 0;
};

} // namespace korvanix::netlist
