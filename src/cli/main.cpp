// korvanix-cli: batch access to circuit documents without the window layer.

#include "document/Document.h"
#include "document/ScmFile.h"
#include "netlist/NetlistText.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace korvanix::cli {

namespace {

enum ExitCode {
    Success = 0,
    Unreadable = 1, // the document could not be read (or the result not written)
    Usage = 2,
};

constexpr const char* kProgram = "korvanix-cli";

constexpr const char* kUsage =
    "Usage: korvanix-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  netlist FILE.scm   print the element list of a circuit document\n"
    "  --help             show this help\n"
    "\n"
    "Exit codes: 0 success, 1 the document cannot be read, 2 wrong usage.\n";

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int UsageError(const std::string& problem) {
    Print(stderr, std::string(kProgram) + ": " + problem + "\n\n" + kUsage);
    return Usage;
}

int Netlist(const std::string& path) {
    document::Document doc;
    const document::OpenResult opened = doc.Open(path);
    if (!opened.read) {
        Print(stderr, opened.message + "\n");
        return Unreadable;
    }
    if (!opened.message.empty()) // a warning only: the circuit was read
        Print(stderr, opened.message + "\n");

    // Lines are joined by CR LF with none after the last; a terminal gets one
    // more so that the prompt starts on a line of its own.
    std::string text = netlist::BuildNetlistText(doc.scheme);
    if (::isatty(STDOUT_FILENO))
        text += "\r\n";
    Print(stdout, text);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Print(stderr, std::string(kProgram) + ": cannot write the standard output\n");
        return Unreadable;
    }
    return Success;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        if (args.size() != 1)
            return UsageError("--help takes no arguments");
        Print(stdout, kUsage);
        return std::fflush(stdout) == 0 ? Success : Unreadable;
    }
    if (command == "netlist") {
        if (args.size() < 2)
            return UsageError("netlist needs the name of a .scm file");
        if (args.size() > 2)
            return UsageError("netlist takes exactly one file, got " +
                              std::to_string(args.size() - 1));
        return Netlist(args[1]);
    }
    return UsageError("unknown command '" + command + "'");
}

} // namespace

} // namespace korvanix::cli

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        return korvanix::cli::Run(args);
    } catch (const std::bad_alloc&) {
        korvanix::cli::Print(stderr, korvanix::document::OutOfMemoryMessage() + "\n");
    } catch (const std::exception& e) {
        korvanix::cli::Print(stderr, std::string("korvanix-cli: ") + e.what() + "\n");
    }
    return korvanix::cli::Unreadable;
}
