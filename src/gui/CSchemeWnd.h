#pragma once

#include "document/Document.h"
#include "document/EditSession.h"
#include "document/SheetExtent.h"
#include "gui/ActionRegistry.h"
#include "gui/AnalysisRunner.h"
#include "gui/PointerConfinement.h"
#include "gui/SchemeFonts.h"
#include "gui/SheetCommands.h"
#include "gui/SheetTransform.h"
#include "gui/ToolContext.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QMenu;

namespace korvanix::gui {

class AnalysisRunner;
class DocumentController;
class SchemeTool;
class SheetCommands;

// The drawing sheet of the circuit: painting, mouse and keys, the view's
// transform and scrolling. The document's life belongs to its
// DocumentController, the commands to SheetCommands through the action
// registry; the sheet shows the document the controller holds.
class CSchemeWnd : public QAbstractScrollArea, private SheetCommandContext, private AnalysisHost {
    Q_OBJECT
public:
    using Mode = SheetMode;

    static constexpr int kLowerScale = SheetTransform::kLowerScale;
    static constexpr int kMaxSheet = document::kMaxSheet;

    // Without a controller or a registry the sheet keeps its own.
    explicit CSchemeWnd(QWidget* parent = nullptr, DocumentController* documents = nullptr,
                        ActionRegistry* actions = nullptr);
    ~CSchemeWnd() override;

    DocumentController& Documents() override { return docs_; }
    ActionRegistry& Actions() { return actions_; }
    document::Document& Doc() { return doc_; }
    const document::Document& Doc() const { return doc_; }

    // Runs a command of the sheet as its action would; false when the id is
    // not one the sheet handles.
    bool OnCommand(int id);
    // Whether a command is enabled now.
    bool IsCommandEnabled(int id) const;
    // The save prompt before the program closes; false when the user cancelled
    // (or an analysis still runs: it is asked to stop).
    bool CloseDocument();
    // Every command's state by its rule.
    void RefreshCommandStates() { actions_.Refresh(); }
    // The main window lost activation: placing is cancelled, a drag ends as if the
    // button had been released.
    void EndModes() override;
    // The dot grid on the placing raster and the sheet's border (the window's
    // only: never in pictures of the circuit).
    void SetShowGrid(bool on);
    bool ShowsGrid() const { return showGrid_; }
    // Whether the grid shows at the present scale (dots at least this far apart).
    static constexpr int kGridMinPixels = 6;
    bool GridVisible() const;
    bool IsPlacing() const { return CurrentMode() == Mode::Placing; }
    // Whether the border scrolling timer runs.
    bool IsAutoScrolling() const { return confinement_.IsScrolling(); }

    // Null restores the real dialogs.
    void SetDialogs(SchemeWndDialogs* dialogs) { commands_->SetDialogs(dialogs); }
    Mode CurrentMode() const;
    // The largest scale at which the sheet still fills the window (at most 500).
    int UpperScale() const override { return upperScale_; }
    // Window pixels and sheet units under the current view.
    model::Point ToSheet(QPoint pixel) const override { return Transform().ToSheet(pixel); }
    QPoint ToPixel(model::Point point) const override { return Transform().ToPixel(point); }
    // The element that follows the pointer while placing; null otherwise.
    const model::Element* PlacingElement() const;
    // After the document was changed from outside (fonts, tags, view, history).
    void DocumentReloaded();

