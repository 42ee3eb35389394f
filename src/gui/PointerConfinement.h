#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

namespace korvanix::gui {

// During a gesture the pointer is kept inside a rectangle of the window, and
// resting near its border scrolls the view that way: `scroll` comes at a steady
// rate while it does.
class PointerConfinement : public QObject {
    Q_OBJECT
public:
    PointerConfinement();

    // Inside the window less a margin.
    void ConfineToClient(const QRect& client);
    // Where the dragged box (`topLeft`..`bottomRight` for the pointer at
    // `pixel`) stays inside the window; the whole window when that leaves
    // too little room.
    void ConfineDrag(const QRect& client, QPoint pixel, QPoint topLeft, QPoint bottomRight);
    // No rectangle, no scrolling.
    void Release();
    bool IsConfined() const { return !rect_.isNull(); }

    // `pixel` kept inside the rectangle, if there is one.
    QPoint Confined(QPoint pixel) const;
    // The pointer rests at `pixel`: scrolling starts near the border, stops away
    // from it.
    void Update(QPoint pixel);
    void StopScrolling();
    bool IsScrolling() const { return timer_.isActive(); }
    // The direction of the scrolling, -1, 0 or 1 each way.
    int DirectionX() const { return dirX_; }
    int DirectionY() const { return dirY_; }

signals:
    void scroll();

private:
    QRect rect_;
    QTimer timer_;
    int dirX_ = 0;
    int dirY_ = 0;
};

} // namespace korvanix::gui
