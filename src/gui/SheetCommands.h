#pragma once

#include "document/SettingsRecords.h"
#include "gui/ToolContext.h"
#include "model/Scheme.h"

#include <QString>

#include <functional>

class QWidget;

namespace korvanix::gui {

class ActionRegistry;
class AnalysisRunner;
class DocumentController;

// The modal dialogs the sheet's commands open. Tests install their own to
// answer them.
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

// What the commands see of the sheet beyond what its mouse tools see.
class SheetCommandContext : public ToolContext {
public:
    virtual QWidget* DialogParent() = 0;
    virtual SchemeWndDialogs& Dialogs() = 0;
    virtual DocumentController& Documents() = 0;
    virtual AnalysisRunner& Analyses() = 0;
    virtual bool IsAnalysing() const = 0;
    virtual SheetMode ToolMode() const = 0;
    // Where the context menu was opened (kNoPastePoint when none is).
    virtual model::Point MenuPoint() const = 0;
    virtual void SetMenuPoint(model::Point at) = 0;
    virtual void StartPlacing(int kind) = 0;
    // Placing cancelled, a drag ended where it is.
    virtual void EndModes() = 0;
    virtual void Zoom(int delta) = 0;
    virtual void FitAll() = 0;
    // The highest scale the view allows now (the lowest is fixed).
    virtual int UpperScale() const = 0;
    // The view brought within the sheet (after the sheet's size changed).
    virtual void ClampView() = 0;
    // Centres the view on `area` unless all of it shows; true when it moved.
    virtual bool CentreOnUnlessVisible(const model::Rect& area) = 0;
    // The scheme settings changed: fonts, tags and node tags follow.
    virtual void SchemeOptionsChanged() = 0;
    virtual void ShowStatus(const QString& text) = 0;
};

// The commands of the sheet (editing, clipboard, view, document, analyses):
// their handlers and the rules that enable them, registered with the actions.
class SheetCommands {
public:
    SheetCommands(SheetCommandContext& view, ActionRegistry& actions);

    // Null restores the real dialogs.
    void SetDialogs(SchemeWndDialogs* dialogs);
    SchemeWndDialogs& Dialogs() { return *dialogs_; }

    // A double click at `at`: the parameters of the element there, or the
    // scheme settings on an empty spot (nothing on a pin).
    void OpenAt(model::Point at);
    void EditElementParameters();
    void EditSchemeSettings();
    void SetShowNodes(bool on);

private:
    void Register();
    // The handler runs unless an analysis runs: then the analysis is asked to
    // stop and the command runs after its end. Out of memory is said in a box.
    void Add(int id, std::function<void()> handler);
    void Step(const char* name, const std::function<void(model::Scheme&)>& edit);
    void EditSheetSize();
    void CopyOrCut(bool cut);
    void Paste(model::Point at);
    void UndoOrRedo(bool redo);
    void ExportPicture();

    SheetCommandContext& view_;
    ActionRegistry& actions_;
    SchemeWndDialogs* dialogs_;
};

} // namespace korvanix::gui
