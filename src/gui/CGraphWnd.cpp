#include "gui/CGraphWnd.h"

#include "graph/AxisScale.h"
#include "gui/ActionRegistry.h"
#include "gui/CInfoWnd.h"
#include "gui/GraphCommandIds.h"
#include "gui/GraphExport.h"
#include "gui/Messages.h"
#include "gui/QtPainter.h"
#include "gui/SchemeFonts.h"
#include "model/Value.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace korvanix::gui {

using graph::AxisRange;
using graph::ScaleKind;

namespace {

GraphWndDialogs realDialogs;
GraphWndDialogs* currentDialogs = &realDialogs;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Pixels around the ruler's line where the mouse takes it.
constexpr int kRulerGrip = 5;
// Pixels from a curve segment within which a click selects the curve.
constexpr double kCurveGrip = 5;

QString ReadingText(double v) {
    return QString::fromStdString(model::FormatValue(v, 7, model::kCyrillic, false));
}

double DistanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF d = b - a;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    double t = len2 > 0 ? ((p.x() - a.x()) * d.x() + (p.y() - a.y()) * d.y()) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF q = a + t * d;
    return std::hypot(p.x() - q.x(), p.y() - q.y());
}

} // namespace

bool GraphWndDialogs::Properties(QWidget* parent, GraphProps& props) {
    CGraphPropsDlg dialog(props, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    props = dialog.Props();
    return true;
}

void SetGraphWndDialogs(GraphWndDialogs* dialogs) {
    currentDialogs = dialogs ? dialogs : &realDialogs;
}

GraphWndDialogs& GraphDialogs() {
    return *currentDialogs;
}

CGraphWnd::CGraphWnd(int index, QWidget* parent)
    : QWidget(parent), index_(index), props_(DefaultGraphProps()) {
    setObjectName(QStringLiteral("GRWND_%1").arg(index));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    RebuildFonts();

    menu_ = new QMenu(this);
    struct Item {
        int id;
        const char* text;
        bool checkable;
    };
    const Item items[] = {{gcmd::Restore, "&Исходный интервал", false},
                          {gcmd::Ruler, "Показать &линейку", true},
                          {gcmd::Points, "&Показать расчетные точки", true},
                          {0, nullptr, false},
                          {gcmd::Copy, "&Копировать", false},
                          {gcmd::SaveData, "&Сохранить данные...", false},
                          {gcmd::SavePicture, "Сохранить &рисунок...", false},
                          {0, nullptr, false},
                          {gcmd::Properties, "&Установки...", false}};
    actions_ = new ActionRegistry(this);
    for (const Item& item : items) {
        if (item.id == 0)
            menu_->addSeparator();
        else
            menu_->addAction(actions_->Add(item.id, U(item.text), QIcon(), item.checkable));
    }
    actions_->SetHandler(gcmd::Restore, [this] { RestoreInterval(); });
    actions_->SetHandler(gcmd::Ruler, [this] { ShowRuler(!rulerShown_); });
    actions_->SetHandler(gcmd::Points, [this] { ShowPoints(!showPoints_); });
    actions_->SetHandler(gcmd::Copy, [this] { CopyPicture(); });
    actions_->SetHandler(gcmd::SaveData, [this] { SaveData(); });
    actions_->SetHandler(gcmd::SavePicture, [this] { SavePicture(); });
    actions_->SetHandler(gcmd::Properties, [this] { EditProperties(); });
    actions_->SetEnabledRule(gcmd::Restore, [this] { return RangeChanged(); });
    actions_->SetCheckedRule(gcmd::Ruler, [this] { return rulerShown_; });
    actions_->SetCheckedRule(gcmd::Points, [this] { return showPoints_; });
    Relayout();
}

CGraphWnd::~CGraphWnd() {
    delete info_;
}

void CGraphWnd::RebuildFonts() {
    fonts_.title = FontFromLogFont(props_.titleFont);
    fonts_.numbers = FontFromLogFont(props_.numberFont);
    fonts_.titleColour = ColourFromRef(props_.titleColour);
    fonts_.numberColour = ColourFromRef(props_.numberColour);
}

void CGraphWnd::SetProps(const GraphProps& props) {
    props_ = props;
    data_.SetTitle(props.title);
    data_.SetScales(props.xScale, 0, props.yScale, 0);
    RebuildFonts();
    Relayout();
    UpdateReadings();
    dirty_ = true;
    update();
}

PlotArea CGraphWnd::LayoutFor(QSize client) {
    plot_ = GraphPainter::Layout(data_, fonts_, client, plot_);
    return plot_;
}

void CGraphWnd::Relayout() {
    // The ticks depend on the plot and the plot on the labels the ticks give:
    // a second pass settles both for a pane on its own.
    LayoutFor(size());
    LayoutFor(size());
    rulerOffset_ = std::clamp(rulerOffset_, 0, std::max(0, plot_.right - plot_.left));
    dirty_ = true;
}

GraphProps CGraphWnd::Props() const {
    // Title and scales belong to the data, which the analysis sets; the pane
    // keeps only what the data has no place for.
    GraphProps props = props_;
    props.title = data_.Title();
    props.xScale = static_cast<int32_t>(data_.XScale());
    props.yScale = static_cast<int32_t>(data_.YScale());
    props.xMask = data_.XScaleMask();
    props.yMask = data_.YScaleMask();
    return props;
}

void CGraphWnd::DataChanged() {
    if (rulerCurve_ >= data_.CurveCount())
        rulerCurve_ = 0;
    Relayout();
    UpdateReadings();
    update();
}

void CGraphWnd::PointAppended(int curve, int run) {
    if (data_.LiveDrawing() && curve >= 0 && curve < data_.CurveCount() && run >= 0)
        livePending_ = true;
}

void CGraphWnd::FlushLive() {
    if (!livePending_)
        return;
    livePending_ = false;
    const int curves = data_.CurveCount();
    const int runs = data_.RunCount();
    const auto series = static_cast<std::size_t>(std::max(curves, 0) * std::max(runs, 0));
    if (liveDrawn_.size() != series)
        liveDrawn_.assign(series, 0);
    if (dirty_ || canvas_.isNull()) {
        // The next paint draws everything there is.
        update();
        return;
    }
    QRectF span;
    {
        QPainter p(&canvas_);
        for (int run = 0; run < runs; ++run) {
            const std::vector<graph::Segment> segments = data_.Segments(run);
            for (int curve = 0; curve < curves; ++curve) {
                const QColor colour = GraphPainter::CurveColour(data_, curve);
                const graph::Curve& xs = data_.Paired() ? data_.PairX(curve, run) : data_.X(run);
                const graph::Curve& ys = data_.Y(curve, run);
                const std::size_t n = std::min(xs.Count(), ys.Count());
                std::size_t& drawn = liveDrawn_[static_cast<std::size_t>(curve * runs + run)];
                // As the whole picture draws them: a part of points as squares, a
                // part of lines joined to the point before it.
                std::size_t s = 0;
                for (std::size_t i = drawn; i < n; ++i) {
                    while (s + 1 < segments.size() &&
                           i >= static_cast<std::size_t>(segments[s].end))
                        ++s;
                    const bool lines =
                        segments.empty() || segments[s].graphType != graph::kSegmentPoints;
                    const QPointF to =
                        GraphPainter::Map(data_, plot_, curve, xs.ValueAt(i), ys.ValueAt(i));
                    if (!lines) {
                        GraphPainter::PaintLivePoint(p, plot_, to, colour);
                        span |= QRectF(to - QPointF(3, 3), QSizeF(6, 6));
                    } else if (i > 0) {
                        const QPointF from = GraphPainter::Map(
                            data_, plot_, curve, xs.ValueAt(i - 1), ys.ValueAt(i - 1));
                        GraphPainter::PaintLiveSegment(p, plot_, from, to, colour);
                        span |= QRectF(from, to).normalized();
                    }
                }
                drawn = std::max(drawn, n);
            }
        }
    }
    const QRect bounded = span.adjusted(-2, -2, 3, 3).toAlignedRect().intersected(rect());
    if (!bounded.isEmpty())
        update(bounded);
}

bool CGraphWnd::RangeChanged() const {
    return data_.XAxis().Changed();
}

void CGraphWnd::RestoreInterval() {
    data_.XAxis().Restore();
    for (int g = 0; g < graph::kMaxGroups; ++g)
        data_.Group(g).Restore();
    Relayout();
    UpdateReadings();
    update();
    emit changed();
}

void CGraphWnd::ShowRuler(bool on) {
    if (on == rulerShown_)
        return;
    rulerShown_ = on;
    if (on) {
        if (!info_) {
            info_ = new CInfoWnd(window(), index_);
            connect(info_, &CInfoWnd::runChosen, this, &CGraphWnd::SelectRun);
            connect(info_, &CInfoWnd::closed, this, [this] {
                // The window was closed by the user: the ruler goes with it.
                if (info_)
                    info_->deleteLater();
                info_ = nullptr;
                if (rulerShown_) {
                    rulerShown_ = false;
                    update();
                    emit changed();
                }
            });
        }
        UpdateReadings();
        if (!infoHidden_)
            info_->show();
    } else {
        delete info_;
        info_ = nullptr;
    }
    update();
    emit changed();
}

void CGraphWnd::HideInfoWnd(bool hide) {
    infoHidden_ = hide;
    if (info_)
        info_->setVisible(!hide);
}

void CGraphWnd::ShowPoints(bool on) {
    if (on == showPoints_)
        return;
    showPoints_ = on;
    dirty_ = true;
    update();
    emit changed();
}

void CGraphWnd::SelectRun(int run) {
    data_.SelectRun(run);
    UpdateReadings();
    update();
}

void CGraphWnd::Render(QPainter& p) const {
    p.fillRect(QRect(QPoint(0, 0), size()), Qt::white);
    PaintOptions options;
    options.showPoints = showPoints_;
    options.decimate = false;
    GraphPainter::Paint(p, data_, fonts_, plot_, options);
    if (rulerShown_)
        GraphPainter::PaintRuler(p, plot_, rulerOffset_, false);
}

void CGraphWnd::CopyPicture() {
    CopyGraphPicture(
        size(), [this](QPainter& p) { Render(p); },
        [this](const QString& text) { emit statusMessage(text); });
}

void CGraphWnd::SaveData() {
    SaveGraphData(this, {&data_}, QString(),
                  [this](const QString& text) { emit statusMessage(text); });
}

void CGraphWnd::SavePicture() {
    SaveGraphPicture(
        this, size(), [this](QPainter& p) { Render(p); },
        [this](const QString& text) { emit statusMessage(text); });
}

void CGraphWnd::EditProperties() {
    GraphProps props = Props();
    if (!GraphDialogs().Properties(this, props))
        return;
    SetProps(props);
}

bool CGraphWnd::OnCommand(int id) {
    return actions_->Run(id);
}

void CGraphWnd::UpdateMenu() {
    actions_->Refresh();
}

void CGraphWnd::ApplyZoom(double xLow, double xHigh,
                          const std::function<void(int, double&, double&)>& y) {
    AxisRange& x = data_.XAxis();
    if (xLow > xHigh)
        std::swap(xLow, xHigh);
    if (xHigh - xLow > 1e-15 && std::isfinite(xLow) && std::isfinite(xHigh)) {
        x.low = xLow;
        x.high = xHigh;
    }
    if (y) {
        for (int g = 0; g < data_.GroupCount(); ++g) {
            double lo = 0;
            double hi = 0;
            y(g, lo, hi);
            if (lo > hi)
                std::swap(lo, hi);
            if (hi - lo > 1e-15 && std::isfinite(lo) && std::isfinite(hi)) {
                data_.Group(g).low = lo;
                data_.Group(g).high = hi;
            }
        }
    }
    Relayout();
    UpdateReadings();
    update();
    emit changed();
}

void CGraphWnd::ZoomTo(QPoint a, QPoint b) {
    if (dirty_)
        RenderCanvas();
    if (zoomForbidden_) {
        Messages().Warn(this, U("Увеличение масштаба невозможно."));
        return;
    }
    // QRect would shift a rectangle dragged up or to the left by a pixel.
    const QRect r(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                  QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
    const AxisRange& x = data_.XAxis();
    const ScaleKind xs = data_.XScale();
    const double xLow =
        graph::FractionToValue(xs, plot_.XFraction(r.left()), x.shownLow, x.shownHigh);
    const double xHigh =
        graph::FractionToValue(xs, plot_.XFraction(r.right()), x.shownLow, x.shownHigh);
    const ScaleKind ys = data_.YScale();
    ApplyZoom(xLow, xHigh, [&](int g, double& lo, double& hi) {
        const AxisRange& ya = data_.Group(g);
        hi = graph::FractionToValue(ys, plot_.YFraction(r.top()), ya.shownLow, ya.shownHigh);
        lo = graph::FractionToValue(ys, plot_.YFraction(r.bottom()), ya.shownLow, ya.shownHigh);
    });
}

void CGraphWnd::ZoomX(int pixel, double factor) {
    if (dirty_)
        RenderCanvas();
    // Closer in than ten points helps nobody; further out is always allowed.
    if (factor < 1 && zoomForbidden_)
        return;
    const AxisRange& x = data_.XAxis();
    const ScaleKind xs = data_.XScale();
    const double lo = graph::ValueToCoord(xs, x.shownLow);
    const double hi = graph::ValueToCoord(xs, x.shownHigh);
    const double f = std::clamp(plot_.XFraction(pixel), 0.0, 1.0);
    const double at = lo + f * (hi - lo);
    const double newLo = at - (at - lo) * factor;
    const double newHi = at + (hi - at) * factor;
    ApplyZoom(graph::CoordToValue(xs, newLo), graph::CoordToValue(xs, newHi), nullptr);
}

void CGraphWnd::MoveRulerTo(int pixel) {
    rulerOffset_ = std::clamp(pixel - plot_.left, 0, std::max(0, plot_.right - plot_.left));
    UpdateReadings();
    update();
}

void CGraphWnd::UpdateReadings() {
    const double fraction = plot_.right > plot_.left
                                ? static_cast<double>(rulerOffset_) / (plot_.right - plot_.left)
                                : 0;
    reading_ = graph::ReadRuler(data_, fraction, props_.interpolate);
    if (!info_)
        return;
    std::vector<CInfoWnd::Row> rows;
    for (const graph::CurveReading& r : reading_.curves) {
        const QString value = r.valid ? ReadingText(r.value) : QStringLiteral("-");
        rows.push_back({QString::fromStdString(r.label) + QStringLiteral(" = ") + value,
                        GraphPainter::CurveColour(data_, r.curve),
                        data_.CurveCount() > 1 && r.curve == rulerCurve_});
    }
    if (reading_.integer)
        rows.push_back({QString::fromStdString(data_.IntegerCaption()) + QStringLiteral(" = ") +
                            QString::number(*reading_.integer),
                        Qt::white, false});
    const QString caption = QString::fromStdString(GraphPainter::HorizontalCaption(data_)) +
                            QStringLiteral(" = ") + ReadingText(reading_.x);
    info_->SetRows(caption, rows);
    QStringList runs;
    if (data_.RunCount() > 1) {
        const std::vector<double>& values = data_.RunValues();
        for (int run = 0; run < data_.RunCount(); ++run) {
            const QString value = run < static_cast<int>(values.size())
                                      ? ReadingText(values[static_cast<std::size_t>(run)])
                                      : QString::number(run + 1);
            runs << QString::fromStdString(data_.RunLabel()) +
                        (data_.RunLabel().empty() ? QString() : QStringLiteral(" = ")) + value;
        }
    }
    info_->SetRuns(runs, data_.SelectedRun());
}

void CGraphWnd::RenderCanvas() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
    if (canvas_.size() != pixels)
        canvas_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas_.setDevicePixelRatio(ratio);
    canvas_.fill(Qt::white);
    QPainter p(&canvas_);
    PaintOptions options;
    options.showPoints = showPoints_;
    visible_ = GraphPainter::Paint(p, data_, fonts_, plot_, options);
    zoomForbidden_ = visible_ < 10;
    dirty_ = false;
    // Everything there is now shows: live drawing goes on from here.
    const int curves = data_.CurveCount();
    const int runs = data_.RunCount();
    liveDrawn_.assign(static_cast<std::size_t>(std::max(curves, 0) * std::max(runs, 0)), 0);
    for (int curve = 0; curve < curves; ++curve)
        for (int run = 0; run < runs; ++run) {
            const graph::Curve& xs = data_.Paired() ? data_.PairX(curve, run) : data_.X(run);
            liveDrawn_[static_cast<std::size_t>(curve * runs + run)] =
                std::min(xs.Count(), data_.Y(curve, run).Count());
        }
}

void CGraphWnd::paintEvent(QPaintEvent*) {
    if (dirty_ || canvas_.isNull())
        RenderCanvas();
    QPainter p(this);
    p.drawImage(QPoint(0, 0), canvas_);
    if (rulerShown_)
        GraphPainter::PaintRuler(p, plot_, rulerOffset_, true);
    if (mode_ == Mode::Zooming && corner_.x() != start_.x() && corner_.y() != start_.y()) {
        QPen pen(Qt::black, 1);
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(QPointF(start_), QPointF(corner_)).normalized().translated(0.5, 0.5));
    }
}

