#include "gui/CSchemeWnd.h"

#include "document/SheetExtent.h"
#include "gui/ActionRegistry.h"
#include "gui/AnalysisRunner.h"
#include "gui/CTextWnd.h"
#include "gui/CommandIds.h"
#include "gui/CommandTable.h"
#include "gui/DocumentController.h"
#include "gui/Messages.h"
#include "gui/QtPainter.h"
#include "gui/SchemeTools.h"
#include "gui/SheetDecorations.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <new>

namespace korvanix::gui {

namespace {

constexpr int kPlacingReach = 60; // a placing pointer this far outside still pushes

constexpr int kWheelPixelsPerNotch = 60;
constexpr int kFitMargin = 20; // pixels kept around the circuit by "Показать всю схему"

const char* const kPlacingStatus = "Отмена: щелчок правой кнопки мыши";
const char* const kSheetLimitMessage = "Не удается увеличить размеры листа схемы.\n"
                                       "Его ширина и высота не могут быть больше 30000.";
const char* const kOutOfMemory = "Ошибка выделения памяти.";

// Left to the main window: never the sheet's.
bool IsForeignCommand(int id) {
    switch (id) {
    case cmd::HelpContents:
    case cmd::HelpIndex:
    case cmd::About:
        return true;
    default:
        return false;
    }
}

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

// ---------------------------------------------------------------------------
// Construction.

CSchemeWnd::CSchemeWnd(QWidget* parent, DocumentController* documents, ActionRegistry* actions)
    : QAbstractScrollArea(parent), docs_(documents ? *documents : *new DocumentController(this)),
      session_(docs_.Session()), doc_(docs_.Doc()),
      actions_(actions ? *actions : *new ActionRegistry(this)), fonts_(doc_.settings.scheme) {
    setWindowTitle(QStringLiteral("Scheme "));
    // Escape reaches the sheet during a gesture.
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);

    tool_ = std::make_unique<IdleTool>(Tools());
    analyses_ = std::make_unique<AnalysisRunner>(static_cast<AnalysisHost&>(*this));
    commands_ = std::make_unique<SheetCommands>(static_cast<SheetCommandContext&>(*this), actions_);
    if (!docs_.DialogParent())
        docs_.SetDialogParent(this);
    docs_.SetGestureProbe([this] {
        using Gesture = DocumentController::Gesture;
        const Mode mode = CurrentMode();
        return mode == Mode::Idle      ? Gesture::None
               : mode == Mode::Placing ? Gesture::Placing
                                       : Gesture::Dragging;
    });
    connect(&docs_, &DocumentController::aboutToChange, this, &CSchemeWnd::EndModes);
    connect(&docs_, &DocumentController::documentReplaced, this,
            &CSchemeWnd::AfterDocumentReplaced);
    connect(&docs_, &DocumentController::historyRestored, this, &CSchemeWnd::AfterHistoryRestored);
    connect(&docs_, &DocumentController::stateChanged, this, &CSchemeWnd::RefreshCommandStates);
    connect(&docs_, &DocumentController::statusMessage, this, &CSchemeWnd::statusMessage);
    metrics_ = std::make_unique<QtTextMetrics>(fonts_);
    doc_.scheme.SetTextMetrics(metrics_.get());
    doc_.scheme.UpdateAllTags();

    connect(&confinement_, &PointerConfinement::scroll, this, &CSchemeWnd::AutoScrollTick);

    elementMenu_ = actions_.Menu(this, QStringLiteral("elementMenu"), ElementContextMenu());
    sheetMenu_ = actions_.Menu(this, QStringLiteral("sheetMenu"), SheetContextMenu());

    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &CSchemeWnd::RefreshCommandStates);

    session_.Reset();
    ClampView();
    RefreshCommandStates();
}

CSchemeWnd::~CSchemeWnd() {
    docs_.SetGestureProbe(nullptr);
    confinement_.StopScrolling();
    doc_.scheme.SetTextMetrics(nullptr);
}

QRect CSchemeWnd::SheetArea() const {
    return QRect(viewport()->mapToGlobal(QPoint(0, 0)), viewport()->size());
}

// ---------------------------------------------------------------------------
// Commands.

bool CSchemeWnd::OnCommand(int id) {
    // Left to the main window: never the sheet's.
    if (IsForeignCommand(id))
        return false;
    return actions_.Run(id);
}

bool CSchemeWnd::IsCommandEnabled(int id) const {
    if (IsForeignCommand(id))
        return false;
    return actions_.IsEnabled(id);
}

// ---------------------------------------------------------------------------
// Editing.

