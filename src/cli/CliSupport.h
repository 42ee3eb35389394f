#pragma once

#include "engine/EngineNotifier.h"
#include "model/Errors.h"

#include <cstdio>
#include <string>

namespace korvanix::document {
class Document;
} // namespace korvanix::document

namespace korvanix::cli {

enum ExitCode {
    Success = 0,
    Unreadable = 1, // the document could not be read (or the result not written)
    Usage = 2,
    NotAnalysable = 3,  // the circuit cannot be analysed (the message on standard error)
    AnalysisFailed = 4, // the analysis itself failed; what it computed is still written
};

constexpr const char* kProgram = "korvanix-cli";

void Print(std::FILE* stream, const std::string& text);

// Opens a document for a command; false (with the message printed) when it cannot
// be read. A warning about a document that was read anyway is printed too.
bool OpenDocument(document::Document& doc, const std::string& path);

// Flushes standard output; false (with the message printed) when it failed.
bool FlushStandardOutput();

// Writes a result to standard output (empty `output`) or to a file. The file is
// replaced only once the whole result is on the disk, so a failed write leaves it
// alone; a device or a pipe is written in place. Success or Unreadable (with the
// message printed).
int WriteResult(const std::string& output, const std::string& text);

// The message of a failed formulation and, on a line of its own, the name of the
// faulty element when there is one.
void PrintSchemeError(const model::SchemeError& error);

// The boxes a formulation shows, as lines on standard error in the order they come.
class StderrNotifier : public engine::EngineNotifier {
public:
    void LoopWarning(const std::string& caption, const std::string& text) override;
    void PlainMessage(const std::string& text) override;
};

} // namespace korvanix::cli
