#pragma once

#include "model/Geometry.h"
#include "model/LogFont.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::model {

// Colours are stored as 0x00BBGGRR, the form the document's records use.
inline constexpr uint32_t RgbColour(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           (static_cast<uint32_t>(b & 0xFF) << 16);
}

// The drawing surface the sheet draws on, in sheet units. The window layer maps it
// onto its own painting (screen, picture for the clipboard, PNG file); the model
// only says what to draw.
class Painter {
public:
    virtual ~Painter() = default;

    // Pen width in sheet units; 0 is the thinnest line the surface can draw.
    virtual void SetPen(uint32_t colour, int width = 0) = 0;
    // Fill for closed shapes; without a brush they are drawn as outlines only.
    virtual void SetBrush(uint32_t colour) = 0;
    virtual void NoBrush() = 0;

    virtual void Line(Point a, Point b) = 0;
    virtual void Polyline(const std::vector<Point>& points) = 0;
    virtual void Polygon(const std::vector<Point>& points) = 0;
    virtual void Rectangle(const Rect& r) = 0;
    virtual void Ellipse(const Rect& r) = 0;

    // Text with its top-left corner at `at`, in one of the scheme fonts (1 names,
    // 2 values, 3 node numbers).
    virtual void Text(const std::string& utf8, Point at, int font, uint32_t colour) = 0;
    // Text in a font of its own (text labels), centred on `centre`.
    virtual void TextCentred(const std::string& utf8, Point centre, const LogFont& font,
                             uint32_t colour) = 0;

    // Drag feedback: outlines drawn so that they stand out on any background.
    virtual void SetOutlineMode(bool on) = 0;
};

} // namespace korvanix::model
