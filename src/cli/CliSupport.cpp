#include "cli/CliSupport.h"

#include "document/Document.h"
#include "engine/ErrorMessages.h"
#include "model/Element.h"

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
