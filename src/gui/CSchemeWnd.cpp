#include "gui/CSchemeWnd.h"

#include "document/SheetExtent.h"
#include "gui/ActionRegistry.h"
#include "gui/AnalysisRunner.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/DocumentController.h"

#include "gui/CTextWnd.h"
#include "gui/CircuitClipboard.h"
#include "gui/CommandIds.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "gui/QtPainter.h"
#include "gui/SchemePicture.h"
#include "gui/SchemeTools.h"
#include "gui/dialogs/CSchemeOptionsPropSheet.h"
#include "gui/dialogs/CSheetSizeDlg.h"
#include "gui/dialogs/QtParameterEditor.h"
#include "model/Errors.h"

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace korvanix::gui {

namespace {

constexpr int kScrollBand = 5;    // the auto-scroll timer runs this near the border
constexpr int kDirectionBand = 7; // and scrolls towards a border this near
constexpr int kPlacingReach = 60; // a placing pointer this far outside still pushes
constexpr int kAutoScrollMs = 200;
constexpr int kUpperScaleLimit = 500;

constexpr int kWheelPixelsPerNotch = 60;
constexpr int kFitMargin = 20; // pixels kept around the circuit by "Показать всю схему"
constexpr double kFreePinRadius = 3;
const QColor kGridColour(190, 190, 190);
const QColor kSheetEdgeColour(160, 160, 160);
// Muted, and of a hue no symbol, wire or tag uses.
const QColor kFreePinColour(225, 140, 60);

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
        switch (CurrentMode()) {
        case Mode::Idle:
            return DocumentController::Gesture::None;
        case Mode::Placing:
            return DocumentController::Gesture::Placing;
        default:
            return DocumentController::Gesture::Dragging;
        }
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

    autoScroll_.setInterval(kAutoScrollMs);
    connect(&autoScroll_, &QTimer::timeout, this, &CSchemeWnd::AutoScrollTick);

    elementMenu_ = BuildMenu("elementMenu", {{cmd::Rotate, "П&овернуть"},
                                             {cmd::MirrorX, "Отобразить слева &направо"},
                                             {cmd::MirrorY, "Отобразить сверху &вниз"},
                                             {0, nullptr},
                                             {cmd::Cut, "В&ырезать\tCtrl+X"},
                                             {cmd::Copy, "&Копировать\tCtrl+C"},
                                             {cmd::Delete, "&Удалить\tDel"},
                                             {0, nullptr},
                                             {cmd::ElementParameters, "&Параметры..."}});
    sheetMenu_ = BuildMenu("sheetMenu", {{cmd::HelpContents, "&Справка\tF1"},
                                         {0, nullptr},
                                         {cmd::ZoomIn, "Увеличить масштаб\tCtrl++"},
                                         {cmd::ZoomOut, "Уменьшить масштаб\tCtrl+-"},
                                         {cmd::SelectAll, "В&ыделить все"},
                                         {cmd::PasteHere, "&Вставить\tCtrl+V"},
                                         {0, nullptr},
                                         {cmd::SchemeSettings, "&Установки схемы..."}});

    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &CSchemeWnd::RefreshCommandStates);

    session_.Reset();
    ClampView();
    RefreshCommandStates();
}

CSchemeWnd::~CSchemeWnd() {
    docs_.SetGestureProbe(nullptr);
    autoScroll_.stop();
    doc_.scheme.SetTextMetrics(nullptr);
}

QMenu* CSchemeWnd::BuildMenu(const char* name,
                             const std::vector<std::pair<int, const char*>>& items) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString::fromLatin1(name));
    for (const auto& [id, text] : items) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Utf8(text));
        action->setData(id);
        const int commandId = id;
        // The sheet's own commands and those of the frame (help) alike.
        connect(action, &QAction::triggered, this, [this, commandId] { actions_.Run(commandId); });
    }
    return menu;
}

void CSchemeWnd::SetDialogs(SchemeWndDialogs* dialogs) {
    commands_->SetDialogs(dialogs);
}

SchemeWndDialogs& CSchemeWnd::Dialogs() {
    return commands_->Dialogs();
}

QRect CSchemeWnd::SheetArea() const {
    return QRect(viewport()->mapToGlobal(QPoint(0, 0)), viewport()->size());
}

