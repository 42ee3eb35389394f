#pragma once

#include "graph/GraphData.h"
#include "graph/RulerReadings.h"
#include "gui/CInfoWnd.h"
#include "gui/GraphPainter.h"
#include "gui/dialogs/CGraphPropsDlg.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstddef>
#include <vector>

#include <functional>

class QMenu;

namespace korvanix::gui {

class ActionRegistry;

// The modal dialog a pane opens. Tests install their own to answer it.
class GraphWndDialogs {
public:
    virtual ~GraphWndDialogs() = default;
    // The graph settings on a copy of the pane's properties; false when cancelled.
    virtual bool Properties(QWidget* parent, GraphProps& props);
};

// Null restores the real dialog.
void SetGraphWndDialogs(GraphWndDialogs* dialogs);
GraphWndDialogs& GraphDialogs();

// One graph pane: the curves of one data set on a grid with axes, zoom by a
// dragged rectangle or Ctrl+wheel, the ruler and its window, computed points,
// picture copy, data and picture export and the graph settings. Every change the
// window around it must reflect is announced by `changed`.
class CGraphWnd : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Idle = 0, Zooming = 1, Ruler = 2 };

    static constexpr int kInitialRulerOffset = 50;

    // `index` names the pane "GRWND_<index>" and stacks its ruler window.
    explicit CGraphWnd(int index, QWidget* parent = nullptr);
    ~CGraphWnd() override;

    graph::GraphData& Data() { return data_; }
    const graph::GraphData& Data() const { return data_; }
    // What the settings dialog edits: the pane's fonts, colours and ruler flag
    // with the data's title and scales.
    GraphProps Props() const;
    // Fonts, colours, scales and the interpolation flag; relays out and repaints.
    void SetProps(const GraphProps& props);
    const PaneFonts& Fonts() const { return fonts_; }

    // Lays out for the current size: ticks, then the plot area.
    void Relayout();
    // The plot area this pane would have at `client` size (ticks are chosen for
    // the plot as it is now). Used by the window to line up its panes.
    PlotArea LayoutFor(QSize client);
    const PlotArea& Plot() const { return plot_; }

    // Data arrived or changed wholesale (Finish, Reset, counts): relayout, the
    // readings and a full repaint.
    void DataChanged();
    // A point was appended: with live drawing it waits for FlushLive.
    void PointAppended(int curve, int run);
    // Draws the points appended since the last call (live drawing).
    void FlushLive();
    // Whether the data set's x range or any group's range was changed by a zoom.
    bool RangeChanged() const;

    // Commands of the context menu.
    void RestoreInterval();
    void ShowRuler(bool on);
    bool RulerShown() const { return rulerShown_; }
    void ShowPoints(bool on);
    bool PointsShown() const { return showPoints_; }
    void CopyPicture();
    void SaveData();
    void SavePicture();
    void EditProperties();
    // Runs a command id of the context menu; false for other ids.
    bool OnCommand(int id);

    // Zooms to a rectangle given in pane pixels (the corners of a drag).
    void ZoomTo(QPoint a, QPoint b);
    // Ctrl+wheel: the x range grows or shrinks by `factor` around a pixel column.
    void ZoomX(int pixel, double factor);
    bool ZoomForbidden() const { return zoomForbidden_; }

    int RulerOffset() const { return rulerOffset_; }
    // Moves the ruler to a pixel column of the plot (clamped to it).
    void MoveRulerTo(int pixel);
    const graph::RulerReading& Reading() const { return reading_; }
    // The curve last chosen by a click near it; its row stands out in the ruler
    // window.
    int RulerCurve() const { return rulerCurve_; }
    CInfoWnd* InfoWnd() const { return info_; }
    // Hides or shows the ruler window alone (the window minimised or restored).
    void HideInfoWnd(bool hide);
    // Selects the run the ruler reads.
    void SelectRun(int run);

    Mode CurrentMode() const { return mode_; }
    QMenu* ContextMenu() const { return menu_; }
    // The menu's states as the pane would show it now.
    void UpdateMenu();

    // Paints the whole pane (white background, graph, ruler line without
    // handles) at its current size: picture copies and exports.
    void Render(QPainter& painter) const;
    // Number of points inside the plot at the last paint.
    long VisiblePoints() const { return visible_; }

signals:
    // Zoom, restore, ruler or computed points toggled.
    void changed();
    // Text for the status bars ("Сохранение завершено.", "Копирование завершено.").
    void statusMessage(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RebuildFonts();
    void RenderCanvas();
    bool OnRuler(QPoint p) const;
    void UpdateReadings();
    void SelectCurveNear(QPoint p);
    QPoint Confined(QPoint p) const;
    void ApplyZoom(double xLow, double xHigh, const std::function<void(int, double&, double&)>& y);

    int index_;
    graph::GraphData data_;
    GraphProps props_;
    PaneFonts fonts_;
    PlotArea plot_;

    // The picture without the ruler, redrawn only when something in it changed;
    // live points are drawn into it as they come.
    QImage canvas_;
    bool dirty_ = true;
    // Live drawing: points waiting, and per curve and run (curve-major) how many
    // points the canvas shows.
    bool livePending_ = false;
    std::vector<std::size_t> liveDrawn_;
    long visible_ = 0;

    bool rulerShown_ = false;
    int rulerOffset_ = kInitialRulerOffset;
    int rulerCurve_ = 0;
    graph::RulerReading reading_;
    QPointer<CInfoWnd> info_;
    bool infoHidden_ = false;

    Mode mode_ = Mode::Idle;
    QPoint start_;
    QPoint corner_;
    QRect confine_;
    bool showPoints_ = false;
    bool zoomForbidden_ = false;

    QMenu* menu_ = nullptr;
    // The commands of the pane's context menu.
    ActionRegistry* actions_ = nullptr;
};

} // namespace korvanix::gui
