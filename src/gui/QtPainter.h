#pragma once

#include "gui/SchemeFonts.h"
#include "model/Painter.h"

class QPainter;

namespace korvanix::gui {

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
    void Text(const std::string& utf8, model::Point at, int font, uint32_t colour) override;
    void TextCentred(const std::string& utf8, model::Point centre, const model::LogFont& font,
                     uint32_t colour) override;
    void SetOutlineMode(bool on) override;

private:
    QPainter& p_;
    const SchemeFonts& fonts_;
};

// Sets a painter's transform so that the sheet point `centre` appears at the
// middle of a client area of `clientSize` pixels, `scale` sheet units per 100
// pixels.
void ApplySheetView(QPainter& painter, int clientWidth, int clientHeight, int scale, int centreX,
                    int centreY);

} // namespace korvanix::gui
