#pragma once

#include "model/Element.h"
#include "model/Geometry.h"
#include "model/NameTag.h"
#include "model/Wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::model {

// Fixed-pitch text extents for the batch tool and tests.
class FixedTextMetrics : public TextMetrics {
public:
    Size TextExtent(const std::string& utf8, int font) const override;
};

// ---- Clipboard transfer ----
struct ClipboardFragment;
// ---- end of clipboard transfer ----

// The document model behind the schematic editor: elements, wires, selection and
// the edit operations on them. Rectangles that need repainting are collected in
// `invalid` for the window to consume.
class Scheme {
public:
    Scheme();
    ~Scheme();
    Scheme(const Scheme&) = delete;
    Scheme& operator=(const Scheme&) = delete;

    // Removes every element and wire; ids start again at 1.
    void Clear();
    // Takes over objects read from a record stream (already resolved): routes the
    // wires, sets the id counters past the largest ids, numbers nodes and names.
    void AdoptLoaded(ElementList elements, WireList wires);

    void SetTextMetrics(const TextMetrics* metrics); // null: fixed metrics

    void AddElement(std::unique_ptr<Element> element);
    // Creates an element of `kind` with the next id at the snapped position (and
    // the given quarter turns; -1 keeps the kind's own), appends it and returns
    // it; null for a code not in the catalogue.
    Element* PlaceNew(ElementKind kind, int x = 0, int y = 0, int rotation = -1);
    // Joins pin `pinA` of `a` to pin `pinB` of `b` with a new routed wire appended
    // to the wire list.
    Wire* Join(Element* a, int pinA, Element* b, int pinB);
    void DeleteElement(Element* element);
    void DeleteSelection();

    bool SelectAt(int x, int y, bool toggle);
    void SelectInRect(int x1, int y1, int x2, int y2);
    void SelectAll();
    // Exactly the elements with these ids become the selection (after the
    // history rebuilt the circuit's objects).
    void SelectIds(const std::vector<int32_t>& ids);
    void ClearSelection();

    void BeginDrag();
    void MoveSelection(int dx, int dy);
    void MoveAll(int dx, int dy);
    int FinishMove(int dx, int dy);

    int RotateSelection();
    void MirrorSelectionX();
    void MirrorSelectionY();
    bool CanRotateSelection() const;
    bool CanMirrorSelectionX() const;
    bool CanMirrorSelectionY() const;

    Element* ElementAt(int x, int y) const;
    // The wire under a point and the kind of hit (1 horizontal segment, 2 vertical
    // segment, 3 inner corner); null when none.
    // What of a wire a point lies on.
    enum class WireHitKind { None = 0, HorizontalSegment = 1, VerticalSegment = 2, Corner = 3 };
    Wire* WireAt(int x, int y, WireHitKind* hitKind = nullptr) const;
    std::string ObjectCaption(int x, int y) const;

    Point StartWire(int x, int y);
    Point FinishWire(int x, int y);
    bool HasPendingWire() const { return pendingElement_ != nullptr; }

    // Splits a wire that passes through a just moved, unconnected element: 1 when split.
    int InsertIntoWire(Element* element);

    // Renumbers names, opens the parameter dialog of the first selected element and
    // refreshes its tags; the dialog's result (0 when nothing is selected).
    int EditSelected(ParameterEditor& editor);

    // Numbers nodes, stores the node count and rebuilds the node tags.
    int RenumberNodes();
    void RenumberNames();
    void RebuildNodeTags();
    // Refreshes tag texts and positions of one element.
    void UpdateTags(Element* element);
    void UpdateAllTags();

    // Draws the sheet: elements whose centre lies in `area` (symbol, then tags),
    // then the wires, then the node tags when shown; printing draws nothing as
    // selected.
    void Draw(Painter& painter, bool printing, const Rect& area) const;
    // The selected elements as outlines moved by (dx, dy), those far outside the
    // visible area left out.
    void DrawDragOutline(Painter& painter, int dx, int dy, const Rect& visible) const;
    // The circle of radius 6 around the tracked pin, if any.
    void DrawPinMark(Painter& painter) const;

    bool TrackPin(int x, int y, bool drawingWire);
    Element* TrackedElement() const { return trackedElement_; }
    int TrackedPin() const { return trackedPin_; }

    // Deep copy through a record stream; text labels left out with skipText.
    static void CopyObjects(const std::vector<Element*>& elements, const std::vector<Wire*>& wires,
                            ElementList& toElements, WireList& toWires, bool skipText);

    Element* FindElement(int32_t id) const;
    Wire* FindWire(int32_t id) const;
    std::unique_ptr<Wire> NewWire(); // takes the next wire id
    int32_t TakeElementId() { return nextElementId++; }

    ElementList elements;
    WireList wires;
    std::vector<Element*> selection;
    int32_t nextElementId = 1;
    int32_t nextWireId = 1;
    int nodeCount = 0;
    bool modified = false;
    std::vector<Rect> invalid;
    std::vector<NameTag> nodeTags;
    bool showNames = true;
    bool showValues = true;
    bool showNodes = false;

