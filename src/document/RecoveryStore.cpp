#include "document/RecoveryStore.h"

#include "document/Document.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanix::document {

namespace {

constexpr const char* kMagic = "KORVANIX recovery 1\n";

std::uint64_t Fnv1a(const uint8_t* data, std::size_t size) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string Hex16(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::int64_t ModifiedAt(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Creates the folder and its parents; the last one only the user may enter,
// since the copies hold the user's circuits.
bool MakeFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return false;
    (void)::chmod(folder.c_str(), 0700);
    return true;
}

// A decimal line of at most 20 digits at `at`; false on anything else.
bool ReadNumberLine(const std::vector<uint8_t>& bytes, std::size_t& at, std::uint64_t& value) {
    value = 0;
    std::size_t digits = 0;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') {
        if (++digits > 19)
            return false;
        value = value * 10 + (bytes[at] - '0');
        ++at;
    }
    if (digits == 0 || at >= bytes.size() || bytes[at] != '\n')
        return false;
    ++at;
    return true;
}

} // namespace

RecoveryStore::RecoveryStore(std::string folder, std::string writerTag)
    : folder_(std::move(folder)), tag_(std::move(writerTag)) {}

std::string RecoveryStore::KeyOf(const std::string& documentPath, bool untitled) {
    if (untitled || documentPath.empty())
        return std::string();
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(documentPath, error);
    if (error)
        return documentPath;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(full, error);
    return (error ? full.lexically_normal() : resolved).string();
}

std::string RecoveryStore::FileFor(const std::string& key) const {
    const auto* data = reinterpret_cast<const uint8_t*>(key.data());
    return folder_ + "/" + Hex16(Fnv1a(data, key.size())) + "-" + tag_ + kSuffix;
}

WriteOutcome RecoveryStore::Write(const std::string& key, const std::vector<uint8_t>& image) const {
    if (!MakeFolder(folder_))
        return WriteOutcome::CannotOpen;
    std::string head = kMagic;
    head += std::to_string(key.size()) + "\n" + std::to_string(image.size()) + "\n" + key;
    const std::string tail = Hex16(Fnv1a(image.data(), image.size()));

    AtomicFile file(FileFor(key));
    const WriteOutcome opened = file.Open();
    if (opened != WriteOutcome::Written)
        return opened;
    file.Write(head.data(), head.size());
    file.Write(image.data(), image.size());
    file.Write(tail.data(), tail.size());
    return file.Commit();
}

void RecoveryStore::Remove(const std::string& file) {
    if (!file.empty())
        ::unlink(file.c_str());
}

bool RecoveryStore::Read(const std::string& file, std::string& documentPath,
                         std::vector<uint8_t>& image) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > kMaxFileSize)
        return false;
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(file, bytes) != ReadOutcome::Read)
        return false;

    const std::string magic = kMagic;
    if (bytes.size() < magic.size() || !std::equal(magic.begin(), magic.end(), bytes.begin()))
        return false;
    std::size_t at = magic.size();
    std::uint64_t pathSize = 0;
    std::uint64_t imageSize = 0;
    if (!ReadNumberLine(bytes, at, pathSize) || !ReadNumberLine(bytes, at, imageSize))
        return false;
    // Exactly the parts the lengths promise, and the hash after them.
    const std::uint64_t rest = bytes.size() - at;
    if (pathSize > rest || imageSize > rest - pathSize || rest - pathSize - imageSize != 16)
        return false;
    const uint8_t* path = bytes.data() + at;
    const uint8_t* data = path + pathSize;
    const std::string hash(reinterpret_cast<const char*>(data + imageSize), 16);
    if (hash != Hex16(Fnv1a(data, imageSize)))
        return false;
    documentPath.assign(reinterpret_cast<const char*>(path), pathSize);
    image.assign(data, data + imageSize);
    return true;
}

std::vector<RecoveryCopy> RecoveryStore::List() const {
    std::vector<RecoveryCopy> copies;
    DIR* folder = ::opendir(folder_.c_str());
    if (!folder)
        return copies;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.front() == '.' || !EndsWith(name, kSuffix))
            continue;
        RecoveryCopy copy;
        copy.file = folder_ + "/" + name;
        struct stat st {};
        if (::lstat(copy.file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        copy.writtenAt = ModifiedAt(st);
        std::vector<uint8_t> image;
        copy.readable = Read(copy.file, copy.documentPath, image);
        if (copy.readable) {
            // A copy written in the same clock tick as its document is offered: the
            // file system cannot tell which came first, and offering loses nothing.
            struct stat doc {};
            copy.newerThanDocument = copy.documentPath.empty() ||
                                     ::stat(copy.documentPath.c_str(), &doc) != 0 ||
                                     ModifiedAt(doc) <= copy.writtenAt;
        }
        copies.push_back(std::move(copy));
    }
    ::closedir(folder);
    std::sort(copies.begin(), copies.end(), [](const RecoveryCopy& a, const RecoveryCopy& b) {
        return a.writtenAt != b.writtenAt ? a.writtenAt > b.writtenAt : a.file < b.file;
    });
    return copies;
}

} // namespace korvanix::document
