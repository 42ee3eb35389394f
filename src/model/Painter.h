#pragma once

#include "model/Geometry.h"
#include "model/LogFont.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace korvanix::model {

class Element;

// Colours are stored as 0x00BBGGRR, the form the document's records use.
inline constexpr uint32_t RgbColour(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}

// Colours of the sheet itself (the tag colours belong to the display settings).
inline constexpr uint32_t kSymbolColour = RgbColour(0, 0, 0);
inline constexpr uint32_t kSelectedColour = RgbColour(255, 0, 0);
inline constexpr uint32_t kWireColour = RgbColour(0, 0, 0);

// The drawing surface the sheet draws on, in sheet units. The window layer maps it
// onto its own painting (screen, picture for the clipboard, PNG file); the model
// only says what to draw.
class Painter {
public:
    virtual ~Painter() = default;

    // Pen width in sheet units; 0 is the ordinary thin line, which the surface
    // draws as heavy as suits its magnification, never thinner than it can show.
    virtual void SetPen(uint32_t colour, int width = 0) = 0;
    // Fill for closed shapes; without a brush they are drawn as outlines only.
    virtual void SetBrush(uint32_t colour) = 0;
    virtual void NoBrush() = 0;

    virtual void Line(Point a, Point b) = 0;
    virtual void Polyline(const std::vector<Point>& points) = 0;
    virtual void Polygon(const std::vector<Point>& points) = 0;
    virtual void Rectangle(const Rect& r) = 0;
    virtual void Ellipse(const Rect& r) = 0;

    // Circular arc around `centre`. Angles in degrees in the sheet's own axes (0
    // along +x, 90 along +y, i.e. downwards); a positive sweep turns from +x towards
    // +y. Surfaces that can draw true arcs override this; the fallback is a fine
    // polyline, good enough for recording surfaces.
    virtual void Arc(Point centre, int radius, int startDegrees, int sweepDegrees) {
        constexpr double kPi = 3.14159265358979323846;
        const int steps = std::max(2, std::abs(sweepDegrees) / 10);
        std::vector<Point> points;
        for (int i = 0; i <= steps; ++i) {
            const double a =
                (startDegrees + static_cast<double>(sweepDegrees) * i / steps) * kPi / 180.0;
            points.push_back({centre.x + static_cast<int>(std::lround(radius * std::cos(a))),
                              centre.y + static_cast<int>(std::lround(radius * std::sin(a)))});
        }
        Polyline(points);
    }

    // Text with its top-left corner at `at`, in one of the scheme fonts (1 names,
    // 2 values, 3 node numbers).
    virtual void Text(const std::string& utf8, Point at, int font, uint32_t colour) = 0;
    // Text in a font of its own (text labels), centred on `centre`.
    virtual void TextCentred(const std::string& utf8, Point centre, const LogFont& font,
                             uint32_t colour) = 0;

    // Drag feedback: outlines drawn so that they stand out on any background.
    virtual void SetOutlineMode(bool on) = 0;

    // Colour of the scheme font `font` (1 names, 2 values, 3 node numbers). The
    // defaults are those of new documents; a surface that knows the document's
    // display settings answers from them.
    virtual uint32_t SchemeColour(int font) const {
        return font == 3 ? RgbColour(0, 128, 0) : RgbColour(0, 0, 255);
    }
};

// Draws an element's symbol with its pins, shifted by (dx, dy): in red when
// `highlighted`, else in the symbol colour. Element::Draw is this with the
// element's own selection and no shift; the sheet uses it directly when printing
// (nothing drawn as selected) and for drag outlines (shifted).
void DrawElementSymbol(const Element& e, Painter& painter, bool highlighted, int dx = 0,
                       int dy = 0);

} // namespace korvanix::model
