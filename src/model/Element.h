#pragma once

#include "model/Archive.h"
#include "model/ElementKind.h"
#include "model/Geometry.h"
#include "model/NameTag.h"
#include "model/Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvanix::model {

class Wire;
class Painter;         // drawing surface, provided by the window layer
class ParameterEditor; // parameter dialog, provided by the window layer

// Every element holds its pins: kept to 32 bytes (the pointer first, the
// direction in 16 bits), since a large circuit has tens of thousands of them.
struct Pin {
    Wire* wire = nullptr; // the wire end attached here
    int offsetX = 0;      // from the centre, unrotated
    int offsetY = 0;
    int wireEnd = 0;    // 1 or 2; 0 when free
    int32_t wireId = 0; // stored id, resolved to `wire` after loading
    int node = -1;      // node number read from a description line
    int16_t dirX = 0;   // -100, 0 or 100: the side a wire leaves the pin towards
    int16_t dirY = 0;
};
static_assert(sizeof(Pin) <= 32, "a pin is kept small");

// A free pin at an offset from the centre, leaving towards (dirX, dirY).
inline Pin MakePin(int offsetX, int offsetY, int dirX, int dirY) {
    Pin pin;
    pin.offsetX = offsetX;
    pin.offsetY = offsetY;
    pin.dirX = static_cast<int16_t>(dirX);
    pin.dirY = static_cast<int16_t>(dirY);
    return pin;
}

// Base of every object on the sheet. Parameters are addressed by 0-based index;
// records, element-list lines and description lines are produced by each kind.
class Element {
public:
    Element(ElementKind elementKind, int32_t elementId);
    virtual ~Element();
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    virtual void Draw(Painter& painter) const;
    // Places the shown tags (name first, then value) beside the body.
    virtual void PlaceTags(bool showNames, bool showValues);
    virtual void InitPins();
    virtual Point PinPosition(int i) const;
    virtual int PinNode(int i) const;
    virtual void Save(ArchiveWriter& ar) const;
    virtual void Load(ArchiveReader& ar);
    virtual int EditParameters(ParameterEditor& editor);
    virtual std::string NetlistLine();
    virtual bool ParseLine(const std::string& text);
    virtual std::string ValueLabel(PrefixStyle style) const;
    virtual int ParamCount() const;
    virtual std::string ParamCaption(int i) const;
    virtual std::string ParamUnit(int i) const;
    virtual double GetParamByCaption(const std::string& caption) const;
    virtual double GetParam(int i) const;
    virtual void SetParamByCaption(const std::string& caption, double value);
    // Throws SchemeError 3200 for a value outside the kind's range, keeping the old one.
    virtual void SetParam(int i, double value);

    // Prefix and number, e.g. "R1".
    std::string Name() const;
    int PinCount() const { return static_cast<int>(pins.size()); }
    // Local offset from the centre to the sheet: rotation, then mirrors, then centre.
    Point MapPoint(int dx, int dy) const;
    // Where a wire attaches: the pin position, except a connector's pins, which lie
    // 4 units nearer the centre.
    Point ConnectionPoint(int i) const;
    // Direction a wire leaves pin i towards, after rotation and mirroring.
    Point PinDirection(int i) const;
    // The rotated body size.
    Size RotatedSize() const;
    bool Contains(int px, int py) const;
    Rect Bounds() const;
    int PinAt(int px, int py) const;
    int NearestFreePin(int px, int py) const;
    // Refreshes the tag texts from the name and the value label (Cyrillic style).
    void RefreshTagTexts();
    bool IsCircuitElement() const { return model::IsCircuitElement(kind); }

    int32_t id;
    ElementKind kind;
    int32_t number = 1;
    int32_t x = 0;
    int32_t y = 0;
    int32_t rotation = 0;
    int32_t mirrorX = 0;
    int32_t mirrorY = 0;
    bool canRotate = false;
    bool canMirrorX = false;
    bool canMirrorY = false;
    bool editable = false;
    int32_t width = 0;
    int32_t height = 0;
    bool selected = false;
    bool drawDragOutline = false;
    bool visible = true;
    std::vector<Pin> pins;
    NameTag nameTag;
    NameTag valueTag;
    bool showNameTag = false;
    bool showValueTag = false;
    std::string lineBuffer;

protected:
    // The common record header: id, kind, x, y, rotation, mirrorY, mirrorX, then per
    // pin the wire id and wire end. A stored kind other than ours is a corrupt file.
    void SaveHeader(ArchiveWriter& ar) const;
    void LoadHeader(ArchiveReader& ar);
    // Reads node numbers from fields first..first+count-1 of a description line
    // into pins 1..count. All or nothing: on a missing or bad field no pin changes.
    bool ParseNodes(const std::string& text, int first, int count);
    // Stacks the shown tags (name first) 5 units beyond the body edge on the side
    // (sideX, sideY) of the unrotated body, following rotation and mirroring.
    void PlaceTagsBeside(int sideX, int sideY, bool showNames, bool showValues);
};

using ElementList = std::vector<std::unique_ptr<Element>>;

// Plain pointers to the objects a list owns, in list order: what the record
// writers and the deep copy take.
template <class T> std::vector<T*> Pointers(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<T*> out;
    out.reserve(list.size());
    for (const auto& object : list)
        out.push_back(object.get());
    return out;
}

// Creates the concrete element of a kind code (legacy source codes included); null
// for a code not in the catalogue.
std::unique_ptr<Element> ElementFactory(ElementKind kind, int32_t id);

// Name numbers from list order: 1 plus the count of earlier elements of the same sort rank.
void RenumberNames(const ElementList& elements);
void RenumberNames(const std::vector<Element*>& elements);

} // namespace korvanix::model
