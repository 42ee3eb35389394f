#include "gui/PointerConfinement.h"

#include <algorithm>

namespace korvanix::gui {

namespace {

constexpr int kShrink = 7;        // pixels kept free at the client border
constexpr int kScrollBand = 5;    // the scrolling runs this near the border
constexpr int kDirectionBand = 7; // and goes towards a border this near
constexpr int kScrollMs = 200;

} // namespace

PointerConfinement::PointerConfinement() {
    timer_.setInterval(kScrollMs);
    connect(&timer_, &QTimer::timeout, this, &PointerConfinement::scroll);
}

void PointerConfinement::ConfineToClient(const QRect& client) {
    const QRect shrunk = client.adjusted(kShrink, kShrink, -kShrink, -kShrink);
    rect_ = shrunk.isValid() ? shrunk : client;
}

void PointerConfinement::ConfineDrag(const QRect& client, QPoint pixel, QPoint topLeft,
                                     QPoint bottomRight) {
    const QRect shrunk =
        client.adjusted(pixel.x() - topLeft.x(), pixel.y() - topLeft.y(),
                        -(bottomRight.x() - pixel.x()), -(bottomRight.y() - pixel.y()));
    rect_ = (shrunk.width() < 10 || shrunk.height() < 10) ? client : shrunk;
}

void PointerConfinement::Release() {
    StopScrolling();
    rect_ = QRect();
}

QPoint PointerConfinement::Confined(QPoint pixel) const {
    if (rect_.isNull())
        return pixel;
    return {std::clamp(pixel.x(), rect_.left(), rect_.right()),
            std::clamp(pixel.y(), rect_.top(), rect_.bottom())};
}

void PointerConfinement::Update(QPoint pixel) {
    const QRect& c = rect_;
    if (c.isNull() || !c.contains(pixel)) {
        StopScrolling();
        return;
    }
    const bool inBand = pixel.x() - c.left() < kScrollBand || c.right() - pixel.x() < kScrollBand ||
                        pixel.y() - c.top() < kScrollBand || c.bottom() - pixel.y() < kScrollBand;
    if (!inBand) {
        StopScrolling();
        return;
    }
    dirX_ = pixel.x() - c.left() < kDirectionBand    ? -1
            : c.right() - pixel.x() < kDirectionBand ? 1
                                                     : 0;
    dirY_ = pixel.y() - c.top() < kDirectionBand      ? -1
            : c.bottom() - pixel.y() < kDirectionBand ? 1
                                                      : 0;
    if (!timer_.isActive())
        timer_.start();
}

void PointerConfinement::StopScrolling() {
    timer_.stop();
    dirX_ = 0;
    dirY_ = 0;
}

} // namespace korvanix::gui
