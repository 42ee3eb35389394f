#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::document {

enum class WriteOutcome { Written, CannotOpen, WriteFailed };

// A file written piece by piece that replaces its target only when complete: the
// pieces go to a temporary file beside the target (a symbolic link's target is
// replaced, not the link), which Commit flushes to the disk and renames over the
// target. Until then, and whenever anything fails, the target stays exactly as it
// was, and no temporary file outlives the writer. The replacement keeps the old
// file's permissions and, where allowed, its owner.
class AtomicFile {
public:
    // Nothing is created before Open.
    explicit AtomicFile(std::string path);
    // An uncommitted temporary file is removed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file: Written on success, CannotOpen when the target is
    // not a regular file or the folder does not take a new file. Opening again
    // starts over.
    WriteOutcome Open();
    // False on a write error, and from then on: the writer stays failed.
    bool Write(const void* data, std::size_t size);
    // Flushes, closes and renames over the target: Written, or WriteFailed when the
    // writer is not open, a write failed or the file could not be flushed or
    // renamed (the temporary file is then removed).
    WriteOutcome Commit();
    // Removes the temporary file; the target stays as it was. Harmless when there
    // is none.
    void Abandon();

private:
    std::string path_;
    std::string target_;
    std::string temporary_; // empty while there is none
    int fd_ = -1;
    bool failed_ = false;
};

// The whole image through an AtomicFile.
WriteOutcome WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace korvanix::document