void CSchemeWnd::StartPlacing(int kind) {
    if (CurrentMode() != Mode::Idle && CurrentMode() != Mode::Placing)
        tool_->Finish(lastPixel_);
    std::unique_ptr<PlaceTool> tool =
        PlaceTool::Start(Tools(), static_cast<model::ElementKind>(kind));
    if (!tool) {
        SetTool(std::make_unique<IdleTool>(Tools()));
        return;
    }
    SetTool(std::move(tool));
    viewport()->setCursor(Qt::CrossCursor);
    emit statusMessage(Utf8(kPlacingStatus));
    viewport()->update();
}

void CSchemeWnd::CancelPlacing(bool byRightClick) {
    if (CurrentMode() != Mode::Placing)
        return;
    SetTool(std::make_unique<IdleTool>(Tools()));
    EndConfinement();
    if (byRightClick)
        emit placingCancelled();
    emit statusMessage(QString());
    viewport()->update();
}

void CSchemeWnd::SetTool(std::unique_ptr<SchemeTool> tool) {
    retired_.push_back(std::move(tool_));
    tool_ = std::move(tool);
}

CSchemeWnd::Mode CSchemeWnd::CurrentMode() const {
    return tool_ ? tool_->Mode() : Mode::Idle;
}

const model::Element* CSchemeWnd::PlacingElement() const {
    return tool_ ? tool_->Placing() : nullptr;
}

void CSchemeWnd::ShowMenu(Menu which, QPoint pixel) {
    QMenu* menu = which == Menu::Element ? elementMenu_ : sheetMenu_;
    menuPoint_ = ToSheet(pixel);
    RefreshCommandStates();
    actions_.Sync(menu);
    menu->popup(viewport()->mapToGlobal(pixel));
}

void CSchemeWnd::SetShowGrid(bool on) {
    showGrid_ = on;
    viewport()->update();
}

bool CSchemeWnd::GridVisible() const {
    return showGrid_ && model::kGridStep * 100 >= kGridMinPixels * std::max(1, doc_.view.scale);
}

void CSchemeWnd::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const QPoint pixel = event->position().toPoint();
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
        // A notch of the wheel zooms by a fifth, around the pointer.
        const double notches = delta.y() / 120.0;
        if (notches != 0) {
            const double factor = std::pow(0.8, notches);
            const int scale = doc_.view.scale;
            int next = static_cast<int>(std::lround(scale * factor));
            if (next == scale)
                next += notches > 0 ? -1 : 1;
            ZoomAt(pixel, next);
        }
        event->accept();
        return;
    }
    // Half a page of pixels per notch feels like a text view; Shift turns it
    // sideways for a mouse with one wheel.
    QPoint pixels = event->pixelDelta();
    if (pixels.isNull())
        pixels = delta * kWheelPixelsPerNotch / 120;
    if ((event->modifiers() & Qt::ShiftModifier) != 0 && pixels.x() == 0)
        pixels = QPoint(pixels.y(), 0);
    const int scale = doc_.view.scale;
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - pixels.x() * scale / 100);
    verticalScrollBar()->setValue(verticalScrollBar()->value() - pixels.y() * scale / 100);
    event->accept();
}

void CSchemeWnd::ZoomAt(QPoint pixel, int scale) {
    const int before = doc_.view.scale;
    Transform().ZoomAt(pixel, scale);
    ClampView();
    if (doc_.view.scale != before)
        session_.MarkViewMoved();
    RefreshCommandStates();
    ViewScrolled();
}

void CSchemeWnd::FitAll() {
    const model::Rect box = document::ElementsExtent(doc_.scheme).Normalized();
    if (box.IsEmpty())
        return;
    Transform().Fit(box, kFitMargin);
    ClampView();
    session_.MarkViewMoved();
    RefreshCommandStates();
    ViewScrolled();
}

void CSchemeWnd::Zoom(int delta) {
    const int before = doc_.view.scale;
    doc_.view.scale = before + delta;
    ClampView();
    if (doc_.view.scale != before)
        session_.MarkViewMoved();
    RefreshCommandStates();
}

void CSchemeWnd::AfterHistoryRestored() {
    if (tool_)
        tool_->DocumentRestored();
    ClearHoverCaption();
    RebuildFonts();
    doc_.scheme.UpdateAllTags();
    doc_.scheme.RebuildNodeTags();
    ClampView();
}

void CSchemeWnd::ClearHoverCaption() {
    lastCaption_.clear();
    emit hoverCaption(QString());
}

// ---------------------------------------------------------------------------
// Document.

bool CSchemeWnd::CloseDocument() {
    // Closing waits for the running analysis to stop: the caller asks again.
    if (IsAnalysing()) {
        analyses_->RequestStop();
        return false;
    }
    return docs_.PromptBeforeClose();
}

