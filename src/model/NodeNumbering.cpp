#include "model/Scheme.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace korvanix::model {

namespace {

Wire* PinWire(const Element* e, int pin) {
    if (!e || pin < 1 || pin > e->PinCount())
        return nullptr;
    return e->pins[static_cast<std::size_t>(pin - 1)].wire;
}

// Gives `start` and everything electrically joined to it (through connectors and
// the common terminal of the four-pin kinds) the number m. Iterative, so a long
// chain of connectors cannot exhaust the stack.
void MarkNode(Wire* start, int m) {
    std::vector<Wire*> pending{start};
    while (!pending.empty()) {
        Wire* w = pending.back();
        pending.pop_back();
        if (w->numbered)
            continue;
        w->node = m;
        w->numbered = true;
        for (int end = 1; end <= 2; ++end) {
            const Element* e = w->EndElement(end);
            const int pin = w->EndPin(end);
            if (!e)
                continue;
            if (e->kind == kind::Connector) {
                for (int i = 1; i <= e->PinCount(); ++i)
                    if (i != pin)
                        if (Wire* other = PinWire(e, i))
                            pending.push_back(other);
            } else if (HasCommonTerminal(e->kind) && (pin == 2 || pin == 4)) {
                if (Wire* other = PinWire(e, pin == 2 ? 4 : 2))
                    pending.push_back(other);
            }
        }
    }
}

// Collects the wires reachable from `start` through connectors (not through the
// common terminals), marking them visited, and tells whether one of them ends on
// a ground. A wire reaches a ground through connectors exactly when some wire of
// this group has a ground at an end, so one search per group answers for all of
// its wires and the pass stays linear in the size of the sheet.
bool CollectConnectorGroup(Wire* start, std::vector<Wire*>& group) {
    group.clear();
    start->visited = true;
    group.push_back(start);
    bool grounded = false;
    for (std::size_t k = 0; k < group.size(); ++k) {
        const Wire* w = group[k];
        for (int end = 1; end <= 2; ++end) {
            const Element* e = w->EndElement(end);
            if (!e)
                continue;
            if (e->kind == kind::Ground) {
                grounded = true;
            } else if (e->kind == kind::Connector) {
                const int pin = w->EndPin(end);
                for (int i = 1; i <= e->PinCount(); ++i) {
                    Wire* other = i != pin ? PinWire(e, i) : nullptr;
                    if (other && !other->visited) {
                        other->visited = true;
                        group.push_back(other);
                    }
                }
            }
        }
    }
    return grounded;
}

int ConnectorNode(const Element& connector) {
    for (int i = 1; i <= connector.PinCount(); ++i)
        if (const Wire* w = PinWire(&connector, i))
            return w->numbered ? w->node : -1;
    return -1;
}

} // namespace

int NumberNodes(const WireList& wires) {
    return NumberNodes(Pointers(wires));
}

int NumberNodes(const std::vector<Wire*>& wires) {
    for (Wire* w : wires) {
        w->numbered = false;
        w->visited = false;
    }

    std::vector<Wire*> group;
    for (Wire* w : wires) {
        if (w->visited)
            continue;
        if (CollectConnectorGroup(w, group))
            for (Wire* member : group)
                MarkNode(member, 0);
    }

    int n = 1;
    for (Wire* w : wires) {
        if (w->numbered)
            continue;
        MarkNode(w, n);
        ++n;
    }
    return n - 1;
}

void PlaceNodeTags(int nodeCount, const ElementList& elements, const WireList& wires,
                   std::vector<NameTag>& tags) {
    const std::vector<NameTag> previous = std::move(tags);
    tags.clear();

    // Every node is carried by at least one wire, so no node number can exceed the
    // wire count whatever the caller passes.
    const std::size_t count =
        nodeCount > 0 ? std::min(static_cast<std::size_t>(nodeCount), wires.size()) : 0;
    std::vector<const Element*> connectorOf(count + 1, nullptr);
    std::vector<const Wire*> wireOf(count + 1, nullptr);
    for (const auto& e : elements) {
        if (e->kind != kind::Connector)
            continue;
        const int node = ConnectorNode(*e);
        if (node >= 1 && static_cast<std::size_t>(node) <= count && !connectorOf[node])
            connectorOf[static_cast<std::size_t>(node)] = e.get();
    }
    for (const auto& w : wires) {
        if (w->numbered && w->node >= 1 && static_cast<std::size_t>(w->node) <= count &&
            !wireOf[static_cast<std::size_t>(w->node)])
            wireOf[static_cast<std::size_t>(w->node)] = w.get();
    }

    for (std::size_t n = 1; n <= count; ++n) {
        NameTag tag;
        tag.kind = 3;
        tag.text = std::to_string(n);
        // The number sits above its anchor, starting at it.
        tag.hAlign = 1;
        tag.vAlign = 4;
        if (const Element* c = connectorOf[n]) {
            const Point p = c->PinPosition(3);
            tag.origin = {p.x, p.y - 5};
        } else if (const Wire* w = wireOf[n]) {
            tag.origin = w->TagPoint();
        } else {
            continue;
        }
        tag.anchor = tag.origin;
        for (const NameTag& old : previous) {
            if (old.origin == tag.origin) {
                tag.anchor = old.anchor;
                break;
            }
        }
        tags.push_back(tag);
    }
}

} // namespace korvanix::model
