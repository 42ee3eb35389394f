#pragma once

#include "document/Document.h"
#include "document/EditSession.h"
#include "document/SheetExtent.h"
#include "gui/SchemeFonts.h"
#include "gui/ToolContext.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

class QMenu;

namespace korvanix::gui {

class AnalysisRunner;
class DocumentController;
class SchemeTool;

// The modal dialogs the sheet opens. Tests install their own to answer them.
class SchemeWndDialogs {
public:
    virtual ~SchemeWndDialogs() = default;
    // The parameter dialog of the first selected element; 1 when it changed the element.
    virtual int EditParameters(QWidget* parent, model::Scheme& scheme);
    // The sheet size dialog; false when cancelled.
    virtual bool SheetSize(QWidget* parent, int& width, int& height);
    // The scheme settings on a copy of the record; false when cancelled.
    virtual bool SchemeSettings(QWidget* parent, document::SchemeOptions& options);
};

// The drawing sheet of the circuit: view, mouse modes and editing commands.
// The document's life belongs to its DocumentController; the sheet shows the
// document the controller holds and edits it through the controller's session.
class CSchemeWnd : public QAbstractScrollArea, private ToolContext {
    Q_OBJECT
public:
    using Mode = SheetMode;

    static constexpr int kLowerScale = 40;
    static constexpr int kMaxSheet = document::kMaxSheet;

    // Without a controller the sheet keeps one of its own.
    explicit CSchemeWnd(QWidget* parent = nullptr, DocumentController* documents = nullptr);
    ~CSchemeWnd() override;

    DocumentController& Documents() { return docs_; }
    document::Document& Doc() { return doc_; }
    const document::Document& Doc() const { return doc_; }

    // Runs a command of the menus, toolbars, palettes or context menus; false when
    // the id is not one of the sheet's.
    bool OnCommand(int id);
    // Whether a command is currently enabled (as last announced by commandEnabled).
    bool IsCommandEnabled(int id) const;
    // The save prompt before the program closes; false when the user cancelled
    // (or an analysis still runs: it is asked to stop).
    bool CloseDocument();
    // Announces the state of every command (commandEnabled / commandChecked).
    void RefreshCommandStates();
    // The main window lost activation: placing is cancelled, a drag ends as if the
    // button had been released.
    void EndModes();
    // Shows or hides the node numbers (the display flag of the document).
    void SetShowNodes(bool on);
    // The dot grid on the placing raster and the sheet's border (the window's
    // only: never in pictures of the circuit).
    void SetShowGrid(bool on);
    bool ShowsGrid() const { return showGrid_; }
    // Whether the grid shows at the present scale (dots at least this far apart).
    static constexpr int kGridMinPixels = 6;
    bool GridVisible() const;
    bool IsPlacing() const;
    // Whether the border scrolling timer runs.
    bool IsAutoScrolling() const { return autoScroll_.isActive(); }

    // Null restores the real dialogs.
    void SetDialogs(SchemeWndDialogs* dialogs);
    Mode CurrentMode() const;
    // The largest scale at which the sheet still fills the window (at most 500).
    int UpperScale() const { return upperScale_; }
    // Window pixels and sheet units under the current view.
    model::Point ToSheet(QPoint pixel) const override;
    QPoint ToPixel(model::Point point) const override;
    // The element that follows the pointer while placing; null otherwise.
    const model::Element* PlacingElement() const;
    // After the document was changed from outside (fonts, tags, view, history).
    void DocumentReloaded();

