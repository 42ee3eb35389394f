#pragma once

#include "document/Document.h"

#include <QAbstractScrollArea>
#include <QString>

namespace korvanix::gui {

// The drawing sheet of the circuit: view, mouse modes, editing commands, the
// document commands and the edit history. It owns the open document.
class CSchemeWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CSchemeWnd(QWidget* parent = nullptr);
    ~CSchemeWnd() override;

    document::Document& Doc() { return doc_; }
    const document::Document& Doc() const { return doc_; }

    // Runs a command of the menus, toolbars, palettes or context menus; false when
    // the id is not one of the sheet's.
    bool OnCommand(int id);
    // Whether a command is currently enabled (as last announced by commandEnabled).
    bool IsCommandEnabled(int id) const;
    // The save prompt before the program closes; false when the user cancelled.
    bool CloseDocument();
    // Announces the state of every command (commandEnabled / commandChecked).
    void RefreshCommandStates();
    // The main window lost activation: placing is cancelled, a drag ends as if the
    // button had been released.
    void EndModes();
    // Shows or hides the node numbers (the display flag of the document).
    void SetShowNodes(bool on);
    bool IsPlacing() const;

signals:
    void commandEnabled(int id, bool enabled);
    void commandChecked(int id, bool checked);
    // Text for the second part of the status bar.
    void statusMessage(const QString& text);
    // The description of the object under the mouse, for the first part.
    void hoverCaption(const QString& text);
    // Placing ended by a right click: palette and text buttons go up.
    void placingCancelled();
    // New or Open replaced the document: palettes close, the title changes.
    void documentReplaced();
    // The document's name changed (New, Open, Save as).
    void documentNameChanged(const QString& name);

private:
    document::Document doc_;
};

} // namespace korvanix::gui