void CGraphWnd::resizeEvent(QResizeEvent*) {
    Relayout();
    UpdateReadings();
}

bool CGraphWnd::OnRuler(QPoint p) const {
    const int x = plot_.left + rulerOffset_;
    return rulerShown_ && std::abs(p.x() - x) < kRulerGrip && p.y() >= plot_.top + 1 - kRulerGrip &&
           p.y() <= plot_.bottom + 1 + kRulerGrip;
}

QPoint CGraphWnd::Confined(QPoint p) const {
    if (confine_.isNull())
        return p;
    return QPoint(std::clamp(p.x(), confine_.left(), confine_.right()),
                  std::clamp(p.y(), confine_.top(), confine_.bottom()));
}

void CGraphWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || mode_ != Mode::Idle)
        return;
    const QRect plot = plot_.Rect();
    if (OnRuler(p)) {
        mode_ = Mode::Ruler;
        confine_ = plot.adjusted(0, -8, 0, 8);
        MoveRulerTo(Confined(p).x());
    } else if (plot.contains(p)) {
        mode_ = Mode::Zooming;
        confine_ = plot;
        start_ = corner_ = p;
    }
}

void CGraphWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = Confined(event->position().toPoint());
    switch (mode_) {
    case Mode::Zooming:
        corner_ = p;
        update();
        break;
    case Mode::Ruler:
        MoveRulerTo(p.x());
        break;
    case Mode::Idle:
        setCursor(OnRuler(p) ? Qt::SizeHorCursor : Qt::ArrowCursor);
        break;
    }
}

void CGraphWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = Confined(event->position().toPoint());
    const Mode mode = mode_;
    mode_ = Mode::Idle;
    confine_ = QRect();
    if (mode == Mode::Zooming) {
        corner_ = p;
        update();
        // A drag from 10 to 14 is 4 pixels wide.
        if (std::abs(corner_.x() - start_.x()) > 3 && std::abs(corner_.y() - start_.y()) > 3)
            ZoomTo(start_, corner_);
        else if (rulerShown_)
            SelectCurveNear(p);
    }
}

void CGraphWnd::SelectCurveNear(QPoint p) {
    const QPointF at(p);
    for (int run = 0; run < data_.RunCount(); ++run) {
        for (int c = 0; c < data_.CurveCount(); ++c) {
            const graph::Curve& xs = data_.Paired() ? data_.PairX(c, run) : data_.X(run);
            const graph::Curve& ys = data_.Y(c, run);
            const std::size_t n = std::min(xs.Count(), ys.Count());
            QPointF previous;
            bool have = false;
            for (std::size_t i = 0; i < n; ++i) {
                const QPointF q = GraphPainter::Map(data_, plot_, c, xs.ValueAt(i), ys.ValueAt(i));
                if (!std::isfinite(q.x()) || !std::isfinite(q.y())) {
                    have = false;
                    continue;
                }
                if ((have && DistanceToSegment(at, previous, q) <= kCurveGrip) ||
                    (!have && n == 1 && DistanceToSegment(at, q, q) <= kCurveGrip)) {
                    rulerCurve_ = c;
                    if (run != data_.SelectedRun())
                        SelectRun(run);
                    UpdateReadings();
                    update();
                    return;
                }
                previous = q;
                have = true;
            }
        }
    }
}

void CGraphWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || OnRuler(event->position().toPoint()))
        return;
    mode_ = Mode::Idle;
    confine_ = QRect();
    EditProperties();
}

void CGraphWnd::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    // One notch narrows the range by a fifth around the pointer.
    const double notches = event->angleDelta().y() / 120.0;
    ZoomX(event->position().toPoint().x(), std::pow(0.8, notches));
    event->accept();
}

void CGraphWnd::contextMenuEvent(QContextMenuEvent* event) {
    if (mode_ != Mode::Idle)
        return;
    UpdateMenu();
    menu_->popup(event->globalPos());
}

} // namespace korvanix::gui
