#pragma once

#include "graph/PaneSink.h"

#include <QHash>
#include <QMainWindow>
#include <QRect>

#include <optional>
#include <vector>

class QAction;
class QLabel;
class QToolBar;

namespace korvanix::gui {

class ActionRegistry;
class CGraphWnd;

// The titles by which the scheme window finds the analyses' graph windows.
inline constexpr const char* kTransientGraphTitle = "График переходного процесса";
inline constexpr const char* kFrequencyGraphTitle = "График АЧХ/ФЧХ";

// The window an analysis shows its results in: a toolbar, a status bar and one
// or more graph panes stacked one above the other whose plots share one x
// extent. It is the analyses' results sink: every data operation goes to one
// pane or, with pane index -1, to all of them.
class CMultiGraphWnd : public QMainWindow, public graph::PaneSink {
    Q_OBJECT
public:
    // Without a rectangle the window takes the screen less 20 pixels at the sides
    // and 50 at the top and bottom.
    CMultiGraphWnd(QWidget* parent, const QString& title, std::optional<QRect> rect = std::nullopt);
    ~CMultiGraphWnd() override;

    // The graph window of the program with this title, if one is open.
    static CMultiGraphWnd* Find(const QString& title);

    CGraphWnd* Pane(int i) const;
    const std::vector<CGraphWnd*>& Panes() const { return panes_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QAction* Action(int id) const;
    QString StatusText() const;
    // The part of the window the panes share.
    QRect PaneArea() const;

    // Restores a minimised window, lays it out and synchronises the toolbar.
    void ShowWindow();
    // Lays the panes out (twice at the outermost call: the second pass sees the
    // label widths of the first).
    void LayoutPanes();
    // Toolbar states from the panes: computed points, ruler, changed range.
    void SyncToolBar();
    // Runs a toolbar command.
    void OnCommand(int id);
    // Draws the points the analysis appended since the last call (live drawing).
    void FlushLive();
    // While an analysis fills the window it cannot be closed.
    void SetBusy(bool busy) { busy_ = busy; }
    bool IsBusy() const { return busy_; }

    // The whole window's panes painted at their places (picture copy, exports).
    void Render(QPainter& painter) const;
    QSize PictureSize() const;

    // graph::PaneSink
    void SetPaneCount(int n) override;
    int PaneCount() const override { return static_cast<int>(panes_.size()); }
    graph::GraphData* PaneData(int pane) override;
    using graph::PaneSink::PaneData;
    void SetExpectedPoints(int pane, int n) override;
    void SetStatusText(const std::string& text) override;

    // Shows a passing message ("Сохранение завершено.") in this window's status
    // bar and in the main window's.
    void ShowStatus(const QString& text);

protected:
    void PaneChanged(int pane) override;
    void PointAppended(int pane, int curve, int run) override;
    void PaneFinished(int pane) override;
    void FinishDone() override;

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateToolBar();
    void SaveAllData();

    std::vector<CGraphWnd*> panes_;
    QWidget* area_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* status_ = nullptr;
    ActionRegistry* actions_ = nullptr;
    bool rulersHidden_ = false; // hidden when the window was minimised
    bool closed_ = false;       // closed, waiting to be deleted
    bool busy_ = false;
    int layoutDepth_ = 0;
};

} // namespace korvanix::gui
