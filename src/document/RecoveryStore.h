#pragma once

#include "document/AtomicFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::document {

// One recovery copy found in the store.
struct RecoveryCopy {
    std::string file;         // the copy's own file
    std::string documentPath; // the document's full path; empty for an untitled one
    bool readable = false;    // false: damaged, nothing in it can be trusted
    // The document file is not newer than the copy, missing, or the document was
    // untitled: the copy holds work the file does not.
    bool newerThanDocument = false;
    std::int64_t writtenAt = 0; // the copy's modification time, nanoseconds since the epoch
};

// Copies of documents with unsaved changes, kept in a folder of the user's own
// (never beside the document, never over it) so that a crash or a power cut
// loses at most one autosave interval of work.
//
// Every copy names the document it belongs to by its full path. Its file name
// carries a hash of that path, so documents of the same name in different
// folders never share a file, and the writer's own tag, so a running program
// never overwrites a copy another run left behind and the user has not yet
// decided about.
//
// The file: the line "KORVANIX recovery 1", the path's length and the image's
// length as decimal lines, the path, the image, and a 64-bit FNV-1a hash of the
// image as 16 hex digits; anything else reads as damaged.
class RecoveryStore {
public:
    // `writerTag` tells this run's copies apart from those of earlier runs.
    RecoveryStore(std::string folder, std::string writerTag);

    const std::string& Folder() const { return folder_; }

    // The full path that keys a document's copy: absolute, with symbolic links
    // resolved where the file exists; empty for an untitled document.
    static std::string KeyOf(const std::string& documentPath, bool untitled);
    // The file this run writes for the key.
    std::string FileFor(const std::string& key) const;

    // Writes the copy for the key atomically, creating the folder (private to
    // the user) when needed.
    WriteOutcome Write(const std::string& key, const std::vector<uint8_t>& image) const;
    // Removes one copy file; harmless when it is gone.
    static void Remove(const std::string& file);

    // Every copy in the folder, the newest first.
    std::vector<RecoveryCopy> List() const;
    // Reads a copy; false when it is damaged (then nothing is set).
    static bool Read(const std::string& file, std::string& documentPath,
                     std::vector<uint8_t>& image);

    // The file's name ends so; nothing else in the folder is touched.
    static constexpr const char* kSuffix = ".korvanix-recovery";
    // Larger files are damaged: no document comes near this size.
    static constexpr std::uint64_t kMaxFileSize = 256u << 20;

private:
    std::string folder_;
    std::string tag_;
};

} // namespace korvanix::document