    // Analysis working copy (filled by the macro expansion): the objects analysed,
    // in order. They are owned by the two stores, or, when the document's own
    // objects are analysed in place, by `elements` and `wires`.
    std::vector<Element*> workingElements;
    std::vector<Wire*> workingWires;
    ElementList workingElementStore;
    WireList workingWireStore;
    std::vector<int32_t> originIds;
    // Ids of the generated primitives, paired by position with originIds (the drawn
    // element each stands for).
    std::vector<int32_t> generatedIds;

    // ---- Clipboard transfer ----
    // Where the next pasted fragment's top-left goes; kNoPastePoint until the first
    // copy or paste sets it.
    static constexpr Point kNoPastePoint{-100, -100};
    Point pastePoint = kNoPastePoint;

    // Copies the selected elements and the wires whose both ends are selected: the
    // record stream for the clipboard and the copy laid out for its picture. An
    // empty selection changes nothing and gives an empty fragment. Otherwise the
    // selection is cleared with `deselect`, and the paste point becomes
    // `pastePointReset`.
    ClipboardFragment CopySelection(bool deselect, Point pastePointReset);
    // Inserts a fragment copied by CopySelection with its top-left at (x, y), or at
    // the paste point when (x, y) is kNoPastePoint (`defaultPoint` when that is not
    // set either); the pasted objects become the selection and the paste point
    // moves on by the pasted area's size. Returns that area. A block that does not
    // read back whole and sound changes nothing and gives an empty rectangle.
    Rect Paste(const uint8_t* data, std::size_t size, int x, int y, Point defaultPoint);
    Rect Paste(const std::vector<uint8_t>& bytes, int x, int y, Point defaultPoint) {
        return Paste(bytes.data(), bytes.size(), x, y, defaultPoint);
    }
    // ---- end of clipboard transfer ----

private:
    // After a move or rotation: one selected element may split the wire it was
    // dropped on; then the nodes are renumbered, else only their tags rebuilt.
    int InsertSingleSelection();
    // Where a point lies on a wire's shape: an inner corner (index of the point) or
    // a segment (index of its first point).
    struct WireHit {
        Wire* wire = nullptr;
        WireHitKind kind = WireHitKind::None;
        int index = 0;
    };

    const TextMetrics& Metrics() const;
    void Invalidate(const Rect& r);
    void InvalidateElement(const Element* e);
    void InvalidateNodeTags();
    void SetSelected(Element* e, bool on);
    // Whether a node number belongs to what a running drag moves.
    bool MovesWithDrag(const NameTag& tag) const;
    // Drops every reference the sheet keeps to an element about to be destroyed.
    void ForgetElement(const Element* e);
    void RerouteWiresOf(const Element* e);
    // Creates, attaches, routes and appends a wire between two pins.
    Wire* AddWire(Element* a, int pinA, Element* b, int pinB);
    // Detaches a wire from both ends, removes it from the list and destroys it.
    void RemoveWire(Wire* w);
    WireHit HitWire(int x, int y) const;
    // The pins of `e` that face the hit wire's two ends, seen along the wire from
    // the hit place. False when the ends do not face two distinct pins.
    static bool FacingPins(const WireHit& hit, const Element* e, int& pinToEnd1, int& pinToEnd2);
    // Replaces a wire by two wires from its old ends to the given pins of `e`.
    void SplitWire(Wire* w, Element* e, int pinToEnd1, int pinToEnd2);

    const TextMetrics* metrics_ = nullptr;
    FixedTextMetrics fixedMetrics_;
    Element* pendingElement_ = nullptr;
    int pendingPin_ = 0;
    Element* trackedElement_ = nullptr;
    int trackedPin_ = 0;
    Element* previousTrackedElement_ = nullptr;
    int previousTrackedPin_ = 0;
};

// ---- Clipboard transfer ----
// A copied fragment: the record stream (element count, kind codes, wire count,
// element records, wire records) and the same objects on a sheet of their own,
// shifted so that their bounding rectangle, grown by 5 units, starts at (0, 0).
struct ClipboardFragment {
    std::vector<uint8_t> bytes; // empty when nothing was copied
    // Tags placed, node tags when shown; it measures text with the source sheet's
    // metrics, so it is drawn before those go.
    std::unique_ptr<Scheme> copy;
    Size size; // the grown rectangle's extent

    bool Empty() const { return bytes.empty(); }
};
// ---- end of clipboard transfer ----

// Groups the wires into nodes: ground 0, the others 1..N in the order of each
// node's first wire. Returns N.
int NumberNodes(const WireList& wires);
int NumberNodes(const std::vector<Wire*>& wires);

// Node-number tags for nodes 1..nodeCount (a connector's pin 3, else a wire).
void PlaceNodeTags(int nodeCount, const ElementList& elements, const WireList& wires,
                   std::vector<NameTag>& tags);

} // namespace korvanix::model
