#pragma once

#include "model/ElementKind.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::model {
class Element;
class Scheme;
} // namespace korvanix::model

namespace korvanix::netlist {

// Kinds the equations cannot take directly: controlled sources, gyrator, ideal
// transformer, lamp, bipolar transistor and ideal op-amp.
bool IsMacroKind(model::ElementKind kind);

// The subcircuit that stands for a macro element, its values printed with 12
// significant digits; empty for any other kind.
std::string MacroModelText(const model::Element& element);

// The subcircuit node a pin of a macro kind is joined to: the four-pin kinds join
// pin 4 with pin 2, the three-pin kinds keep their pin numbers. 0 for an invalid pin.
int MacroTerminalNode(model::ElementKind kind, int pin);

// Makes the analysis working copy of the sheet (text labels left out) and replaces
// every macro element in it, also those that a subcircuit brings in, by its
// subcircuit. When both lists are given they are cleared and then receive, for
// every generated circuit element, its id and the id of the drawn element it stands
// for. Throws SchemeError 4100 with the builder's message when a subcircuit cannot
// be read (a value that does not read back), naming the working element.
void ExpandMacroModels(model::Scheme& scheme, std::vector<int32_t>* generatedIds = nullptr,
                       std::vector<int32_t>* originIds = nullptr);

// Numbers the working copy's nodes, then removes from it every resistor, capacitor,
// inductance and unistor whose two wired pins share a node, and every unistor whose
// pin 1 is on ground; such a unistor's pin-2 wire is kept on a new connector.
void PruneShortedElements(model::Scheme& scheme);

// Makes the document's own objects (text labels left out) the working copy when
// that is exactly what ExpandMacroModels would copy and PruneShortedElements would
// leave alone: no macro element, no source of a legacy kind (a copy promotes it),
// no shorted element. True when it did; false leaves the working copy empty.
// Numbers the document's nodes either way. The analysis then writes into the
// document's objects (names, node numbers, a swept value): only for a caller that
// does not use the document afterwards, and it must not change while analysed.
bool AnalyseInPlace(model::Scheme& scheme);

} // namespace korvanix::netlist
