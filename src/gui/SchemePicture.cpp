#include "gui/SchemePicture.h"

#include "gui/QtPainter.h"
#include "gui/SchemeFonts.h"

#include <QPainter>

#include <algorithm>

namespace korvanix::gui {

namespace {

constexpr int kMargin = 20;
// A picture larger than this on a side is drawn smaller rather than not at all.
constexpr int kMaxSide = 20000;

model::Rect DrawnExtent(const model::Scheme& scheme) {
    model::Rect box;
    for (const auto& e : scheme.elements) {
        box = box.United(e->Bounds().Normalized());
        if (scheme.showNames && e->showNameTag)
            box = box.United(e->nameTag.Area().Normalized());
        if (scheme.showValues && e->showValueTag)
            box = box.United(e->valueTag.Area().Normalized());
    }
    for (const auto& w : scheme.wires)
        for (int i = 0; i < w->shape.count; ++i)
            box = box.United(model::Rect{w->shape.points[i].x, w->shape.points[i].y,
                                         w->shape.points[i].x + 1, w->shape.points[i].y + 1});
    if (scheme.showNodes)
        for (const model::NameTag& tag : scheme.nodeTags)
            box = box.United(tag.Area().Normalized());
    return box;
}

} // namespace

SchemePicture SchemePictureOf(const model::Scheme& scheme, const document::SchemeOptions& options) {
    if (scheme.elements.empty())
        return {};
    const model::Rect box = DrawnExtent(scheme).Inflated(kMargin);
    const double scale = std::min({1.0, double{kMaxSide} / std::max(1, box.Width()),
                                   double{kMaxSide} / std::max(1, box.Height())});
    SchemePicture picture;
    picture.size = QSize(std::max(1, static_cast<int>(box.Width() * scale)),
                         std::max(1, static_cast<int>(box.Height() * scale)));
    picture.render = [&scheme, options, box, scale](QPainter& painter) {
        painter.save();
        painter.fillRect(QRectF(0, 0, box.Width() * scale, box.Height() * scale), Qt::white);
        painter.scale(scale, scale);
        painter.translate(-box.left, -box.top);
        const SchemeFonts fonts(options);
        QtPainter surface(painter, fonts);
        scheme.Draw(surface, true, box);
        painter.restore();
    };
    return picture;
}

} // namespace korvanix::gui