void CSchemeWnd::AfterDocumentReplaced() {
    CloseElementList();
    analyses_->CloseResults();
    DocumentReloaded();
    emit statusMessage(QString());
}

void CSchemeWnd::DocumentReloaded() {
    CancelPlacing(false);
    if (CurrentMode() != Mode::Idle) {
        EndConfinement();
        SetTool(std::make_unique<IdleTool>(Tools()));
    }
    menuPoint_ = model::Scheme::kNoPastePoint;
    // A fresh document shows no caption of an element it does not have.
    ClearHoverCaption();
    RebuildFonts();
    doc_.scheme.UpdateAllTags();
    doc_.scheme.RebuildNodeTags();
    session_.Reset();
    ClampView();
    RefreshCommandStates();
    Redraw();
}

void CSchemeWnd::EndModes() {
    CancelPlacing(false);
    if (CurrentMode() != Mode::Idle)
        tool_->Finish(lastPixel_);
}

// ---------------------------------------------------------------------------
// View.

void CSchemeWnd::ClampView() {
    SheetTransform transform = Transform();
    upperScale_ = transform.UpperScale();
    transform.Clamp();
    UpdateScrollBars();
    viewport()->update();
}

void CSchemeWnd::UpdateScrollBars() {
    const document::ViewState& view = doc_.view;
    updatingBars_ = true;
    const auto setBar = [](QScrollBar* bar, int client, int scale, int sheet, int centre) {
        const int page = std::max(1, client * scale / 100);
        const int half = page / 2;
        // The thumb's value is the view centre; the range ends where half a page
        // still shows beyond the centre.
        bar->setRange(half, std::max(half, sheet - half));
        bar->setPageStep(page);
        bar->setSingleStep(std::max(1, page / 10));
        bar->setValue(centre);
    };
    setBar(horizontalScrollBar(), viewport()->width(), view.scale, view.sheetWidth, view.centerX);
    setBar(verticalScrollBar(), viewport()->height(), view.scale, view.sheetHeight, view.centerY);
    updatingBars_ = false;
}

void CSchemeWnd::scrollContentsBy(int /*dx*/, int /*dy*/) {
    if (updatingBars_)
        return;
    doc_.view.centerX = horizontalScrollBar()->value();
    doc_.view.centerY = verticalScrollBar()->value();
    ViewScrolled();
}

void CSchemeWnd::ViewScrolled() {
    session_.MarkViewMoved();
    if (CurrentMode() != Mode::Idle) {
        current_ = ToSheet(lastPixel_);
        tool_->ViewMoved();
    }
    viewport()->update();
}

void CSchemeWnd::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ClampView();
    RefreshCommandStates();
}

void CSchemeWnd::GrowSheet() {
    if (document::GrowSheet(doc_.scheme, doc_.view)) {
        ClampView();
        Messages().Warn(this, Utf8(kSheetLimitMessage));
    }
    ClampView();
}

void CSchemeWnd::SchemeOptionsChanged() {
    RebuildFonts();
    doc_.scheme.UpdateAllTags();
    doc_.scheme.RebuildNodeTags();
}

void CSchemeWnd::RebuildFonts() {
    fonts_ = SchemeFonts(doc_.settings.scheme);
    doc_.scheme.SetTextMetrics(metrics_.get());
}

void CSchemeWnd::Redraw() {
    doc_.scheme.invalid.clear();
    viewport()->update();
}

void CSchemeWnd::ViewChanged() {
    ClampView();
    ViewScrolled();
}

QPoint CSchemeWnd::SetPointer(QPoint pixel, bool confine) {
    lastPixel_ = confine ? Confined(pixel) : pixel;
    current_ = ToSheet(lastPixel_);
    return lastPixel_;
}

QPoint CSchemeWnd::CursorPixel() const {
    return viewport()->mapFromGlobal(QCursor::pos());
}

void CSchemeWnd::EndConfinement() {
    confinement_.Release();
    viewport()->unsetCursor();
}

void CSchemeWnd::ShowCaption(const QString& text) {
    if (text == lastCaption_)
        return;
    lastCaption_ = text;
    emit hoverCaption(text);
}

// ---------------------------------------------------------------------------
// History.

void CSchemeWnd::Committed(document::Transaction& step) {
    step.Commit();
    RefreshCommandStates();
    Redraw();
}

bool CSchemeWnd::IsAnalysing() const {
    return analyses_ && analyses_->IsRunning();
}

void CSchemeWnd::RefreshAnalysisCommands() {
    actions_.Refresh({cmd::Transient, cmd::Frequency, cmd::PoleZero, cmd::AnalysisSettings});
}

