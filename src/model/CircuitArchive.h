#pragma once

#include "model/Archive.h"
#include "model/Element.h"
#include "model/Wire.h"

#include <vector>

namespace korvanix::model {

// The object lists in the layout shared by the document's circuit section, the
// clipboard and the working copy: element count N, N kind codes, wire count M,
// N element records, M wire records (no version bytes: those belong to the file).
void WriteObjects(ArchiveWriter& ar, const std::vector<Element*>& elements,
                  const std::vector<Wire*>& wires);

// Reads such lists into new objects and resolves the stored ids into references
// (pin -> wire, wire end -> element), then routes the wires. Counts are checked
// against the bytes that remain before anything is allocated; any fault throws
// FileError 100 without a file name, and the output lists are left empty.
void ReadObjects(ArchiveReader& ar, ElementList& elements, WireList& wires);

} // namespace korvanix::model
