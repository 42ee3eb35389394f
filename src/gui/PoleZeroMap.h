#pragma once

#include "analysis/TransferFunction.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace korvanix::gui {

// The complex plane with equal scales on both axes: poles as crosses, zeros as
// circles, multiplicities beside them. With several runs (a parameter sweep) it
// is a root locus: each pole followed from run to run, joined in run order and
// labelled with the swept values. The wheel zooms about the pointer, a drag with
// the left button zooms into its rectangle, a drag with the right one pans.
class PoleZeroMap : public QWidget {
    Q_OBJECT
public:
    struct Run {
        std::vector<analysis::Root> poles, zeros;
        double value = 0; // the swept value
    };

    explicit PoleZeroMap(QWidget* parent = nullptr);

    // Runs to show (one without a sweep) and the label of the swept values;
    // the view goes back to the one that shows them all.
    void SetRuns(std::vector<Run> runs, const QString& runLabel);
    // Axes in hertz (s / 2 pi) instead of rad/s.
    void SetHertz(bool on);
    bool Hertz() const { return hertz_; }

    // The view that shows every root; false when the view is that one already.
    void RestoreView();
    bool ViewChanged() const { return changed_; }

    // The whole picture at a size, for the picture files and the clipboard.
    void Render(QPainter& p, QSize size) const;

    // The point of the plane under a widget position, in rad/s.
    analysis::Root PlaneAt(QPointF position) const;
    // What the status line shows for the point under the pointer.
    static QString Reading(const analysis::Root& s, bool hertz);

    QSize sizeHint() const override { return {520, 480}; }

signals:
    // The pointer moved over the plane: the reading of the point under it.
    void pointed(const QString& reading);
    void viewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The plane's rectangle drawn at a size (rad/s, y up), equal scales.
    struct Frame {
        QRectF plot;   // in pixels
        double x0 = 0; // plane left
        double y1 = 0; // plane top
        double perPixel = 1;
    };
    Frame FrameFor(QSize size) const;
    QPointF ToPixel(const Frame& f, const analysis::Root& s) const;
    void Zoom(double factor, QPointF around);

    std::vector<Run> runs_;
    QString runLabel_;
    bool hertz_ = false;
    // The view: the centre and the half-width of the shorter side, in rad/s.
    double cx_ = 0, cy_ = 0, half_ = 1;
    bool changed_ = false;
    std::optional<QPointF> pressed_;
    Qt::MouseButton button_ = Qt::NoButton;
    QPointF dragged_;
};

} // namespace korvanix::gui