    // The analysis commands.
    AnalysisRunner& Analyses() { return *analyses_; }
    bool IsAnalysing() const;
    // Brings the selected elements into view (a faulty element the analysis
    // check selected), or just repaints when they are visible already.
    void ShowSelection();
    // Disabled while an analysis runs.
    void SetAnalysisCommandsEnabled(bool on);

signals:
    void commandEnabled(int id, bool enabled);
    void commandChecked(int id, bool checked);
    // Text for the second part of the status bar.
    void statusMessage(const QString& text);
    // The description of the object under the mouse, for the first part.
    void hoverCaption(const QString& text);
    // Placing ended by a right click: palette and text buttons go up.
    void placingCancelled();
    // A context-menu command that the main window handles (help contents).
    void commandForMainWindow(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    static constexpr int kConfineShrink = 7; // pixels kept free at the client border

    // Editing steps.
    void StartPlacing(int kind);

    // ToolContext: what the mouse tools see of the sheet.
    ToolContext& Tools() { return *this; }
    model::Scheme& Scheme() override { return doc_.scheme; }
    document::ViewState& View() override { return doc_.view; }
    document::EditSession& Session() override { return session_; }
    model::Point Pointer() const override { return current_; }
    QPoint SetPointer(QPoint pixel, bool confine) override;
    QPoint Confined(QPoint pixel) const override;
    QPoint CursorPixel() const override;
    void ConfineToClient() override;
    void ConfineDrag(QPoint pixel) override;
    void UpdateAutoScroll(QPoint pixel) override;
    void EndConfinement() override;
    void SetCursor(Qt::CursorShape shape) override;
    void UnsetCursor() override;
    void Repaint() override;
    void Redraw() override;
    void RefreshCommands() override { RefreshCommandStates(); }
    void ViewChanged() override;
    void SetTool(std::unique_ptr<SchemeTool> tool) override;
    void CancelPlacing(bool byRightClick) override;
    void GrowSheet() override;
    void Committed(document::Transaction& step) override;
    void ShowCaption(const QString& text) override;
    void ShowMenu(Menu menu, QPoint pixel) override;

    void DoubleClick(QPoint pixel);
    void EditElementParameters();
    void EditSchemeSettings();
    void EditSheetSize();
    void Paste(int x, int y);
    void CopyOrCut(bool cut);
    void Zoom(int delta);
    // Sets the scale (within its limits) keeping the sheet point under `pixel`
    // where it is.
    void ZoomAt(QPoint pixel, int scale);
    // The scale and centre that show every element.
    void FitAll();
    void PaintGrid(QPainter& painter) const;
    void PaintFreePins(QPainter& painter) const;
    void UndoOrRedo(bool redo);

    // The controller replaced the document.
    void AfterDocumentReplaced();

    // View.
    void ClampView();
    void UpdateScrollBars();
    model::Rect VisibleArea() const;
    // Moves the view centre to the middle of `area` unless all of it shows
    // already; true when the view moved (the caller clamps it).
    bool CentreOnUnlessVisible(const model::Rect& area);
    void ViewScrolled();
    void RebuildFonts();

    // What a state put back by the history needs (fonts, tags, view).
    void AfterHistoryRestored();
    // The object under the mouse is described afresh at the next move.
    void ClearHoverCaption();

    // Mouse helpers.
    QRect ClientRect() const;
    void AutoScrollTick();
    void StopAutoScroll();
    void SetEnabled(int id, bool on);
    QMenu* BuildMenu(const char* name, const std::vector<std::pair<int, const char*>>& items);

    // The document, its history and its modified state.
    DocumentController& docs_;
    document::EditSession& session_;
    document::Document& doc_;
    SchemeFonts fonts_;
    std::unique_ptr<QtTextMetrics> metrics_;
    std::unique_ptr<AnalysisRunner> analyses_;
    bool updatingBars_ = false;
    bool showGrid_ = true;
    int upperScale_ = 400;

    std::unique_ptr<SchemeTool> tool_;
    std::vector<std::unique_ptr<SchemeTool>> retired_;
    // The pointer as the tools last saw it, in pixels and in sheet units.
    model::Point current_;
    QPoint lastPixel_;
    QRect confine_;
    QTimer autoScroll_;
    int scrollDirX_ = 0;
    int scrollDirY_ = 0;
    model::Point menuPoint_ = model::Scheme::kNoPastePoint;
    QString lastCaption_;

    QMenu* elementMenu_ = nullptr;
    QMenu* sheetMenu_ = nullptr;
    std::map<int, bool> enabled_;
    SchemeWndDialogs* dialogs_ = nullptr;
};

} // namespace korvanix::gui