void CSchemeWnd::ShowSelection() {
    const model::Rect area = document::SelectionExtent(doc_.scheme).Normalized();
    if (!area.IsEmpty() && CentreOnUnlessVisible(area)) {
        ClampView();
        session_.MarkViewMoved();
    }
    RefreshCommandStates();
    Redraw();
}

bool CSchemeWnd::CentreOnUnlessVisible(const model::Rect& area) {
    const model::Rect visible = VisibleArea();
    if (area.left >= visible.left && area.top >= visible.top && area.right <= visible.right &&
        area.bottom <= visible.bottom)
        return false;
    doc_.view.centerX = area.left + area.Width() / 2;
    doc_.view.centerY = area.top + area.Height() / 2;
    session_.MarkViewMoved();
    return true;
}

// ---------------------------------------------------------------------------
// Painting.

void CSchemeWnd::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    const int w = viewport()->width();
    const int h = viewport()->height();
    painter.fillRect(QRect(0, 0, w, h), Qt::white);
    if (GridVisible())
        PaintGrid(painter, Transform(), doc_.view);
    const document::ViewState& view = doc_.view;
    painter.save();
    ApplySheetView(painter, w, h, view.scale, view.centerX, view.centerY);
    QtPainter sheet(painter, fonts_);
    const model::Rect visible = VisibleArea();
    const model::Scheme& scheme = doc_.scheme;
    scheme.Draw(sheet, false, visible);
    tool_->PaintSheet(sheet, visible);
    scheme.DrawPinMark(sheet);
    painter.restore();
    PaintFreePins(painter, Transform(), doc_.scheme, viewport()->rect());
    tool_->PaintPixels(painter);
    doc_.scheme.invalid.clear();
}

// ---------------------------------------------------------------------------
// Mouse.

void CSchemeWnd::ConfineDrag(QPoint pixel) {
    const model::Rect box = document::SelectionExtent(doc_.scheme);
    confinement_.ConfineDrag(viewport()->rect(), pixel, ToPixel({box.left, box.top}),
                             ToPixel({box.right, box.bottom}));
}

void CSchemeWnd::AutoScrollTick() {
    if (CurrentMode() == Mode::Idle) {
        confinement_.StopScrolling();
        return;
    }
    if (CurrentMode() == Mode::Placing) {
        // No button is held while placing, so no events follow a pointer that
        // overshot the window: it counts as resting on the border while it stays
        // near; gone further (to a palette, say), the scrolling stops.
        const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
        const QRect near = viewport()->rect().adjusted(-kPlacingReach, -kPlacingReach,
                                                       kPlacingReach, kPlacingReach);
        if (!near.contains(pointer)) {
            confinement_.StopScrolling();
            return;
        }
        const QPoint confined = Confined(pointer);
        UpdateAutoScroll(confined);
        if (!confinement_.IsScrolling())
            return;
        lastPixel_ = confined;
    }
    document::ViewState& view = doc_.view;
    const int pageX = viewport()->width() * view.scale / 100;
    const int pageY = viewport()->height() * view.scale / 100;
    view.centerX += confinement_.DirectionX() * pageX / 5;
    view.centerY += confinement_.DirectionY() * pageY / 5;
    ClampView();
    ViewScrolled();
}

void CSchemeWnd::ToolEvent(const std::function<void()>& handle) {
    // The tool an event retired is kept until the next one.
    retired_.clear();
    try {
        handle();
    } catch (const std::bad_alloc&) {
        Messages().Warn(this, Utf8(kOutOfMemory));
    }
}

void CSchemeWnd::mousePressEvent(QMouseEvent* event) {
    ToolEvent([&] {
        tool_->Press(event->position().toPoint(), event->button(),
                     (event->modifiers() & Qt::ControlModifier) != 0);
    });
}

void CSchemeWnd::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || CurrentMode() == Mode::Idle)
        return QAbstractScrollArea::keyPressEvent(event);
    ToolEvent([&] { tool_->Cancel(); });
}

void CSchemeWnd::mouseMoveEvent(QMouseEvent* event) {
    ToolEvent([&] { tool_->Move(event->position().toPoint()); });
}

void CSchemeWnd::mouseReleaseEvent(QMouseEvent* event) {
    ToolEvent([&] { tool_->Release(event->position().toPoint(), event->button()); });
}

void CSchemeWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || CurrentMode() == Mode::Placing)
        return;
    ToolEvent([&] {
        // The second press may already have begun a drag: it ends where it began.
        if (CurrentMode() != Mode::Idle)
            tool_->Finish(lastPixel_);
        commands_->OpenAt(ToSheet(event->position().toPoint()));
    });
}

} // namespace korvanix::gui
