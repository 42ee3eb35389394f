#include "cli/CliSupport.h"

#include "document/AtomicFile.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/ErrorMessages.h"
#include "model/Element.h"

#include <sys/stat.h>
#include <unistd.h>

namespace korvanix::cli {

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

bool OpenDocument(document::Document& doc, const std::string& path) {
    const document::OpenResult opened = doc.Open(path);
    if (!opened.read) {
        Print(stderr, opened.message + "\n");
        return false;
    }
    if (!opened.message.empty()) // a warning only: the circuit was read
        Print(stderr, opened.message + "\n");
    return true;
}

bool FlushStandardOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Print(stderr, std::string(kProgram) + ": cannot write the standard output\n");
        return false;
    }
    return true;
}

namespace {

// A device or a pipe (/dev/null, /dev/stdout, a FIFO) cannot be replaced by
// renaming; it is written in place.
int WriteInPlace(const std::string& path, const std::string& name, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        Print(stderr, document::CannotOpenForWritingMessage(name) + "\n");
        return Unreadable;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        Print(stderr, document::WriteErrorMessage(name) + "\n");
        return Unreadable;
    }
    return Success;
}

} // namespace

int WriteResult(const std::string& output, const std::string& text) {
    if (output.empty()) {
        Print(stdout, text);
        return FlushStandardOutput() ? Success : Unreadable;
    }
    const std::string name = document::FileNameOf(output);
    struct stat st {};
    const bool exists = ::stat(output.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return WriteInPlace(output, name, text);
    // Renaming over a file needs no permission on the file itself; a file the user
    // may not write stays refused, as opening it for writing would be.
    document::AtomicFile file(output);
    if ((exists && ::access(output.c_str(), W_OK) != 0) ||
        file.Open() != document::WriteOutcome::Written) {
        Print(stderr, document::CannotOpenForWritingMessage(name) + "\n");
        return Unreadable;
    }
    file.Write(text.data(), text.size());
    if (file.Commit() != document::WriteOutcome::Written) {
        Print(stderr, document::WriteErrorMessage(name) + "\n");
        return Unreadable;
    }
    return Success;
}

void PrintSchemeError(const model::SchemeError& error) {
    std::string text = engine::SchemeErrorMessage(error) + "\n";
    if (const model::Element* faulty = error.GetElement())
        text += faulty->Name() + "\n";
    Print(stderr, text);
}

void StderrNotifier::LoopWarning(const std::string& caption, const std::string& text) {
    Print(stderr, caption + ": " + text + "\n");
}

void StderrNotifier::PlainMessage(const std::string& text) {
    Print(stderr, text + "\n");
}

} // namespace korvanix::cli
