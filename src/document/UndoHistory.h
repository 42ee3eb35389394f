#pragma once

#include "document/ScmFile.h"
#include "document/SettingsRecords.h"
#include "model/Scheme.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace korvanix::document {

// What one step of the edit history restores: the element and wire records in the
// layout of the document's circuit section, the scheme display settings and the
// sheet size (growth of the sheet belongs to the edit that caused it).
using Snapshot = std::vector<uint8_t>;

Snapshot TakeSnapshot(const model::Scheme& scheme, const SchemeOptions& options,
                      const ViewState& view);
// The scheme's display flags as the display settings have them: the one place
// the two are brought together.
void ApplyDisplayOptions(const SchemeOptions& options, model::Scheme& scheme);

// Replaces the circuit, the display settings and the sheet size by a snapshot's.
// Everything is read before anything changes, so a damaged snapshot (FileError)
// leaves the sheet as it was.
void RestoreSnapshot(const Snapshot& snapshot, model::Scheme& scheme, SchemeOptions& options,
                     ViewState& view);

// The states of the document one after another; the current one is always stored,
// so an edit is recorded by committing the state it produced. Undo and redo move
// along the list; a new state after undo drops the states ahead of it.
class UndoHistory {
public:
    explicit UndoHistory(std::size_t depth = 100);

    // A new or freshly opened document: its state is the only one and the saved one.
    void Reset(Snapshot current);
    // Records the state after an edit; false when it equals the current one.
    bool Commit(Snapshot current);

    // The state the document is in; null only before the first Reset.
    const Snapshot* Current() const { return states_.empty() ? nullptr : &states_[index_]; }
    bool CanUndo() const { return index_ > 0; }
    bool CanRedo() const { return index_ + 1 < states_.size(); }
    // The state to restore, or null when there is nothing to go back or forward to.
    const Snapshot* Undo();
    const Snapshot* Redo();

    // The current state is what the file now holds.
    void MarkSaved() { saved_ = static_cast<std::ptrdiff_t>(index_); }
    // No state in the list is what the file holds (a recovered copy).
    void MarkNoneSaved() { saved_ = -1; }
    bool AtSavedState() const { return saved_ == static_cast<std::ptrdiff_t>(index_); }
    // How many steps undo can go back at most.
    std::size_t Depth() const { return depth_; }
    std::size_t UndoSteps() const { return index_; }

private:
    std::deque<Snapshot> states_;
    std::size_t index_ = 0;
    std::ptrdiff_t saved_ = 0; // -1 once the saved state has left the list
    std::size_t depth_;
};

} // namespace korvanix::document
