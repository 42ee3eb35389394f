#include "analysis/OutputChoices.h"

#include "engine/Engine.h"
#include "engine/Outputs.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"
#include "model/Text1251.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace korvanix::analysis {

bool NaturalLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& name) {
        const std::string bytes = model::Utf8ToCp1251(name);
        const std::size_t digit = bytes.find_first_of("0123456789");
        std::string lead = bytes.substr(0, digit);
        std::string number;
        if (digit != std::string::npos)
            for (std::size_t i = digit; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i)
                number += bytes[i];
        // Leading zeros do not change a number; compared as texts of equal length
        // the digits order like the numbers, however long they are.
        number.erase(0, std::min(number.find_first_not_of('0'), number.size()));
        return std::make_pair(lead, number);
    };
    const auto [leadA, numberA] = split(a);
    const auto [leadB, numberB] = split(b);
    if (leadA != leadB)
        return leadA < leadB;
    if (numberA.size() != numberB.size())
        return numberA.size() < numberB.size();
    return numberA < numberB;
}

namespace {

// What a name offers; null for a node.
int FlagsOf(const model::Element* element, bool frequency) {
    if (!element)
        return OfferedOutput::Voltage;
    if (!frequency)
        return OfferedOutput::Voltage | OfferedOutput::Current;
    const model::ElementKind k = element->kind;
    const bool passive =
        k == model::kind::Resistor || k == model::kind::Capacitor || k == model::kind::Inductance;
    const bool voltage =
        passive || k == model::kind::VoltageSource || k == model::kind::CurrentSource;
    const bool current = passive || k == model::kind::VoltageSource || model::IsCurrentSource(k);
    return (voltage ? OfferedOutput::Voltage : 0) | (current ? OfferedOutput::Current : 0);
}

} // namespace

std::vector<OfferedOutput> OfferedOutputs(engine::Engine& engine, bool frequency) {
    const engine::OutputNameList names = engine::BuildOutputNames(engine);
    // A large circuit offers thousands of names: each is looked up once.
    std::unordered_map<std::string, const model::Element*> byName;
    for (const auto& e : engine.GetScheme().elements)
        byName.emplace(e->Name(), e.get());
    std::vector<OfferedOutput> offered;
    offered.reserve(names.names.size());
    for (int i = 0; i < names.Count(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        OfferedOutput o;
        o.name = names.names[at];
        const model::Element* element = nullptr;
        if (names.kinds[at] == engine::OutputNameList::ElementName) {
            const auto found = byName.find(o.name);
            if (found != byName.end())
                element = found->second;
        }
        o.flags = FlagsOf(element, frequency);
        offered.push_back(std::move(o));
    }
    std::stable_sort(offered.begin(), offered.end(),
                     [](const auto& a, const auto& b) { return NaturalLess(a.name, b.name); });
    return offered;
}

} // namespace korvanix::analysis
