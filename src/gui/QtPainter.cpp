#include "gui/QtPainter.h"

#include <QPainter>

namespace korvanix::gui {

QtPainter::QtPainter(QPainter& painter, const SchemeFonts& fonts) : p_(painter), fonts_(fonts) {}

void QtPainter::SetPen(uint32_t /*colour*/, int /*width*/) {}
void QtPainter::SetBrush(uint32_t /*colour*/) {}
void QtPainter::NoBrush() {}
void QtPainter::Line(model::Point /*a*/, model::Point /*b*/) {}
void QtPainter::Polyline(const std::vector<model::Point>& /*points*/) {}
void QtPainter::Polygon(const std::vector<model::Point>& /*points*/) {}
void QtPainter::Rectangle(const model::Rect& /*r*/) {}
void QtPainter::Ellipse(const model::Rect& /*r*/) {}
void QtPainter::Text(const std::string& /*utf8*/, model::Point /*at*/, int /*font*/,
                     uint32_t /*colour*/) {}
void QtPainter::TextCentred(const std::string& /*utf8*/, model::Point /*centre*/,
                            const model::LogFont& /*font*/, uint32_t /*colour*/) {}
void QtPainter::SetOutlineMode(bool /*on*/) {}

void ApplySheetView(QPainter& /*painter*/, int /*clientWidth*/, int /*clientHeight*/, int /*scale*/,
                    int /*centreX*/, int /*centreY*/) {}

} // namespace korvanix::gui