bool CSchemeWnd::IsPlacing() const {
    return CurrentMode() == Mode::Placing;
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

void CSchemeWnd::RefreshCommandStates() {
    actions_.Refresh();
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
    StopAutoScroll();
    SetTool(std::make_unique<IdleTool>(Tools()));
    confine_ = QRect();
    viewport()->unsetCursor();
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
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            action->setEnabled(actions_.IsEnabled(action->data().toInt()));
    menu->popup(viewport()->mapToGlobal(pixel));
}

void CSchemeWnd::DoubleClick(QPoint pixel) {
    model::Scheme& scheme = doc_.scheme;
    const model::Point p = ToSheet(pixel);
    if (scheme.ElementAt(p.x, p.y)) {
        scheme.ClearSelection();
        scheme.SelectAt(p.x, p.y, false);
        menuPoint_ = p;
        RefreshCommandStates();
        Redraw();
        commands_->EditElementParameters();
        return;
    }
    const bool onPin = std::any_of(scheme.elements.begin(), scheme.elements.end(),
                                   [&](const auto& e) { return e->PinAt(p.x, p.y) != 0; });
    if (!onPin)
        commands_->EditSchemeSettings();
}

void CSchemeWnd::SetShowGrid(bool on) {
    showGrid_ = on;
    viewport()->update();
}

bool CSchemeWnd::GridVisible() const {
    return showGrid_ && model::kGridStep * 100 >= kGridMinPixels * std::max(1, doc_.view.scale);
}

void CSchemeWnd::PaintGrid(QPainter& painter) const {
    const document::ViewState& view = doc_.view;
    const model::Rect visible = VisibleArea();
    const int left = std::max(0, (visible.left / model::kGridStep) * model::kGridStep);
    const int top = std::max(0, (visible.top / model::kGridStep) * model::kGridStep);
    const int right = std::min(view.sheetWidth, visible.right);
    const int bottom = std::min(view.sheetHeight, visible.bottom);
    QPolygon dots;
    for (int y = top; y <= bottom; y += model::kGridStep)
        for (int x = left; x <= right; x += model::kGridStep)
            dots << ToPixel({x, y});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kGridColour, 1));
    painter.drawPoints(dots);
    // The sheet's edge: elements cannot go beyond it.
    const QRect sheet(ToPixel({0, 0}), ToPixel({view.sheetWidth, view.sheetHeight}));
    painter.setPen(QPen(kSheetEdgeColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    painter.restore();
}

void CSchemeWnd::PaintFreePins(QPainter& painter) const {
    // A pin without a wire shows as a small open circle, so that an element
    // that merely touches a wire does not look joined to it. Connectors are left
    // out: their spare pins are no fault.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kFreePinColour, 1));
    painter.setBrush(Qt::NoBrush);
    const QRect client = viewport()->rect().adjusted(-4, -4, 4, 4);
    for (const auto& e : doc_.scheme.elements) {
        if (e->kind == model::kind::Connector || !e->visible)
            continue;
        for (std::size_t i = 0; i < e->pins.size(); ++i) {
            if (e->pins[i].wire)
                continue;
            const QPoint at = ToPixel(e->PinPosition(static_cast<int>(i) + 1));
            if (client.contains(at))
                painter.drawEllipse(QPointF(at) + QPointF(0.5, 0.5), kFreePinRadius,
                                    kFreePinRadius);
        }
    }
    painter.restore();
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
    document::ViewState& view = doc_.view;
    const model::Point fixed = ToSheet(pixel);
    const int before = view.scale;
    view.scale = std::clamp(scale, kLowerScale, upperScale_);
    const int w = viewport()->width();
    const int h = viewport()->height();
    view.centerX = model::SaturateToInt(
        fixed.x - std::llround(double(pixel.x() - w / 2) * view.scale / 100.0));
    view.centerY = model::SaturateToInt(
        fixed.y - std::llround(double(pixel.y() - h / 2) * view.scale / 100.0));
    ClampView();
    if (view.scale != before)
        session_.MarkViewMoved();
    RefreshCommandStates();
    ViewScrolled();
}

void CSchemeWnd::FitAll() {
    const model::Rect box = document::ElementsExtent(doc_.scheme).Normalized();
    if (box.IsEmpty())
        return;
    document::ViewState& view = doc_.view;
    const int w = std::max(1, viewport()->width() - 2 * kFitMargin);
    const int h = std::max(1, viewport()->height() - 2 * kFitMargin);
    // The smallest scale (the closest view) at which the box fits both ways.
    const int64_t fitX = (int64_t{box.Width()} * 100 + w - 1) / w;
    const int64_t fitY = (int64_t{box.Height()} * 100 + h - 1) / h;
    view.scale = static_cast<int>(
        std::clamp<int64_t>(std::max(fitX, fitY), kLowerScale, std::max(kLowerScale, upperScale_)));
    view.centerX = box.left + box.Width() / 2;
    view.centerY = box.top + box.Height() / 2;
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
    // The results of the old circuit would be read as the new one's.
    for (const char* title : {kTransientGraphTitle, kFrequencyGraphTitle})
        if (CMultiGraphWnd* graphs = CMultiGraphWnd::Find(QString::fromUtf8(title)))
            graphs->close();
    DocumentReloaded();
    emit statusMessage(QString());
}

void CSchemeWnd::DocumentReloaded() {
    CancelPlacing(false);
    if (CurrentMode() != Mode::Idle) {
        StopAutoScroll();
        confine_ = QRect();
        viewport()->unsetCursor();
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

model::Point CSchemeWnd::ToSheet(QPoint pixel) const {
    const int scale = doc_.view.scale;
    const int w = viewport()->width();
    const int h = viewport()->height();
    const auto x = std::lround(double(pixel.x() - w / 2) * scale / 100.0);
    const auto y = std::lround(double(pixel.y() - h / 2) * scale / 100.0);
    return {model::SaturateToInt(int64_t{doc_.view.centerX} + x),
            model::SaturateToInt(int64_t{doc_.view.centerY} + y)};
}

QPoint CSchemeWnd::ToPixel(model::Point point) const {
    const int scale = std::max(1, doc_.view.scale);
    const int w = viewport()->width();
    const int h = viewport()->height();
    const auto x = std::lround(double(int64_t{point.x} - doc_.view.centerX) * 100.0 / scale);
    const auto y = std::lround(double(int64_t{point.y} - doc_.view.centerY) * 100.0 / scale);
    return {w / 2 + static_cast<int>(x), h / 2 + static_cast<int>(y)};
}

model::Rect CSchemeWnd::VisibleArea() const {
    return model::Rect{ToSheet(QPoint(0, 0)).x, ToSheet(QPoint(0, 0)).y,
                       ToSheet(QPoint(viewport()->width(), viewport()->height())).x,
                       ToSheet(QPoint(viewport()->width(), viewport()->height())).y};
}

void CSchemeWnd::ClampView() {
    document::ViewState& view = doc_.view;
    const int w = std::max(1, viewport()->width());
    const int h = std::max(1, viewport()->height());
    const int64_t fitX = int64_t{view.sheetWidth} * 100 / w + 1;
    const int64_t fitY = int64_t{view.sheetHeight} * 100 / h + 1;
    upperScale_ = static_cast<int>(std::min<int64_t>({fitX, fitY, kUpperScaleLimit}));
    view.scale = std::max(kLowerScale, std::min(view.scale, upperScale_));

    const int64_t halfX = int64_t{w} * view.scale / 200;
    const int64_t halfY = int64_t{h} * view.scale / 200;
    // A sheet narrower than the window keeps its centre in the middle.
    view.centerX =
        static_cast<int>(std::max(halfX, std::min<int64_t>(view.centerX, view.sheetWidth - halfX)));
    view.centerY = static_cast<int>(
        std::max(halfY, std::min<int64_t>(view.centerY, view.sheetHeight - halfY)));
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

void CSchemeWnd::Repaint() {
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
    StopAutoScroll();
    confine_ = QRect();
    viewport()->unsetCursor();
}

void CSchemeWnd::SetCursor(Qt::CursorShape shape) {
    viewport()->setCursor(shape);
}

void CSchemeWnd::UnsetCursor() {
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
        PaintGrid(painter);
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
    PaintFreePins(painter);
    tool_->PaintPixels(painter);
    doc_.scheme.invalid.clear();
}

// ---------------------------------------------------------------------------
// Mouse.

QRect CSchemeWnd::ClientRect() const {
    return QRect(0, 0, viewport()->width(), viewport()->height());
}

QPoint CSchemeWnd::Confined(QPoint pixel) const {
    if (confine_.isNull())
        return pixel;
    return {std::clamp(pixel.x(), confine_.left(), confine_.right()),
            std::clamp(pixel.y(), confine_.top(), confine_.bottom())};
}

void CSchemeWnd::ConfineToClient() {
    const QRect client = ClientRect();
    const QRect shrunk =
        client.adjusted(kConfineShrink, kConfineShrink, -kConfineShrink, -kConfineShrink);
    confine_ = shrunk.isValid() ? shrunk : client;
}

void CSchemeWnd::ConfineDrag(QPoint pixel) {
    const QRect client = ClientRect();
    const model::Rect box = document::SelectionExtent(doc_.scheme);
    const QPoint topLeft = ToPixel({box.left, box.top});
    const QPoint bottomRight = ToPixel({box.right, box.bottom});
    // The selection's box stays inside the window while the pointer moves.
    const QRect shrunk =
        client.adjusted(pixel.x() - topLeft.x(), pixel.y() - topLeft.y(),
                        -(bottomRight.x() - pixel.x()), -(bottomRight.y() - pixel.y()));
    confine_ = (shrunk.width() < 10 || shrunk.height() < 10) ? client : shrunk;
}

void CSchemeWnd::UpdateAutoScroll(QPoint pixel) {
    const QRect& c = confine_;
    if (c.isNull() || !c.contains(pixel)) {
        StopAutoScroll();
        return;
    }
    const bool inBand = pixel.x() - c.left() < kScrollBand || c.right() - pixel.x() < kScrollBand ||
                        pixel.y() - c.top() < kScrollBand || c.bottom() - pixel.y() < kScrollBand;
    if (!inBand) {
        StopAutoScroll();
        return;
    }
    scrollDirX_ = pixel.x() - c.left() < kDirectionBand    ? -1
                  : c.right() - pixel.x() < kDirectionBand ? 1
                                                           : 0;
    scrollDirY_ = pixel.y() - c.top() < kDirectionBand      ? -1
                  : c.bottom() - pixel.y() < kDirectionBand ? 1
                                                            : 0;
    if (!autoScroll_.isActive())
        autoScroll_.start();
}

void CSchemeWnd::StopAutoScroll() {
    autoScroll_.stop();
    scrollDirX_ = 0;
    scrollDirY_ = 0;
}

void CSchemeWnd::AutoScrollTick() {
    if (CurrentMode() == Mode::Idle) {
        StopAutoScroll();
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
            StopAutoScroll();
            return;
        }
        const QPoint confined = Confined(pointer);
        UpdateAutoScroll(confined);
        if (!autoScroll_.isActive())
            return;
        lastPixel_ = confined;
    }
    document::ViewState& view = doc_.view;
    const int pageX = viewport()->width() * view.scale / 100;
    const int pageY = viewport()->height() * view.scale / 100;
    view.centerX += scrollDirX_ * pageX / 5;
    view.centerY += scrollDirY_ * pageY / 5;
    ClampView();
    ViewScrolled();
}

void CSchemeWnd::mousePressEvent(QMouseEvent* event) {
    retired_.clear();
    try {
        tool_->Press(event->position().toPoint(), event->button(),
                     (event->modifiers() & Qt::ControlModifier) != 0);
    } catch (const std::bad_alloc&) {
        Messages().Warn(this, Utf8(kOutOfMemory));
    }
}

void CSchemeWnd::keyPressEvent(QKeyEvent* event) {
    retired_.clear();
    if (event->key() == Qt::Key_Escape && CurrentMode() != Mode::Idle) {
        tool_->Cancel();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CSchemeWnd::mouseMoveEvent(QMouseEvent* event) {
    retired_.clear();
    tool_->Move(event->position().toPoint());
}

void CSchemeWnd::mouseReleaseEvent(QMouseEvent* event) {
    retired_.clear();
    try {
        tool_->Release(event->position().toPoint(), event->button());
    } catch (const std::bad_alloc&) {
        Messages().Warn(this, Utf8(kOutOfMemory));
    }
}

void CSchemeWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    retired_.clear();
    if (event->button() != Qt::LeftButton || CurrentMode() == Mode::Placing)
        return;
    try {
        // The second press may already have begun a drag: it ends where it began.
        if (CurrentMode() != Mode::Idle)
            tool_->Finish(lastPixel_);
        DoubleClick(event->position().toPoint());
    } catch (const std::bad_alloc&) {
        Messages().Warn(this, Utf8(kOutOfMemory));
    }
}

} // namespace korvanix::gui
