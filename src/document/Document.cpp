#include "document/Document.h"

#include "document/UndoHistory.h"

#include <cerrno>
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
    document::ApplyDisplayOptions(settings.scheme, scheme);
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
    std::vector<uint8_t> bytes;
    ReadOutcome outcome = ReadOutcome::ReadFailed;
    try {
        outcome = ReadWholeFile(path, bytes);
    } catch (const std::bad_alloc&) {
        OpenResult result;
        result.message = OutOfMemoryMessage();
        return result;
    }
    if (outcome == ReadOutcome::CannotOpen) {
        OpenResult result;
        result.message = CannotOpenForReadingMessage(FileNameOf(path));
        return result;
    }
    return Load(outcome == ReadOutcome::Read ? &bytes : nullptr, path);
}

OpenResult Document::Recover(const std::vector<uint8_t>& image, const std::string& path) {
    OpenResult result = Load(&image, path.empty() ? std::string(kUntitled) : path);
    if (result.read)
        SetModified(true);
    return result;
}

OpenResult Document::Load(const std::vector<uint8_t>* bytes, const std::string& path) {
    OpenResult result;
    const std::string name = FileNameOf(path);
    if (!bytes) {
        result.message = ReadErrorMessage(name);
        return result;
    }
    // The whole file is read into objects of its own before anything here
    // changes: a file that fails anywhere leaves the open document as it was.
    ScmContent content;
    try {
        content = ReadScmFile(*bytes, name);
    } catch (const model::FileError& e) {
        result.message = FileErrorMessage(e);
        return result;
    } catch (const std::bad_alloc&) {
        result.message = OutOfMemoryMessage();
        return result;
    } catch (const std::exception&) {
        // The model refused what the file holds: as unusable as a damaged file.
        result.message = FileErrorMessage(model::FileError::Corrupt, name);
        return result;
    }
    const bool unknownLanguage = content.unknownLanguage;
    try {
        Adopt(std::move(content), path);
    } catch (const std::exception& e) {
        // Past this point the old circuit is gone: no half of the new one stays.
        New();
        result.reset = true;
        result.message = dynamic_cast<const std::bad_alloc*>(&e)
                             ? OutOfMemoryMessage()
                             : FileErrorMessage(model::FileError::Corrupt, name);
        return result;
    }
    result.read = true;
    if (unknownLanguage)
        result.message = UnknownLanguageMessage();
    return result;
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
