#pragma once

#include <cstdint>
#include <string>

namespace korvanix::model {

using ElementKind = int32_t;

namespace kind {
constexpr ElementKind Ground = 200;
constexpr ElementKind Connector = 300;
constexpr ElementKind Text = 900;
constexpr ElementKind Resistor = 1000;
constexpr ElementKind Capacitor = 1001;
constexpr ElementKind Inductance = 1002;
constexpr ElementKind Unistor = 1003;
constexpr ElementKind VoltageSourceDcOld = 2000;
constexpr ElementKind VoltageSourceAcOld = 2001;
constexpr ElementKind VoltageSource = 2010;
constexpr ElementKind CurrentSourceDcOld = 3001;
constexpr ElementKind CurrentSourceAcOld = 3002;
constexpr ElementKind CurrentSource = 3010;
constexpr ElementKind Vccs = 6000; // ИТУН
constexpr ElementKind Vcvs = 6001; // ИНУН
constexpr ElementKind Cccs = 6002; // ИТУТ
constexpr ElementKind Ccvs = 6003; // ИНУТ
constexpr ElementKind Gyrator = 6100;
constexpr ElementKind Transformer = 6101;
constexpr ElementKind Tube = 6200;
constexpr ElementKind Transistor = 6300;
constexpr ElementKind OpAmp = 6400;
} // namespace kind

// Classes of kinds by code range.
inline bool IsTwoTerminal(ElementKind k) {
    return k >= 1000 && k <= 5000;
}
inline bool IsVoltageSource(ElementKind k) {
    return k >= 2000 && k <= 2100;
}
inline bool IsCurrentSource(ElementKind k) {
    return k >= 3000 && k <= 3100;
}
inline bool IsTextKind(ElementKind k) {
    return k >= 900 && k <= 999;
}
inline bool IsCircuitElement(ElementKind k) {
    return k > 999;
}
// Source codes of older files, given the current kind when read.
inline bool IsLegacySourceKind(ElementKind k) {
    return k == kind::VoltageSourceDcOld || k == kind::VoltageSourceAcOld ||
           k == kind::CurrentSourceDcOld || k == kind::CurrentSourceAcOld;
}
// Four-pin kinds whose pins 2 and 4 are one common terminal.
inline bool HasCommonTerminal(ElementKind k) {
    return (k >= kind::Vccs && k <= kind::Ccvs) || k == kind::Gyrator || k == kind::Transformer;
}

std::string KindDisplayName(ElementKind kind);
std::string KindPrefix(ElementKind kind);
int KindSortRank(ElementKind kind);
// Kind of a description line's leading name; -1 when no prefix matches.
ElementKind KindFromName(const std::string& text);

} // namespace korvanix::model