    // The analysis commands.
    AnalysisRunner& Analyses() override { return *analyses_; }
    bool IsAnalysing() const override;
    // Brings the selected elements into view (a faulty element the analysis
    // check selected), or just repaints when they are visible already.
    void ShowSelection() override;

signals:
    // Text for the second part of the status bar.
    void statusMessage(const QString& text);
    // The description of the object under the mouse, for the first part.
    void hoverCaption(const QString& text);
    // Placing ended by a right click: palette and text buttons go up.
    void placingCancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // ToolContext: what the mouse tools see of the sheet.
    ToolContext& Tools() { return *this; }
    model::Scheme& Scheme() override { return doc_.scheme; }
    document::ViewState& View() override { return doc_.view; }
    document::EditSession& Session() override { return session_; }
    model::Point Pointer() const override { return current_; }
    QPoint SetPointer(QPoint pixel, bool confine) override;
    QPoint Confined(QPoint pixel) const override { return confinement_.Confined(pixel); }
    QPoint CursorPixel() const override;
    void ConfineToClient() override { confinement_.ConfineToClient(viewport()->rect()); }
    void ConfineDrag(QPoint pixel) override;
    void UpdateAutoScroll(QPoint pixel) override { confinement_.Update(pixel); }
    void EndConfinement() override;
    void SetCursor(Qt::CursorShape shape) override { viewport()->setCursor(shape); }
    void UnsetCursor() override { viewport()->unsetCursor(); }
    void Repaint() override { viewport()->update(); }
    void Redraw() override;
    void RefreshCommands() override { RefreshCommandStates(); }
    void ViewChanged() override;
    void SetTool(std::unique_ptr<SchemeTool> tool) override;
    void CancelPlacing(bool byRightClick) override;
    void GrowSheet() override;
    void Committed(document::Transaction& step) override;
    void ShowCaption(const QString& text) override;
    void ShowMenu(Menu menu, QPoint pixel) override;

    // SheetCommandContext: what the commands see besides.
    QWidget* DialogParent() override { return this; }
    SchemeWndDialogs& Dialogs() override { return commands_->Dialogs(); }
    SheetMode ToolMode() const override { return CurrentMode(); }
    model::Point MenuPoint() const override { return menuPoint_; }
    void SetMenuPoint(model::Point at) override { menuPoint_ = at; }
    void StartPlacing(int kind) override;
    void Zoom(int delta) override;
    void FitAll() override;
    void ClampView() override;
    // Moves the view centre to the middle of `area` unless all of it shows
    // already; true when the view moved (the caller clamps it).
    bool CentreOnUnlessVisible(const model::Rect& area) override;
    void SchemeOptionsChanged() override;
    void ShowStatus(const QString& text) override { emit statusMessage(text); }

    // AnalysisHost.
    void RefreshAnalysisCommands() override;
    QWidget* Frame() override { return window(); }
    QRect SheetArea() const override;

    // Sets the scale (within its limits) keeping the sheet point under `pixel`
    // where it is.
    void ZoomAt(QPoint pixel, int scale);

    // The controller replaced the document.
    void AfterDocumentReplaced();

    // View.
    SheetTransform Transform() const { return SheetTransform(doc_.view, viewport()->size()); }
    void UpdateScrollBars();
    model::Rect VisibleArea() const { return Transform().VisibleArea(); }
    void ViewScrolled();
    void RebuildFonts();

    // What a state put back by the history needs (fonts, tags, view).
    void AfterHistoryRestored();
    // The object under the mouse is described afresh at the next move.
    void ClearHoverCaption();

    // Mouse helpers.
    // Runs a tool's answer to an event; out of memory is said in a box.
    void ToolEvent(const std::function<void()>& handle);
    void AutoScrollTick();

    // The document, its history and its modified state.
    DocumentController& docs_;
    document::EditSession& session_;
    document::Document& doc_;
    ActionRegistry& actions_;
    SchemeFonts fonts_;
    std::unique_ptr<QtTextMetrics> metrics_;
    std::unique_ptr<AnalysisRunner> analyses_;
    std::unique_ptr<SheetCommands> commands_;
    bool updatingBars_ = false;
    bool showGrid_ = true;
    int upperScale_ = 400;

    std::unique_ptr<SchemeTool> tool_;
    std::vector<std::unique_ptr<SchemeTool>> retired_;
    // The pointer as the tools last saw it, in pixels and in sheet units.
    model::Point current_;
    QPoint lastPixel_;
    PointerConfinement confinement_;
    model::Point menuPoint_ = model::Scheme::kNoPastePoint;
    QString lastCaption_;

    QMenu* elementMenu_ = nullptr;
    QMenu* sheetMenu_ = nullptr;
};

} // namespace korvanix::gui
