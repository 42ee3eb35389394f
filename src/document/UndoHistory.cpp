#include "document/UndoHistory.h"

#include "model/Archive.h"
#include "model/CircuitArchive.h"

#include <utility>

namespace korvanix::document {

void ApplyDisplayOptions(const SchemeOptions& options, model::Scheme& scheme) {
    scheme.showNames = options.showNames != 0;
    scheme.showValues = options.showValues != 0;
    scheme.showNodes = options.showNodes != 0;
}

Snapshot TakeSnapshot(const model::Scheme& scheme, const SchemeOptions& options,
                      const ViewState& view) {
    model::ArchiveWriter ar;
    model::WriteObjects(ar, model::Pointers(scheme.elements), model::Pointers(scheme.wires));
    ar.WriteBytes(document::RecordBytes(options), sizeof options);
    ar.WriteInt32(view.sheetWidth);
    ar.WriteInt32(view.sheetHeight);
    return ar.TakeBytes();
}

void RestoreSnapshot(const Snapshot& snapshot, model::Scheme& scheme, SchemeOptions& options,
                     ViewState& view) {
    model::ArchiveReader ar(snapshot);
    model::ElementList elements;
    model::WireList wires;
    model::ReadObjects(ar, elements, wires);
    SchemeOptions restored;
    uint8_t raw[sizeof restored];
    ar.ReadBytes(raw, sizeof raw);
    document::LoadRecordBytes(restored, raw, sizeof raw);
    const int32_t width = ar.ReadInt32();
    const int32_t height = ar.ReadInt32();

    options = restored;
    view.sheetWidth = width;
    view.sheetHeight = height;
    // The display flags decide which tags the adopted objects get.
    ApplyDisplayOptions(options, scheme);
    scheme.Clear();
    scheme.AdoptLoaded(std::move(elements), std::move(wires));
}

UndoHistory::UndoHistory(std::size_t depth) : depth_(depth == 0 ? 1 : depth) {
    states_.emplace_back();
}

void UndoHistory::Reset(Snapshot current) {
    states_.clear();
    states_.push_back(std::move(current));
    index_ = 0;
    saved_ = 0;
}

bool UndoHistory::Commit(Snapshot current) {
    if (states_[index_] == current)
        return false;
    states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(index_) + 1, states_.end());
    if (saved_ > static_cast<std::ptrdiff_t>(index_))
        saved_ = -1;
    states_.push_back(std::move(current));
    ++index_;
    while (states_.size() > depth_ + 1) {
        states_.pop_front();
        --index_;
        if (saved_ >= 0)
            --saved_;
    }
    return true;
}

const Snapshot* UndoHistory::Undo() {
    if (!CanUndo())
        return nullptr;
    return &states_[--index_];
}

const Snapshot* UndoHistory::Redo() {
    if (!CanRedo())
        return nullptr;
    return &states_[++index_];
}

} // namespace korvanix::document
