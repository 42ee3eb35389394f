#include "model/Archive.h"
#include "model/CircuitArchive.h"
#include "model/Errors.h"
#include "model/Scheme.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace korvanix::model {

namespace {

// The margin around a fragment's objects, so that the picture does not cut
// strokes at its edges.
constexpr int kFragmentMargin = 5;

// What a fragment covers on the sheet: the elements, their shown tags and the wires.
Rect ObjectsArea(const ElementList& elements, const WireList& wires, bool showNames,
                 bool showValues) {
    Rect area;
    for (const auto& e : elements) {
        area = area.United(e->Bounds());
        if (showNames && e->showNameTag)
            area = area.United(e->nameTag.Area());
        if (showValues && e->showValueTag)
            area = area.United(e->valueTag.Area());
    }
    for (const auto& w : wires)
        area = area.United(w->Area());
    return area;
}

int Shifted(int c, int64_t d) {
    return SaturateToInt(int64_t{c} + d);
}

// Extents of rectangles that may span most of the int range.
int64_t WidthOf(const Rect& r) {
    return int64_t{r.right} - r.left;
}

int64_t HeightOf(const Rect& r) {
    return int64_t{r.bottom} - r.top;
}

// snap(c + d) with the sum formed in 64 bits: positions may come from elsewhere.
int SnapShifted(int c, int64_t d) {
    return Snap(int64_t{c} + d);
}

// The copy never holds a wire with a missing end, a wire on a pin that does not
// name it back, or one id twice; a block that does was not made by a copy.
bool SoundFragment(const ElementList& elements, const WireList& wires) {
    std::unordered_set<int32_t> ids;
    for (const auto& e : elements)
        if (!ids.insert(e->id).second)
            return false;
    ids.clear();
    for (const auto& w : wires) {
        if (!ids.insert(w->id).second)
            return false;
        if (!w->end1 || !w->end2)
            return false;
    }
    return true;
}

} // namespace

ClipboardFragment Scheme::CopySelection(bool deselect, Point pastePointReset) {
    ClipboardFragment fragment;

    std::vector<Element*> chosen;
    std::unordered_set<const Element*> chosenSet;
    for (const auto& e : elements) {
        if (e->selected) {
            chosen.push_back(e.get());
            chosenSet.insert(e.get());
        }
    }
    if (chosen.empty())
        return fragment;

    std::vector<Wire*> between;
    for (const auto& w : wires)
        if (chosenSet.count(w->end1) && chosenSet.count(w->end2))
            between.push_back(w.get());

    ElementList copiedElements;
    WireList copiedWires;
    CopyObjects(chosen, between, copiedElements, copiedWires, false);

    // The copy lives on a sheet of its own with our display options and text
    // metrics: names are numbered among the copied elements only, and its tags and
    // node tags come out as they would be drawn here.
    auto copy = std::make_unique<Scheme>();
    copy->metrics_ = metrics_;
    copy->showNames = showNames;
    copy->showValues = showValues;
    copy->showNodes = showNodes;
    copy->AdoptLoaded(std::move(copiedElements), std::move(copiedWires));

    Rect area = ObjectsArea(copy->elements, copy->wires, showNames, showValues);
    for (const NameTag& tag : copy->nodeTags)
        area = area.United(tag.Area());
    area = area.Inflated(kFragmentMargin);

    const int64_t dx = -int64_t{area.left};
    const int64_t dy = -int64_t{area.top};
    for (const auto& e : copy->elements) {
        e->x = Shifted(e->x, dx);
        e->y = Shifted(e->y, dy);
    }
    for (const auto& w : copy->wires)
        w->Route();
    copy->UpdateAllTags();
    copy->RebuildNodeTags();
    copy->invalid.clear();

    ArchiveWriter writer;
    WriteObjects(writer, Pointers(copy->elements), Pointers(copy->wires));

    fragment.bytes = writer.TakeBytes();
    fragment.size = {SaturateToInt(WidthOf(area)), SaturateToInt(HeightOf(area))};
    fragment.copy = std::move(copy);

    if (deselect)
        ClearSelection();
    pastePoint = pastePointReset;
    return fragment;
}

Rect Scheme::Paste(const uint8_t* data, std::size_t size, int x, int y, Point defaultPoint) {
    if (data == nullptr || size == 0)
        return {};

    // Everything is read and checked into lists of our own first: a block that
    // fails anywhere leaves the sheet exactly as it was. Wires are declared first so
    // that the elements go first when the lists are dropped.
    WireList pastedWires;
    ElementList pasted;
    try {
        ArchiveReader reader(data, size);
        ReadObjects(reader, pasted, pastedWires);
        if (!reader.AtEnd())
            throw FileError(FileError::Corrupt);
    } catch (const FileError&) {
        return {};
    } catch (const SchemeError&) {
        return {};
    }
    if (pasted.empty() || !SoundFragment(pasted, pastedWires))
        return {};

    // Tags are measured with this sheet's metrics; the areas that marks as invalid
    // lie where the fragment was copied, not here, so they are dropped again.
    const std::size_t invalidBefore = invalid.size();
    for (const auto& e : pasted)
        UpdateTags(e.get());
    const Rect measured =
        ObjectsArea(pasted, pastedWires, showNames, showValues).Inflated(kFragmentMargin);

    if (Point{x, y} != kNoPastePoint)
        pastePoint = {x, y};
    if (pastePoint == kNoPastePoint)
        pastePoint = defaultPoint;

    const int64_t dx = int64_t{pastePoint.x} - measured.left;
    const int64_t dy = int64_t{pastePoint.y} - measured.top;
    for (const auto& e : pasted) {
        e->x = SnapShifted(e->x, dx);
        e->y = SnapShifted(e->y, dy);
        UpdateTags(e.get());
    }
    for (const auto& w : pastedWires) {
        w->visible = true;
        w->Route();
    }
    invalid.resize(invalidBefore);
    const Rect area = ObjectsArea(pasted, pastedWires, showNames, showValues);

    // The links inside the fragment are object references by now; the ids only
    // have to be fresh on this sheet.
    for (const auto& e : pasted)
        e->id = nextElementId++;
    for (const auto& w : pastedWires)
        w->id = nextWireId++;
    for (const auto& e : pasted)
        for (Pin& pin : e->pins)
            pin.wireId = pin.wire ? pin.wire->id : 0;
    for (const auto& w : pastedWires) {
        w->end1Id = w->end1 ? w->end1->id : 0;
        w->end2Id = w->end2 ? w->end2->id : 0;
    }

    ClearSelection();
    for (auto& e : pasted) {
        Element* raw = e.get();
        raw->visible = true;
        elements.push_back(std::move(e));
        SetSelected(raw, true);
    }
    for (auto& w : pastedWires)
        wires.push_back(std::move(w));

    pastePoint = {Shifted(pastePoint.x, WidthOf(area)), Shifted(pastePoint.y, HeightOf(area))};

    Invalidate(area);
    modified = true;
    RenumberNodes();
    RenumberNames();
    return area;
}

} // namespace korvanix::model
