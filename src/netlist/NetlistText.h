#pragma once

#include <string>

namespace korvanix::model {
class Scheme;
}

namespace korvanix::netlist {

// The element list of a sheet: four header lines, then one line per circuit
// element in list order, joined by CR LF (UTF-8 here; the text window and the
// file writer convert). Numbers the sheet's nodes and names as a side effect.
std::string BuildNetlistText(model::Scheme& scheme);

} // namespace korvanix::netlist
