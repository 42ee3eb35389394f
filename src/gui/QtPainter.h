#pragma once

#include "gui/SchemeFonts.h"
#include "model/Painter.h"

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QTransform>

#include <optional>

class QPainter;

namespace korvanix::gui {

// A stored colour value (0x00BBGGRR) as a Qt colour.
QColor ColourFromRef(uint32_t colour);

// The sheet's drawing calls on a QPainter whose transform already maps sheet
// units to the device (screen, picture, PNG).
//
// Lines are as heavy as the sheet is magnified: a thin line (pen width 0) weighs
// about one sheet unit and a wider pen its width in sheet units, each rounded to
// whole device pixels, a wide pen staying at least a pixel heavier than a thin one
// and no line thinner than a pixel of the screen. Every point is moved onto the
// device's pixel grid (pixel centres under lines of an odd number of pixels,
// pixel borders under even ones), so horizontal and vertical strokes cover whole
// rows and columns whatever the zoom, the view centre or the device pixel ratio;
// slanted lines, circles and arcs are antialiased.
class QtPainter : public model::Painter {
public:
    QtPainter(QPainter& painter, const SchemeFonts& fonts);

    void SetPen(uint32_t colour, int width = 0) override;
    void SetBrush(uint32_t colour) override;
    void NoBrush() override;
    void Line(model::Point a, model::Point b) override;
    void Polyline(const std::vector<model::Point>& points) override;
    void Polygon(const std::vector<model::Point>& points) override;
    void Rectangle(const model::Rect& r) override;
    void Ellipse(const model::Rect& r) override;
    void Arc(model::Point centre, int radius, int startDegrees, int sweepDegrees) override;
    void Text(const std::string& utf8, model::Point at, int font, uint32_t colour) override;
    void TextCentred(const std::string& utf8, model::Point centre, const model::LogFont& font,
                     uint32_t colour) override;
    // Outlines are inverted (exclusive-or) on surfaces that allow it, thin, without
    // fill or antialiasing, so drawing the same outline twice leaves no trace.
    void SetOutlineMode(bool on) override;
    uint32_t SchemeColour(int font) const override;

    // Everything in one colour (greyed icons); nullopt returns to the drawn colours.
    void SetColourOverride(std::optional<QColor> colour);
    // Fixes the width of thin lines in device pixels instead of following the
    // magnification: an icon's scale says how much fits in it, not how heavy its
    // lines should look. 0 returns to following the magnification.
    void SetThinWidth(int devicePixels);

    // Device pixels the current pen covers across a line, under the painter's
    // present transform.
    int StrokePixels() const;

private:
    // How the painter's present transform lands on device pixels.
    struct DeviceGrid {
        QTransform toDevice;
        QTransform toSheet;
        double unit = 1.0;    // device pixels per sheet unit
        double ratio = 1.0;   // device pixels per logical pixel
        bool aligned = false; // axes stay axes, so strokes can sit on whole pixels
    };

    QColor Resolve(uint32_t colour) const;
    const DeviceGrid& Grid() const;
    int ScreenPixel() const; // device pixels in one pixel of the screen
    int ThinPixels(const DeviceGrid& grid) const;
    // Sets the pen for the present transform; every shape calls it first.
    void ApplyPen();
    // A sheet point moved onto the pixel grid the pen's lines sit on (as ApplyPen
    // last found it).
    // Every point on its pixel, as Snap puts it.
    QPolygonF Snapped(const std::vector<model::Point>& points) const;
    QPointF Snap(model::Point p) const;
    QPointF Snap(QPointF p) const;
    // A text's starting point on a whole device pixel, so glyphs are not blurred
    // across rows.
    QPointF SnapText(QPointF p) const;

    QPainter& p_;
    const SchemeFonts& fonts_;
    uint32_t penColour_ = 0;
    int penWidth_ = 0;
    bool outline_ = false;
    int thinWidth_ = 0;
    bool centres_ = true; // lines of an odd number of pixels sit on pixel centres
    std::optional<QColor> override_;
    mutable DeviceGrid grid_;
    mutable bool gridKnown_ = false;
};

// Sets a painter's transform so that the sheet point `centre` appears at the
// middle of a client area of `clientSize` pixels, `scale` sheet units per 100
// pixels.
void ApplySheetView(QPainter& painter, int clientWidth, int clientHeight, int scale, int centreX,
                    int centreY);

} // namespace korvanix::gui
