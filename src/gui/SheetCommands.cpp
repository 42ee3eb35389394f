#include "gui/SheetCommands.h"

#include "document/SheetExtent.h"
#include "gui/ActionRegistry.h"
#include "gui/AnalysisRunner.h"
#include "gui/CTextWnd.h"
#include "gui/CircuitClipboard.h"
#include "gui/CommandIds.h"
#include "gui/CommandTable.h"
#include "gui/DocumentController.h"
#include "gui/GraphExport.h"
#include "gui/Messages.h"
#include "gui/SchemePicture.h"
#include "gui/SheetTransform.h"
#include "gui/dialogs/CSchemeOptionsPropSheet.h"
#include "gui/dialogs/CSheetSizeDlg.h"
#include "gui/dialogs/QtParameterEditor.h"

#include <QFileInfo>
#include <QPoint>
#include <QWidget>

#include <algorithm>
#include <new>

namespace korvanix::gui {

namespace {

const char* const kSheetTooSmallMessage =
    "Некоторые элементы оказались за пределами листа.\n"
    "Его размеры будут изменены так, чтобы поместились все элементы.";
const char* const kOutOfMemory = "Ошибка выделения памяти.";
const char* const kCopyDone = "Копирование завершено.";

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

SchemeWndDialogs realDialogs;

// Where copies are anchored and pastes without a point land: near the view's
// top-left corner.
constexpr QPoint kPasteCorner(50, 50);

} // namespace

int SchemeWndDialogs::EditParameters(QWidget* parent, model::Scheme& scheme) {
    QtParameterEditor editor(parent);
    return scheme.EditSelected(editor);
}

bool SchemeWndDialogs::SheetSize(QWidget* parent, int& width, int& height) {
    CSheetSizeDlg dialog(width, height, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    width = dialog.SheetWidth();
    height = dialog.SheetHeight();
    return true;
}

bool SchemeWndDialogs::SchemeSettings(QWidget* parent, document::SchemeOptions& options) {
    CSchemeOptionsPropSheet dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    return true;
}

SheetCommands::SheetCommands(SheetCommandContext& view, ActionRegistry& actions)
    : view_(view), actions_(actions), dialogs_(&realDialogs) {
    Register();
}

void SheetCommands::SetDialogs(SchemeWndDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : &realDialogs;
}

void SheetCommands::Add(int id, std::function<void()> handler) {
    actions_.SetHandler(id, [this, id, handler = std::move(handler)] {
        // The running analysis reads the circuit: whatever comes meanwhile (the
        // window is disabled, so only a program's own request can) stops it and
        // waits for its end.
        if (view_.IsAnalysing()) {
            view_.Analyses().RequestStop();
            view_.Analyses().AfterRun([this, id] { actions_.Run(id); });
            return;
        }
        try {
            handler();
        } catch (const std::bad_alloc&) {
            Messages().Warn(view_.DialogParent(), Utf8(kOutOfMemory));
        }
    });
}

void SheetCommands::Step(const char* name, const std::function<void(model::Scheme&)>& edit) {
    document::Transaction step(view_.Session(), name);
    edit(view_.Scheme());
    view_.Committed(step);
}

void SheetCommands::Register() {
    SheetCommandContext& v = view_;
    for (const PaletteEntry& palette : Palettes())
        for (const int id : palette.buttons)
            if (const int kind = cmd::PlacedKind(id); kind != 0)
                Add(id, [&v, kind] { v.StartPlacing(kind); });
    Add(cmd::PlaceTextLabel, [&v] { v.StartPlacing(cmd::PlacedKind(cmd::PlaceText)); });
    Add(cmd::CancelPlacing, [&v] { v.CancelPlacing(false); });

    Add(cmd::Rotate, [this] { Step("Повернуть", [](model::Scheme& s) { s.RotateSelection(); }); });
    Add(cmd::MirrorX, [this] {
        Step("Отобразить слева направо", [](model::Scheme& s) { s.MirrorSelectionX(); });
    });
    Add(cmd::MirrorY,
        [this] { Step("Отобразить сверху вниз", [](model::Scheme& s) { s.MirrorSelectionY(); }); });
    Add(cmd::Delete, [this] { Step("Удалить", [](model::Scheme& s) { s.DeleteSelection(); }); });
    Add(cmd::SelectAll, [&v] {
        v.Scheme().SelectAll();
        v.RefreshCommands();
        v.Redraw();
    });
    Add(cmd::Cut, [this] { CopyOrCut(true); });
    Add(cmd::Copy, [this] { CopyOrCut(false); });
    Add(cmd::Paste, [this] { Paste(model::Scheme::kNoPastePoint); });
    Add(cmd::PasteHere, [this] { Paste(view_.MenuPoint()); });
    Add(cmd::ElementParameters, [this] {
        if (view_.Scheme().selection.size() == 1)
            EditElementParameters();
    });
    Add(cmd::ZoomIn, [&v] { v.Zoom(-10); });
    Add(cmd::ZoomOut, [&v] { v.Zoom(10); });
    Add(cmd::FitAll, [&v] { v.FitAll(); });
    Add(cmd::ExportScheme, [this] { ExportPicture(); });
    Add(cmd::SheetSize, [this] { EditSheetSize(); });
    Add(cmd::SchemeSettings, [this] { EditSchemeSettings(); });
    Add(cmd::ShowElementList, [&v] { ShowElementList(v.DialogParent()->window(), v.Scheme()); });
    Add(cmd::SaveElementList, [&v] {
        QString status;
        SaveElementList(v.DialogParent(), v.Documents().Doc(), status);
        if (!status.isEmpty())
            v.ShowStatus(status);
    });
    Add(cmd::New, [&v] { v.Documents().New(); });
    Add(cmd::Open, [&v] { v.Documents().Open(); });
    Add(cmd::Save, [&v] { v.Documents().Save(); });
    Add(cmd::SaveAs, [&v] { v.Documents().SaveAs(); });
    for (const int id : {cmd::Transient, cmd::Frequency})
        Add(id, [&v, id] {
            v.EndModes();
            v.Analyses().Run(id == cmd::Frequency);
        });
    Add(cmd::PoleZero, [&v] {
        v.EndModes();
        v.Analyses().PoleZero();
    });
    Add(cmd::AnalysisSettings, [&v] {
        v.EndModes();
        v.Analyses().EditOptions();
    });
    Add(cmd::Undo, [this] { UndoOrRedo(false); });
    Add(cmd::Redo, [this] { UndoOrRedo(true); });
    // A check command: the button's state is the flag asked for.
    actions_.SetHandler(cmd::NodeNumbers, [this](bool checked) { SetShowNodes(checked); });

    const auto any = [&v] { return !v.Scheme().selection.empty(); };
    actions_.SetEnabledRule(cmd::Rotate, [&v] { return v.Scheme().CanRotateSelection(); });
    actions_.SetEnabledRule(cmd::MirrorX, [&v] { return v.Scheme().CanMirrorSelectionX(); });
    actions_.SetEnabledRule(cmd::MirrorY, [&v] { return v.Scheme().CanMirrorSelectionY(); });
    actions_.SetEnabledRule(cmd::ElementParameters, [&v] {
        const model::Scheme& scheme = v.Scheme();
        if (scheme.selection.size() != 1)
            return false;
        const model::Element* e = scheme.selection.front();
        const model::Point at = v.MenuPoint();
        return e->editable && e->Contains(at.x, at.y);
    });
    for (const int id : {cmd::Cut, cmd::Copy, cmd::Delete})
        actions_.SetEnabledRule(id, any);
    for (const int id : {cmd::Paste, cmd::PasteHere})
        actions_.SetEnabledRule(id, [] { return ClipboardHasCircuit(); });
    actions_.SetEnabledRule(cmd::ZoomIn,
                            [&v] { return v.View().scale > SheetTransform::kLowerScale; });
    actions_.SetEnabledRule(cmd::ZoomOut, [&v] { return v.View().scale < v.UpperScale(); });
    actions_.SetEnabledRule(cmd::Undo, [&v] { return v.Session().History().CanUndo(); });
    actions_.SetEnabledRule(cmd::Redo, [&v] { return v.Session().History().CanRedo(); });
    for (const int id : {cmd::Transient, cmd::Frequency, cmd::AnalysisSettings})
        actions_.SetEnabledRule(id, [&v] { return !v.IsAnalysing(); });
    actions_.SetEnabledRule(cmd::PoleZero,
                            [&v] { return !v.IsAnalysing() && !v.Analyses().PoleZeroRunning(); });
    actions_.SetCheckedRule(cmd::NodeNumbers,
                            [&v] { return v.Documents().Doc().settings.scheme.showNodes != 0; });
}

void SheetCommands::SetShowNodes(bool on) {
    document::Document& doc = view_.Documents().Doc();
    const int32_t flag = on ? 1 : 0;
    if (doc.settings.scheme.showNodes == flag)
        return;
    document::Transaction step(view_.Session(), "Показать номера узлов");
    doc.settings.scheme.showNodes = flag;
    document::ApplyDisplayOptions(doc.settings.scheme, doc.scheme);
    doc.scheme.RebuildNodeTags();
    // The flag is stored with the document, so it is an edit like any other.
    view_.Committed(step);
}

void SheetCommands::OpenAt(model::Point p) {
    model::Scheme& scheme = view_.Scheme();
    if (scheme.ElementAt(p.x, p.y)) {
        scheme.ClearSelection();
        scheme.SelectAt(p.x, p.y, false);
        view_.SetMenuPoint(p);
        view_.RefreshCommands();
        view_.Redraw();
        EditElementParameters();
        return;
    }
    const bool onPin = std::any_of(scheme.elements.begin(), scheme.elements.end(),
                                   [&](const auto& e) { return e->PinAt(p.x, p.y) != 0; });
    if (!onPin)
        EditSchemeSettings();
}

void SheetCommands::EditElementParameters() {
    model::Scheme& scheme = view_.Scheme();
    if (scheme.selection.empty())
        return;
    document::Transaction step(view_.Session(), "Параметры");
    if (dialogs_->EditParameters(view_.DialogParent(), scheme) == 1) {
        scheme.RenumberNodes();
        step.Commit();
        view_.RefreshCommands();
    }
    // The dialog may have refreshed tags even when it was cancelled.
    view_.Redraw();
}

void SheetCommands::EditSchemeSettings() {
    document::Document& doc = view_.Documents().Doc();
    document::SchemeOptions options = doc.settings.scheme;
    if (!dialogs_->SchemeSettings(view_.DialogParent(), options))
        return;
    if (document::SameBytes(options, doc.settings.scheme))
        return;
    document::Transaction step(view_.Session(), "Установки схемы");
    doc.settings.scheme = options;
    document::ApplyDisplayOptions(options, doc.scheme);
    view_.SchemeOptionsChanged();
    view_.Committed(step);
}

void SheetCommands::EditSheetSize() {
    document::ViewState& view = view_.View();
    int width = view.sheetWidth;
    int height = view.sheetHeight;
    if (!dialogs_->SheetSize(view_.DialogParent(), width, height))
        return;
    document::Transaction step(view_.Session(), "Размеры листа");
    view_.Scheme().ClearSelection();
    const document::SheetSize size = document::FitSheetSize(view_.Scheme(), width, height);
    if (size.enlarged)
        Messages().Warn(view_.DialogParent(), Utf8(kSheetTooSmallMessage));
    view.sheetWidth = size.width;
    view.sheetHeight = size.height;
    view_.ClampView();
    view_.Committed(step);
}

void SheetCommands::CopyOrCut(bool cut) {
    model::Scheme& scheme = view_.Scheme();
    if (scheme.selection.empty())
        return;
    CopySelection(scheme, view_.Documents().Doc().settings.scheme, false,
                  view_.ToSheet(kPasteCorner));
    if (cut) {
        Step("Вырезать", [](model::Scheme& s) { s.DeleteSelection(); });
    } else {
        view_.ShowStatus(Utf8(kCopyDone));
        view_.RefreshCommands();
    }
}

void SheetCommands::Paste(model::Point at) {
    document::Transaction step(view_.Session(), "Вставить");
    const model::Rect area = PasteFromClipboard(view_.Scheme(), at.x, at.y,
                                                view_.ToSheet(kPasteCorner), view_.DialogParent())
                                 .Normalized();
    view_.SetMenuPoint(model::Scheme::kNoPastePoint);
    if (area.IsEmpty()) {
        view_.RefreshCommands();
        return;
    }
    view_.CentreOnUnlessVisible(area);
    view_.GrowSheet();
    view_.ClampView();
    view_.Committed(step);
}

void SheetCommands::UndoOrRedo(bool redo) {
    // A drag holds references into the objects that a restore replaces.
    if (view_.ToolMode() != SheetMode::Idle && view_.ToolMode() != SheetMode::Placing)
        return;
    document::EditSession& session = view_.Session();
    if (!(redo ? session.Redo() : session.Undo()))
        return;
    view_.RefreshCommands();
    view_.Redraw();
}

void SheetCommands::ExportPicture() {
    view_.EndModes();
    const document::Document& doc = view_.Documents().Doc();
    const SchemePicture picture = SchemePictureOf(doc.scheme, doc.settings.scheme);
    if (picture.size.isEmpty())
        return;
    const QString proposed =
        QFileInfo(QString::fromStdString(doc.Name())).completeBaseName() + QStringLiteral(".png");
    SaveGraphPicture(
        view_.DialogParent(), picture.size, picture.render,
        [this](const QString& text) { view_.ShowStatus(text); }, proposed);
}

} // namespace korvanix::gui
