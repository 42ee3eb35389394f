#pragma once

#include "document/AtomicFile.h"
#include "document/ScmFile.h"
#include "document/SettingsRecords.h"
#include "model/Scheme.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::document {

enum class Answer { Yes, No, Cancel };

// The questions and warnings a document raises while saving. The window layer
// answers with message boxes (application title as caption), the batch tool and
// the tests with scripted answers.
class DocumentPrompts {
public:
    virtual ~DocumentPrompts() = default;
    // A question with the buttons Yes and No, or Yes, No and Cancel.
    virtual Answer Ask(const std::string& question, bool withCancel) = 0;
    virtual void Warn(const std::string& message) = 0;
    // The save dialog, opened on `currentPath`; false when the user cancels it.
    virtual bool ChooseSavePath(const std::string& currentPath, std::string& chosenPath) = 0;
};

struct OpenResult {
    bool read = false;   // the file is now the document
    bool reset = false;  // the document was reset to a new untitled one (out of memory)
    std::string message; // to show in a warning box; empty when there is none
};

struct SaveResult {
    bool saved = false;
    bool cancelled = false; // the user declined; nothing was written
    std::string message;    // the failure to show; empty when there is none
    std::string status;     // the status bar text after a successful save
};

struct PromptResult {
    bool proceed = true; // the caller may go on with New or Open
    SaveResult save;     // what the Yes answer's save did
};

// The open document: the sheet model, the view and the settings records, with the
// name and path it is bound to. Opening parses the whole file into fresh objects
// before anything here changes; saving writes a complete temporary file beside
// the target and renames it over, so a failed save keeps the previous file.
class Document {
public:
    static constexpr const char* kUntitled = "Untitled.scm";
    static constexpr const char* kSavedStatus = "Схема сохранена.";
    static constexpr const char* kSavedAsStatus = "Сохранение завершено.";

    Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // A new untitled document: empty sheet, default view and settings.
    void New();
    // A file that cannot be opened or read whole, or is damaged, changes
    // nothing here and the message says why. Only a failure while taking over
    // a file read whole (out of memory) leaves a new untitled document.
    OpenResult Open(const std::string& path);
    // A recovery copy's image as the document bound to `path` (untitled when the
    // path is empty), modified: its file does not hold what the copy does.
    OpenResult Recover(const std::vector<uint8_t>& image, const std::string& path);
    // An untitled document asks for a path first (the save dialog).
    SaveResult Save(DocumentPrompts& prompts);
    SaveResult SaveAs(const std::string& path, DocumentPrompts& prompts);
    // The save prompt before New and Open, asked only when the document is modified.
    PromptResult PromptToSave(DocumentPrompts& prompts);

    // The file image the document would be saved as.
    std::vector<uint8_t> Serialize() const;

    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }
    bool IsUntitled() const { return name_ == kUntitled; }
    bool IsModified() const { return modified || scheme.modified; }
    void SetModified(bool on);

    model::Scheme scheme;
    ViewState view;
    DocumentSettings settings;
    bool modified = false;

private:
    SaveResult Write(const std::string& path, DocumentPrompts& prompts);
    // A file's bytes (null: reading failed) as the document bound to `path`.
    OpenResult Load(const std::vector<uint8_t>* bytes, const std::string& path);
    void Adopt(ScmContent content, const std::string& path);
    void ApplyDisplayOptions();

    std::string name_ = kUntitled;
    std::string path_ = kUntitled;
};

// Before a file is overwritten: a file without write permission is read-only;
// the user may allow the owner to write it. False cancels the save.
bool PassReadOnlyGuard(const std::string& path, DocumentPrompts& prompts);

// The question the guard asks.
std::string ReadOnlyQuestion(const std::string& path);

enum class ReadOutcome { Read, CannotOpen, ReadFailed };
// Reads a whole file. Anything but a regular file counts as one that cannot be
// opened (a pipe or a device could block or never end).
ReadOutcome ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

} // namespace korvanix::document
