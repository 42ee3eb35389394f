#pragma once

#include "document/Document.h"
#include "document/SettingsRecords.h"
#include "document/UndoHistory.h"

#include <functional>
#include <string>

namespace korvanix::document {

// The open document together with its edit history and the one answer to
// "does the file hold what the user sees?". The window turns input into model
// calls inside a Transaction and asks the session for the modified state; it
// never records history or computes the flag itself.
//
// The document counts as modified while the history stands away from its saved
// state, while the view moved since the last save (the view is stored with the
// document), or while an analysis record differs from the bytes last saved (the
// dialogs change those records outside the history).
class EditSession {
public:
    EditSession();
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    Document& Doc() { return doc_; }
    const Document& Doc() const { return doc_; }
    const UndoHistory& History() const { return history_; }

    // A new, opened or otherwise replaced document: its state is the only one in
    // the history, and the saved one.
    void Reset();
    // A document recovered from a copy: as Reset, but modified until it is saved,
    // since its file does not hold it.
    void ResetUnsaved();
    // The file now holds what the document holds.
    void MarkSaved();
    // The view (centre or scale) moved.
    void MarkViewMoved();
    // Recomputes the modified state and gives it to the document.
    bool UpdateModified();
    bool IsModified() const;

    // Goes one step back or forward in the history and restores that state into
    // the document; false when there is nowhere to go or the step does not read
    // back (then nothing changed).
    bool Undo();
    bool Redo();

    // The check depth a transient analysis learnt. It is the analysis's own
    // bookkeeping, not an edit: kept without making the document modified when
    // the stored depth was the saved one.
    void KeepLearntCheckDepth(int depth);

    // Called after the history put a state back into the document (undo, redo,
    // a rolled-back transaction): the window rebuilds fonts, tags and view.
    void SetRestoredHandler(std::function<void()> handler) { restored_ = std::move(handler); }

private:
    friend class Transaction;

    Snapshot Take() const;
    // The history's current state into the document; false when it does not read.
    bool RestoreCurrent();
    bool Step(bool forward);
    bool AnalysisSettingsDiffer() const;

    Document doc_;
    UndoHistory history_;
    bool viewMoved_ = false;
    // The analysis records as last saved or opened.
    DocumentSettings savedSettings_;
    std::function<void()> restored_;
};

// One named step of editing. Begun by its constructor; Commit records the
// document's state as one step of the history (nothing when the state did not
// change) and may be called once. A transaction left without Commit, by an
// exception or an early return, puts the document back as it was when the
// transaction began.
class Transaction {
public:
    Transaction(EditSession& session, std::string name);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // True when the step changed the document.
    bool Commit();
    // Puts the document back as the step found it now, even when nothing the
    // history records changed (a drag hides the dragged objects, say).
    void Rollback();
    const std::string& Name() const { return name_; }

private:
    EditSession& session_;
    std::string name_;
    bool done_ = false;
};

} // namespace korvanix::document
