#include "model/ElementKind.h"

namespace korvanix::model {
namespace {

struct KindRow {
    ElementKind kind;
    const char* displayName;
    const char* prefix;
    int sortRank;
};

constexpr KindRow kKinds[] = {
    {kind::Ground, "Земля", "GND", 50},
    {kind::Connector, "Соединитель", "CON", 60},
    {kind::Text, "Неизвестный", "Неизвестный", 0},
    {kind::Resistor, "Резистор", "R", 10},
    {kind::Capacitor, "Конденсатор", "C", 20},
    {kind::Inductance, "Индуктивность", "L", 30},
    {kind::Unistor, "Унистор", "S", 40},
    {kind::VoltageSourceDcOld, "Источник напряжения", "U", 100},
    {kind::VoltageSourceAcOld, "Источник напряжения", "U", 100},
    {kind::VoltageSource, "Источник напряжения", "U", 100},
    {kind::CurrentSourceDcOld, "Источник тока", "I", 200},
    {kind::CurrentSourceAcOld, "Источник тока", "I", 200},
    {kind::CurrentSource, "Источник тока", "I", 200},
    {kind::Vccs, "ИТУН", "ИТУН", 210},
    {kind::Vcvs, "ИНУН", "ИНУН", 220},
    {kind::Cccs, "ИТУТ", "ИТУТ", 210},
    {kind::Ccvs, "ИНУТ", "ИНУТ", 220},
    {kind::Gyrator, "Гиратор", "G", 300},
    {kind::Transformer, "Идеальный трансформатор", "TR", 310},
    {kind::Tube, "Лампа", "VT", 400},
    {kind::Transistor, "Биполярный транзистор n-p-n типа", "V", 410},
    {kind::OpAmp, "Идеальный ОУ", "ОУ", 420},
};

constexpr KindRow kUnknown = {0, "Неизвестный", "Неизвестный", 0};

const KindRow& Row(ElementKind k) {
    for (const KindRow& row : kKinds)
        if (row.kind == k)
            return row;
    return kUnknown;
}

struct NamePrefix {
    const char* prefix;
    ElementKind kind;
};

// The order matters: a longer prefix sharing its start with a shorter one must be
// reached after the shorter one fails on its next character ("V" before "VТ").
// The lamp's prefix here is written with the Cyrillic capital Те.
constexpr NamePrefix kNamePrefixes[] = {
    {"U", kind::VoltageSource}, {"I", kind::CurrentSource}, {"ИТУН", kind::Vccs},
    {"ИТУТ", kind::Cccs},       {"ИНУН", kind::Vcvs},       {"ИНУТ", kind::Ccvs},
    {"R", kind::Resistor},      {"L", kind::Inductance},    {"C", kind::Capacitor},
    {"S", kind::Unistor},       {"G", kind::Gyrator},       {"V", kind::Transistor},
    {"VТ", kind::Tube},         {"TR", kind::Transformer},  {"ОУ", kind::OpAmp},
};

} // namespace

std::string KindDisplayName(ElementKind k) {
    return Row(k).displayName;
}

std::string KindPrefix(ElementKind k) {
    return Row(k).prefix;
}

int KindSortRank(ElementKind k) {
    return Row(k).sortRank;
}

ElementKind KindFromName(const std::string& text) {
    for (const NamePrefix& p : kNamePrefixes) {
        const std::string prefix = p.prefix;
        if (text.compare(0, prefix.size(), prefix) != 0 || text.size() <= prefix.size())
            continue;
        const char next = text[prefix.size()];
        if ((next >= '0' && next <= '9') || next == ',')
            return p.kind;
    }
    return -1;
}

} // namespace korvanix::model
