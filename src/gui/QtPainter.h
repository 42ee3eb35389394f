#pragma once

#include "gui/SchemeFonts.h"
#include "model/Painter.h"

#include <QColor>

#include <optional>

class QPainter;

namespace korvanix::gui {

// A stored colour value (0x00BBGGRR) as a Qt colour.
QColor ColourFromRef(uint32_t colour);

// The sheet's drawing calls on a QPainter whose transform already maps sheet
// units to the device (screen, picture, PNG).
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
    // Outlines are inverted (exclusive-or) on surfaces that allow it, without fill
    // or antialiasing, so drawing the same outline twice leaves no trace.
    void SetOutlineMode(bool on) override;
    uint32_t SchemeColour(int font) const override;

    // Everything in one colour (greyed icons); nullopt returns to the drawn colours.
    void SetColourOverride(std::optional<QColor> colour);
    // Width in device pixels of the thinnest lines (pen width 0); 1 by default.
    void SetCosmeticWidth(double pixels);

private:
    QColor Resolve(uint32_t colour) const;
    bool Thin() const; // odd cosmetic width: lines sit on pixel centres
    void ApplyPen();

    QPainter& p_;
    const SchemeFonts& fonts_;
    uint32_t penColour_ = 0;
    int penWidth_ = 0;
    bool outline_ = false;
    double cosmeticWidth_ = 1.0;
    std::optional<QColor> override_;
};

// Sets a painter's transform so that the sheet point `centre` appears at the
// middle of a client area of `clientSize` pixels, `scale` sheet units per 100
// pixels.
void ApplySheetView(QPainter& painter, int clientWidth, int clientHeight, int scale, int centreX,
                    int centreY);

} // namespace korvanix::gui
