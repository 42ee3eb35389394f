#include "model/CircuitArchive.h"

#include "model/Errors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>

namespace korvanix::model {

namespace {

// Least bytes an element record can take: the header's seven integers (the pin
// references come on top of that and are checked by the element itself).
constexpr int64_t kMinElementRecord = 7 * 4;
constexpr int64_t kKindCode = 4;
constexpr int64_t kWireRecord = 5 * 4;

void RequireBytes(const ArchiveReader& ar, int64_t bytes) {
    if (bytes < 0 || static_cast<uint64_t>(bytes) > ar.Remaining())
        throw FileError(FileError::Corrupt);
}

// First object of each id: lookups stay linear in the size of the stream, which
// may come from a hostile file.
template <typename List> auto IndexById(const List& list) {
    std::unordered_map<int32_t, decltype(list.front().get())> index;
    index.reserve(list.size());
    for (const auto& object : list)
        index.emplace(object->id, object.get());
    return index;
}

template <typename Index>
auto Lookup(const Index& index, int32_t id) -> typename Index::mapped_type {
    if (id == 0)
        return nullptr;
    const auto it = index.find(id);
    return it == index.end() ? nullptr : it->second;
}

bool EndIs(const Wire* w, int end, const Element* e, int pin) {
    return w->EndElement(end) == e && w->EndPin(end) == pin;
}

// Resolves the stored ids into references. Each side is first resolved on its own,
// as stored; then only links that both sides agree on are kept. A record stream
// from elsewhere may name a wire that does not name the pin back, or use an id
// twice: a one-sided link would later leave a pin pointing at a deleted wire.
void Resolve(const ElementList& elements, const WireList& wires) {
    const auto wireIndex = IndexById(wires);
    const auto elementIndex = IndexById(elements);
    for (const auto& e : elements)
        for (Pin& pin : e->pins)
            pin.wire = Lookup(wireIndex, pin.wireId);

    for (const auto& w : wires) {
        for (int end = 1; end <= 2; ++end) {
            const int32_t elementId = end == 1 ? w->end1Id : w->end2Id;
            Element* e = Lookup(elementIndex, elementId);
            const int32_t pin = end == 1 ? w->pin1 : w->pin2;
            if (e && (pin < 1 || pin > e->PinCount()))
                throw FileError(FileError::Corrupt);
            if (end == 1) {
                w->end1 = e;
                w->pin1 = e ? pin : 0;
                w->end1Id = e ? e->id : 0;
            } else {
                w->end2 = e;
                w->pin2 = e ? pin : 0;
                w->end2Id = e ? e->id : 0;
            }
        }
    }

    for (const auto& e : elements) {
        for (int i = 1; i <= e->PinCount(); ++i) {
            Pin& pin = e->pins[static_cast<std::size_t>(i - 1)];
            Wire* w = pin.wire;
            int end = 0;
            if (w) {
                // The stored end index decides when it fits; otherwise whichever end
                // names this pin.
                if ((pin.wireEnd == 1 || pin.wireEnd == 2) && EndIs(w, pin.wireEnd, e.get(), i))
                    end = pin.wireEnd;
                else if (EndIs(w, 1, e.get(), i))
                    end = 1;
                else if (EndIs(w, 2, e.get(), i))
                    end = 2;
            }
            if (end == 0) {
                pin.wire = nullptr;
                pin.wireEnd = 0;
                pin.wireId = 0;
            } else {
                pin.wireEnd = end;
                pin.wireId = w->id;
            }
        }
    }

    for (const auto& w : wires) {
        for (int end = 1; end <= 2; ++end) {
            const Element* e = w->EndElement(end);
            if (!e)
                continue;
            const Pin& pin = e->pins[static_cast<std::size_t>(w->EndPin(end) - 1)];
            if (pin.wire == w.get() && pin.wireEnd == end)
                continue;
            w->ForgetEnd(end);
        }
    }
}

} // namespace

void WriteObjects(ArchiveWriter& ar, const std::vector<Element*>& elements,
                  const std::vector<Wire*>& wires) {
    ar.WriteInt32(static_cast<int32_t>(elements.size()));
    for (const Element* e : elements)
        ar.WriteInt32(e->kind);
    ar.WriteInt32(static_cast<int32_t>(wires.size()));
    for (const Element* e : elements)
        e->Save(ar);
    for (const Wire* w : wires)
        w->Save(ar);
}

void ReadObjects(ArchiveReader& ar, ElementList& elements, WireList& wires) {
    elements.clear();
    wires.clear();

    // Declared wires first so that the elements go first when a failure unwinds.
    WireList readWires;
    ElementList readElements;

    const int32_t n = ar.ReadInt32();
    if (n < 0)
        throw FileError(FileError::Corrupt);
    RequireBytes(ar, int64_t{n} * (kKindCode + kMinElementRecord) + 4);
    readElements.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const ElementKind kind = ar.ReadInt32();
        std::unique_ptr<Element> e = ElementFactory(kind, 0);
        if (!e)
            throw FileError(FileError::Corrupt);
        readElements.push_back(std::move(e));
    }

    const int32_t m = ar.ReadInt32();
    if (m < 0)
        throw FileError(FileError::Corrupt);
    RequireBytes(ar, int64_t{n} * kMinElementRecord + int64_t{m} * kWireRecord);
    readWires.reserve(static_cast<std::size_t>(m));
    for (int32_t i = 0; i < m; ++i)
        readWires.push_back(std::make_unique<Wire>(0));

    for (const auto& e : readElements)
        e->Load(ar);
    for (const auto& w : readWires)
        w->Load(ar);

    Resolve(readElements, readWires);
    for (const auto& w : readWires)
        w->Route();

    elements = std::move(readElements);
    wires = std::move(readWires);
}

} // namespace korvanix::model
