#include "document/EditSession.h"

#include "model/Errors.h"

#include <cstring>
#include <utility>

namespace korvanix::document {

EditSession::EditSession() {
    Reset();
}

Snapshot EditSession::Take() const {
    return TakeSnapshot(doc_.scheme, doc_.settings.scheme, doc_.view);
}

void EditSession::Reset() {
    history_.Reset(Take());
    MarkSaved();
    UpdateModified();
}

void EditSession::ResetUnsaved() {
    history_.Reset(Take());
    MarkSaved();
    history_.MarkNoneSaved();
    UpdateModified();
}

void EditSession::MarkSaved() {
    history_.MarkSaved();
    viewMoved_ = false;
    savedSettings_ = doc_.settings;
}

void EditSession::MarkViewMoved() {
    viewMoved_ = true;
    UpdateModified();
}

bool EditSession::AnalysisSettingsDiffer() const {
    const DocumentSettings& now = doc_.settings;
    return std::memcmp(&now.transient, &savedSettings_.transient, sizeof now.transient) != 0 ||
           std::memcmp(&now.frequency, &savedSettings_.frequency, sizeof now.frequency) != 0 ||
           std::memcmp(&now.options, &savedSettings_.options, sizeof now.options) != 0;
}

bool EditSession::IsModified() const {
    return viewMoved_ || !history_.AtSavedState() || AnalysisSettingsDiffer();
}

bool EditSession::UpdateModified() {
    const bool modified = IsModified();
    doc_.SetModified(modified);
    return modified;
}

bool EditSession::RestoreCurrent() {
    const Snapshot* state = history_.Current();
    if (!state)
        return false;
    try {
        RestoreSnapshot(*state, doc_.scheme, doc_.settings.scheme, doc_.view);
    } catch (const model::FileError&) {
        return false;
    }
    if (restored_)
        restored_();
    UpdateModified();
    return true;
}

bool EditSession::Step(bool forward) {
    if (!(forward ? history_.Redo() : history_.Undo()))
        return false;
    if (RestoreCurrent())
        return true;
    // A history entry that does not read back: stay where we were.
    if (forward)
        history_.Undo();
    else
        history_.Redo();
    return false;
}

bool EditSession::Undo() {
    return Step(false);
}

bool EditSession::Redo() {
    return Step(true);
}

void EditSession::KeepLearntCheckDepth(int depth) {
    int32_t& stored = doc_.settings.options.checkDepth;
    if (stored == savedSettings_.options.checkDepth)
        savedSettings_.options.checkDepth = depth;
    stored = depth;
    UpdateModified();
}

Transaction::Transaction(EditSession& session, std::string name)
    : session_(session), name_(std::move(name)) {}

Transaction::~Transaction() {
    if (done_)
        return;
    // Whatever the step did before it was abandoned is undone; the history's
    // current state is the one the step began from. A destructor must not throw:
    // if even that fails, the document stays as the step left it.
    try {
        const Snapshot* begun = session_.history_.Current();
        if (begun && session_.Take() != *begun)
            session_.RestoreCurrent();
    } catch (...) {
    }
}

void Transaction::Rollback() {
    if (done_)
        return;
    done_ = true;
    session_.RestoreCurrent();
}

bool Transaction::Commit() {
    if (done_)
        return false;
    done_ = true;
    const bool changed = session_.history_.Commit(session_.Take());
    session_.UpdateModified();
    return changed;
}

} // namespace korvanix::document
