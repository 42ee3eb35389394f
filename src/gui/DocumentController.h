#pragma once

#include "document/EditSession.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace korvanix::gui {

class Autosave;

// The open document's life, without a widget: New, Open, Save, Save As, the
// one save prompt, recovery copies and the documents that arrive from outside
// (a second start, a drop, the recent list). It owns the edit session; the
// windows listen to its signals and never replace the document themselves.
//
// A document that arrives while the user is in the middle of something (a
// dialog or message box, a gesture on the sheet, an analysis or an export)
// waits in a queue and is asked about once that has ended: replacing the
// document under an open dialog would hand the dialog's answer to another
// circuit.
class DocumentController : public QObject {
    Q_OBJECT
public:
    // While one of these lives the controller delivers no incoming document.
    // Dialogs, analyses and exports hold one for as long as they run.
    class Moment {
    public:
        Moment();
        ~Moment();
        Moment(const Moment&) = delete;
        Moment& operator=(const Moment&) = delete;
    };
    // Whether a modal moment is in progress anywhere in the program.
    static bool InModalMoment();

    explicit DocumentController(QObject* parent = nullptr);
    ~DocumentController() override;

    document::EditSession& Session() { return session_; }
    document::Document& Doc() { return session_.Doc(); }
    const document::Document& Doc() const { return session_.Doc(); }
    Autosave& Recovery() { return *autosave_; }

    // The window that message boxes and file dialogs belong to.
    void SetDialogParent(QWidget* parent) { dialogParent_ = parent; }
    QWidget* DialogParent() const { return dialogParent_; }
    // What the sheet is in the middle of. A drag holds a transaction: nothing
    // replaces the document then. Placing is ended by a replacement, but the
    // element it carries must not go into a recovery copy.
    enum class Gesture { None, Placing, Dragging };
    void SetGestureProbe(std::function<Gesture()> probe) { gestureProbe_ = std::move(probe); }
    Gesture CurrentGesture() const { return gestureProbe_ ? gestureProbe_() : Gesture::None; }

    // The commands. Each ends the sheet's gesture first (aboutToChange).
    void New();
    void Open();
    bool Save();
    bool SaveAs();
    // The save prompt before the program closes; false when the user cancelled.
    bool PromptBeforeClose();
    // Opens a document file at once; with `prompt` the save prompt comes first.
    // A file that cannot be read gives its message and keeps the open document.
    void OpenPath(const QString& path, bool prompt);
    // Opens a recovery copy, after the save prompt, as the document it was
    // taken from, modified; false when it was not opened.
    bool RestoreRecovered(const std::string& file);

    // A document from outside: queued, and opened after the save prompt once
    // nothing is in progress.
    void Receive(const QString& path);
    int PendingCount() const { return static_cast<int>(incoming_.size()); }

    // An analysis dialog stored its record: the modified flag follows.
    void SettingsEdited();

signals:
    // Before the document is saved or replaced: the sheet ends its gesture.
    void aboutToChange();
    // New, Open or a restored copy replaced the document: the sheet rebuilds
    // what it shows and resets the history.
    void documentReplaced();
    // The modified state changed outside an edit: the commands follow.
    void stateChanged();
    // The document's name changed (New, Open, Save As).
    void nameChanged(const QString& name);
    // A document file was opened or saved (its full path).
    void fileUsed(const QString& path);
    // A text for the status bar.
    void statusMessage(const QString& text);
    // The history put a state back into the document (undo, redo, rollback).
    void historyRestored();
    // An incoming document is about to be asked about: the frame comes forward.
    void incomingDelivered(const QString& path);

private:
    bool PromptToSaveFirst();
    bool SaveDocument(bool saveAs);
    void Replaced();
    void DeliverIncoming();
    bool CanDeliver() const;

    document::EditSession session_;
    Autosave* autosave_ = nullptr;
    QPointer<QWidget> dialogParent_;
    std::function<Gesture()> gestureProbe_;
    std::deque<QString> incoming_;
    // Tries again while something is in progress.
    QTimer retry_;
};

} // namespace korvanix::gui
