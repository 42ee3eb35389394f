#include "document/AtomicFile.h"

#include "document/ScmFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace korvanix::document {

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that really gets replaced: through a symbolic link, its target.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string resolved = real;
    std::free(real);
    return resolved;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    Abandon();
}

WriteOutcome AtomicFile::Open() {
    Abandon();
    failed_ = false;
    target_ = ResolveTarget(path_);
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return WriteOutcome::CannotOpen;

    // Beside the target, so that the final rename stays within one file system and
    // is atomic.
    std::string base = FileNameOf(target_);
    if (base.size() > NAME_MAX - 16)
        base.resize(NAME_MAX - 16);
    std::string pattern = FolderOf(target_) + "/." + base + ".XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        return WriteOutcome::CannotOpen;
    temporary_ = pattern;
    // The desktop program may start other programs while an export runs.
    (void)::fcntl(fd_, F_SETFD, FD_CLOEXEC);

    if (exists) {
        (void)!::fchown(fd_, st.st_uid, st.st_gid);
        (void)::fchmod(fd_, st.st_mode & 07777);
    } else {
        (void)::fchmod(fd_, NewFileMode());
    }
    return WriteOutcome::Written;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
    if (fd_ < 0 || failed_ || !WriteAll(fd_, static_cast<const char*>(data), size))
        failed_ = true;
    return !failed_;
}

WriteOutcome AtomicFile::Commit() {
    if (fd_ < 0 || failed_ || ::fsync(fd_) != 0) {
        Abandon();
        return WriteOutcome::WriteFailed;
    }
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Abandon();
        return WriteOutcome::WriteFailed;
    }
    temporary_.clear();

    // Makes the rename itself durable; the data is safe either way.
    const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return WriteOutcome::Written;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temporary_.empty())
        ::unlink(std::exchange(temporary_, std::string()).c_str());
}

WriteOutcome WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    AtomicFile file(path);
    const WriteOutcome opened = file.Open();
    if (opened != WriteOutcome::Written)
        return opened;
    file.Write(bytes.data(), bytes.size());
    return file.Commit();
}

} // namespace korvanix::document
