#include "gui/PoleZeroMap.h"

#include "analysis/PoleZeroText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanix::gui {

namespace {

using analysis::Root;

constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr int kLeft = 76, kRight = 16, kTop = 44, kBottom = 44;

QString U(const std::string& s) {
    return QString::fromStdString(s);
}

// A step of 1, 2 or 5 times a power of ten giving about `count` divisions.
double NiceStep(double span, int count) {
    const double raw = span / std::max(count, 1);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / power;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * power;
}

void Cross(QPainter& p, QPointF c, double r) {
    p.drawLine(QPointF(c.x() - r, c.y() - r), QPointF(c.x() + r, c.y() + r));
    p.drawLine(QPointF(c.x() - r, c.y() + r), QPointF(c.x() + r, c.y() - r));
}

// Each pole of the first run followed through the others: the nearest pole of
// the next run not taken yet continues a track.
std::vector<std::vector<Root>> Tracks(const std::vector<PoleZeroMap::Run>& runs) {
    std::vector<std::vector<Root>> tracks;
    if (runs.empty())
        return tracks;
    for (const Root& p : runs.front().poles)
        tracks.push_back({p});
    for (std::size_t r = 1; r < runs.size(); ++r) {
        std::vector<Root> next = runs[r].poles;
        std::vector<char> taken(next.size(), 0);
        for (auto& track : tracks) {
            std::size_t best = next.size();
            double distance = std::numeric_limits<double>::infinity();
            for (std::size_t i = 0; i < next.size(); ++i)
                if (!taken[i] && std::abs(next[i] - track.back()) < distance) {
                    distance = std::abs(next[i] - track.back());
                    best = i;
                }
            if (best < next.size()) {
                taken[best] = 1;
                track.push_back(next[best]);
            }
        }
        // A run with more poles than the first starts tracks of its own.
        for (std::size_t i = 0; i < next.size(); ++i)
            if (!taken[i])
                tracks.push_back({next[i]});
    }
    return tracks;
}

} // namespace

PoleZeroMap::PoleZeroMap(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMinimumSize(240, 200);
}

void PoleZeroMap::SetRuns(std::vector<Run> runs, const QString& runLabel) {
    runs_ = std::move(runs);
    runLabel_ = runLabel;
    RestoreView();
}

void PoleZeroMap::SetHertz(bool on) {
    hertz_ = on;
    update();
}

void PoleZeroMap::RestoreView() {
    double lowRe = 0, highRe = 0, lowIm = 0, highIm = 0;
    for (const Run& run : runs_)
        for (const auto* list : {&run.poles, &run.zeros})
            for (const Root& s : *list) {
                lowRe = std::min(lowRe, s.real());
                highRe = std::max(highRe, s.real());
                lowIm = std::min(lowIm, s.imag());
                highIm = std::max(highIm, s.imag());
            }
    cx_ = (lowRe + highRe) / 2;
    cy_ = (lowIm + highIm) / 2;
    half_ = std::max(highRe - lowRe, highIm - lowIm) / 2 * 1.2;
    if (!(half_ > 0) || !std::isfinite(half_))
        half_ = 1;
    changed_ = false;
    update();
    emit viewChanged();
}

PoleZeroMap::Frame PoleZeroMap::FrameFor(QSize size) const {
    Frame f;
    f.plot = QRectF(kLeft, kTop, std::max(10, size.width() - kLeft - kRight),
                    std::max(10, size.height() - kTop - kBottom));
    const double shorter = std::min(f.plot.width(), f.plot.height());
    f.perPixel = 2 * half_ / shorter;
    f.x0 = cx_ - f.plot.width() / 2 * f.perPixel;
    f.y1 = cy_ + f.plot.height() / 2 * f.perPixel;
    return f;
}

QPointF PoleZeroMap::ToPixel(const Frame& f, const Root& s) const {
    return {f.plot.left() + (s.real() - f.x0) / f.perPixel,
            f.plot.top() + (f.y1 - s.imag()) / f.perPixel};
}

