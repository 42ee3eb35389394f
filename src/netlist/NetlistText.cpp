#include "netlist/NetlistText.h"

#include "model/Element.h"
#include "model/Scheme.h"

namespace korvanix::netlist {

std::string BuildNetlistText(model::Scheme& scheme) {
    scheme.nodeCount = model::NumberNodes(scheme.wires);
    model::RenumberNames(scheme.elements);

    const std::string stars(75, '*');
    std::string text = stars + "\r\n* Список элементов\r\n* Создан в KORVANIX 1.1\r\n" + stars;
    for (const auto& element : scheme.elements) {
        if (element->IsCircuitElement())
            text += "\r\n" + element->NetlistLine();
    }
    return text;
}

} // namespace korvanix::netlist
