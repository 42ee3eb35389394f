#include "document/Document.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanix::document {

namespace {

constexpr const char* kCannotChangeAttributes = "Не удается изменить атрибуты файла.";
constexpr const char* kSavePrompt = "Сохранить изменения в %s ?";

std::string FormatSavePrompt(const std::string& name) {
    std::string text = kSavePrompt;
    text.replace(text.find("%s"), 2, name);
    return text;
}

// Closes a descriptor once, whichever way the function leaves.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    bool Close() {
        if (fd_ < 0)
            return true;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
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

// The file that a save really replaces: through a symbolic link, its target.
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

Document::Document() {
    New();
}

void Document::New() {
    scheme.Clear();
    view = ViewState{};
    settings.Reset();
    name_ = kUntitled;
    path_ = kUntitled;
    ApplyDisplayOptions();
    SetModified(false);
}

void Document::SetModified(bool on) {
    modified = on;
    if (!on)
        scheme.modified = false;
}

void Document::ApplyDisplayOptions() {
    scheme.showNames = settings.scheme.showNames != 0;
    scheme.showValues = settings.scheme.showValues != 0;
    scheme.showNodes = settings.scheme.showNodes != 0;
}

void Document::Adopt(ScmContent content, const std::string& path) {
    view = content.view;
    settings = content.settings;
    ApplyDisplayOptions();
    scheme.Clear();
    scheme.AdoptLoaded(std::move(content.elements), std::move(content.wires));
    name_ = FileNameOf(path);
    path_ = path;
    SetModified(false);
}

OpenResult Document::Open(const std::string& path) {
    OpenResult result;
    const std::string name = FileNameOf(path);
    auto fail = [&](std::string message) {
        New();
        result.reset = true;
        result.message = std::move(message);
        return result;
    };
    try {
        std::vector<uint8_t> bytes;
        switch (ReadWholeFile(path, bytes)) {
        case ReadOutcome::CannotOpen:
            result.message = CannotOpenForReadingMessage(name);
            return result;
        case ReadOutcome::ReadFailed:
            return fail(ReadErrorMessage(name));
        case ReadOutcome::Read:
            break;
        }
        ScmContent content = ReadScmFile(bytes, name);
        const bool unknownLanguage = content.unknownLanguage;
        Adopt(std::move(content), path);
        result.read = true;
        if (unknownLanguage)
            result.message = UnknownLanguageMessage();
        return result;
    } catch (const model::FileError& e) {
        return fail(FileErrorMessage(e));
    } catch (const std::bad_alloc&) {
        return fail(OutOfMemoryMessage());
    } catch (const std::exception&) {
        // The model refused what the file holds: as unusable as a damaged file.
        return fail(FileErrorMessage(model::FileError::Corrupt, name));
    }
}

std::vector<uint8_t> Document::Serialize() const {
    return WriteScmFile(view, settings, model::Pointers(scheme.elements),
                        model::Pointers(scheme.wires));
}

SaveResult Document::Write(const std::string& path, DocumentPrompts& prompts) {
    SaveResult result;
    if (!PassReadOnlyGuard(path, prompts)) {
        result.cancelled = true;
        return result;
    }
    const std::string name = FileNameOf(path);
    std::vector<uint8_t> bytes;
    try {
        bytes = Serialize();
    } catch (const std::bad_alloc&) {
        result.message = OutOfMemoryMessage();
        return result;
    }
    switch (WriteFileAtomically(path, bytes)) {
    case WriteOutcome::CannotOpen:
        result.message = CannotOpenForWritingMessage(name);
        return result;
    case WriteOutcome::WriteFailed:
        result.message = WriteErrorMessage(name);
        return result;
    case WriteOutcome::Written:
        break;
    }
    SetModified(false);
    result.saved = true;
    return result;
}

SaveResult Document::Save(DocumentPrompts& prompts) {
    if (IsUntitled()) {
        std::string chosen;
        if (!prompts.ChooseSavePath(path_, chosen)) {
            SaveResult cancelled;
            cancelled.cancelled = true;
            return cancelled;
        }
        return SaveAs(chosen, prompts);
    }
    SaveResult result = Write(path_, prompts);
    if (result.saved)
        result.status = kSavedStatus;
    return result;
}

SaveResult Document::SaveAs(const std::string& path, DocumentPrompts& prompts) {
    SaveResult result = Write(path, prompts);
    if (result.saved) {
        name_ = FileNameOf(path);
        path_ = path;
        result.status = kSavedAsStatus;
    }
    return result;
}

PromptResult Document::PromptToSave(DocumentPrompts& prompts) {
    PromptResult result;
    if (!IsModified())
        return result;
    switch (prompts.Ask(FormatSavePrompt(name_), true)) {
    case Answer::Yes:
        result.save = Save(prompts);
        result.proceed = result.save.saved;
        break;
    case Answer::No:
        break;
    case Answer::Cancel:
        result.proceed = false;
        break;
    }
    return result;
}

std::string ReadOnlyQuestion(const std::string& path) {
    return "Файл\n\n" + path + "\n\nпомечен 'Только для чтения'. Перезаписать его ?";
}

bool PassReadOnlyGuard(const std::string& path, DocumentPrompts& prompts) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) != 0)
        return true;
    if (prompts.Ask(ReadOnlyQuestion(path), false) != Answer::Yes)
        return false;
    if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) {
        prompts.Warn(kCannotChangeAttributes);
        return false;
    }
    return true;
}

WriteOutcome WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string target = ResolveTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return WriteOutcome::CannotOpen;

    // The temporary file lives beside the target so that the final rename stays
    // within one file system and is atomic.
    std::string base = FileNameOf(target);
    if (base.size() > NAME_MAX - 16)
        base.resize(NAME_MAX - 16);
    std::string pattern = FolderOf(target) + "/." + base + ".XXXXXX";
    FileDescriptor fd(::mkstemp(pattern.data()));
    if (fd.Get() < 0)
        return WriteOutcome::CannotOpen;
    const std::string temporary = pattern;
    auto fail = [&] {
        fd.Close();
        ::unlink(temporary.c_str());
        return WriteOutcome::WriteFailed;
    };

    // The replacement keeps the old file's permissions and, where allowed, owner.
    if (exists) {
        (void)!::fchown(fd.Get(), st.st_uid, st.st_gid);
        (void)::fchmod(fd.Get(), st.st_mode & 07777);
    } else {
        (void)::fchmod(fd.Get(), NewFileMode());
    }
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size()) || ::fsync(fd.Get()) != 0 || !fd.Close())
        return fail();
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail();

    // Makes the rename itself durable; the data is safe either way.
    FileDescriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0)
        (void)::fsync(folder.Get());
    return WriteOutcome::Written;
}

ReadOutcome ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        return ReadOutcome::CannotOpen;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return ReadOutcome::CannotOpen;
    bytes.clear();
    if (st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadOutcome::ReadFailed;
        }
        if (n == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return ReadOutcome::Read;
}

} // namespace korvanix::document