Root PoleZeroMap::PlaneAt(QPointF position) const {
    const Frame f = FrameFor(size());
    return {f.x0 + (position.x() - f.plot.left()) * f.perPixel,
            f.y1 - (position.y() - f.plot.top()) * f.perPixel};
}

QString PoleZeroMap::Reading(const Root& s, bool hertz) {
    const double scale = hertz ? 1 / kTwoPi : 1;
    const QString unit = hertz ? QStringLiteral("Гц") : QStringLiteral("рад/с");
    return QStringLiteral("Re = %1, Im = %2 %3;  |s| = %4 рад/с, f = %5 Гц")
        .arg(U(analysis::PrefixedNumber(s.real() * scale, 5)),
             U(analysis::PrefixedNumber(s.imag() * scale, 5)), unit,
             U(analysis::PrefixedNumber(std::abs(s), 5)),
             U(analysis::PrefixedNumber(std::abs(s) / kTwoPi, 5)));
}

void PoleZeroMap::Render(QPainter& p, QSize size) const {
    const Frame f = FrameFor(size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    const double unit = hertz_ ? kTwoPi : 1; // rad/s per shown unit

    // Grid and tick labels in shown units, one step on both axes.
    const double step =
        NiceStep(std::min(f.plot.width(), f.plot.height()) * f.perPixel / unit, 6) * unit;
    QFont small = p.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    p.setFont(small);
    const QFontMetricsF fm(small);
    p.setClipRect(f.plot.adjusted(-1, -1, 1, 1));
    const double xLow = f.x0, xHigh = f.x0 + f.plot.width() * f.perPixel;
    const double yLow = f.y1 - f.plot.height() * f.perPixel, yHigh = f.y1;
    p.setPen(QPen(QColor(225, 225, 225), 0));
    for (double x = std::ceil(xLow / step) * step; x <= xHigh; x += step)
        p.drawLine(ToPixel(f, {x, yLow}), ToPixel(f, {x, yHigh}));
    for (double y = std::ceil(yLow / step) * step; y <= yHigh; y += step)
        p.drawLine(ToPixel(f, {xLow, y}), ToPixel(f, {xHigh, y}));
    // The axes: the imaginary one is where stability ends.
    p.setPen(QPen(QColor(90, 90, 90), 1.2));
    p.drawLine(ToPixel(f, {xLow, 0}), ToPixel(f, {xHigh, 0}));
    p.drawLine(ToPixel(f, {0, yLow}), ToPixel(f, {0, yHigh}));

    // Root locus: tracks, then every run's poles and zeros.
    if (runs_.size() > 1) {
        const std::size_t every = std::max<std::size_t>(1, runs_.size() / 10);
        for (const auto& track : Tracks(runs_)) {
            QPainterPath path;
            for (std::size_t i = 0; i < track.size(); ++i)
                i == 0 ? path.moveTo(ToPixel(f, track[i])) : path.lineTo(ToPixel(f, track[i]));
            p.setPen(QPen(QColor(120, 120, 200), 1.2));
            p.drawPath(path);
        }
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            p.setPen(QPen(QColor(200, 30, 30), 1.4));
            for (const Root& s : runs_[r].poles)
                Cross(p, ToPixel(f, s), 4);
            p.setPen(QPen(QColor(30, 70, 200), 1.4));
            for (const Root& s : runs_[r].zeros)
                p.drawEllipse(ToPixel(f, s), 4, 4);
            if (r % every != 0 && r + 1 != runs_.size())
                continue;
            p.setPen(QColor(60, 60, 60));
            for (const Root& s : runs_[r].poles)
                if (s.imag() >= 0)
                    p.drawText(ToPixel(f, s) + QPointF(6, -6),
                               U(analysis::PrefixedNumber(runs_[r].value, 4)));
        }
    } else if (!runs_.empty()) {
        const auto draw = [&](const std::vector<Root>& roots, bool pole) {
            for (const analysis::RootGroup& g : analysis::GroupRoots(roots)) {
                const QPointF c = ToPixel(f, g.value);
                p.setPen(pole ? QPen(QColor(200, 30, 30), 2) : QPen(QColor(30, 70, 200), 2));
                if (pole)
                    Cross(p, c, 6);
                else
                    p.drawEllipse(c, 6, 6);
                if (g.multiplicity > 1) {
                    p.setPen(QColor(20, 20, 20));
                    p.drawText(c + QPointF(8, pole ? -8 : 14), QString::number(g.multiplicity));
                }
            }
        };
        draw(runs_.front().zeros, false);
        draw(runs_.front().poles, true);
    }
    p.setClipping(false);

    // Frame, tick labels and captions.
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.plot);
    for (double x = std::ceil(xLow / step) * step; x <= xHigh; x += step) {
        const QString text =
            U(analysis::PrefixedNumber(std::fabs(x) < step / 1e6 ? 0 : x / unit, 4));
        const QPointF at = ToPixel(f, {x, yLow});
        p.drawText(QPointF(at.x() - fm.horizontalAdvance(text) / 2, f.plot.bottom() + fm.height()),
                   text);
    }
    for (double y = std::ceil(yLow / step) * step; y <= yHigh; y += step) {
        const QString text =
            U(analysis::PrefixedNumber(std::fabs(y) < step / 1e6 ? 0 : y / unit, 4));
        const QPointF at = ToPixel(f, {xLow, y});
        p.drawText(
            QPointF(f.plot.left() - fm.horizontalAdvance(text) - 4, at.y() + fm.ascent() / 3),
            text);
    }
    const QString unitText = hertz_ ? QStringLiteral("Гц") : QStringLiteral("рад/с");
    const QString xCaption = QStringLiteral("Re, ") + unitText;
    p.drawText(QPointF(f.plot.right() - fm.horizontalAdvance(xCaption),
                       f.plot.bottom() + 2 * fm.height() + 2),
               xCaption);
    p.drawText(QPointF(4, f.plot.top() - 6), QStringLiteral("Im, ") + unitText);
    if (runs_.size() > 1 && !runLabel_.isEmpty())
        p.drawText(QPointF(f.plot.left() + 4, f.plot.top() - 6 - fm.height()),
                   QStringLiteral("Корневой годограф: ") + runLabel_);
    p.restore();
}

void PoleZeroMap::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Render(p, size());
    if (pressed_ && button_ == Qt::LeftButton) {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(QRectF(*pressed_, dragged_).normalized());
    }
}

void PoleZeroMap::Zoom(double factor, QPointF around) {
    const Root at = PlaneAt(around);
    cx_ = at.real() + (cx_ - at.real()) * factor;
    cy_ = at.imag() + (cy_ - at.imag()) * factor;
    half_ *= factor;
    changed_ = true;
    update();
    emit viewChanged();
}

void PoleZeroMap::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (pressed_ && button_ == Qt::RightButton) {
        const Frame f = FrameFor(size());
        cx_ -= (at.x() - dragged_.x()) * f.perPixel;
        cy_ += (at.y() - dragged_.y()) * f.perPixel;
        changed_ = true;
        emit viewChanged();
    }
    dragged_ = at;
    if (pressed_)
        update();
    if (FrameFor(size()).plot.contains(at))
        emit pointed(Reading(PlaneAt(at), hertz_));
    else
        emit pointed(QString());
}

void PoleZeroMap::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    pressed_ = event->position();
    dragged_ = event->position();
    button_ = event->button();
}

void PoleZeroMap::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != button_)
        return;
    const QRectF band = QRectF(*pressed_, event->position()).normalized();
    pressed_.reset();
    if (button_ == Qt::LeftButton && band.width() > 6 && band.height() > 6) {
        const Root a = PlaneAt(band.topLeft());
        const Root b = PlaneAt(band.bottomRight());
        cx_ = (a.real() + b.real()) / 2;
        cy_ = (a.imag() + b.imag()) / 2;
        half_ = std::max(std::fabs(b.real() - a.real()), std::fabs(a.imag() - b.imag())) / 2;
        changed_ = true;
        emit viewChanged();
    }
    update();
}

void PoleZeroMap::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0)
        Zoom(std::pow(0.8, notches), event->position());
    event->accept();
}

void PoleZeroMap::leaveEvent(QEvent*) {
    emit pointed(QString());
}

} // namespace korvanix::gui
