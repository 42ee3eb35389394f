// korvanix-cli: batch access to circuit documents without the window layer.

#include "analysis/OutputChoices.h"
#include "cli/BatchAnalysis.h"
#include "cli/CliSupport.h"
#include "cli/PolesCommand.h"
#include "cli/SpiceCommand.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/Engine.h"
#include "engine/EngineNotifier.h"
#include "engine/ErrorMessages.h"
#include "engine/Outputs.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/Text1251.h"
#include "netlist/NetlistText.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace korvanix::cli {

namespace {

constexpr const char* kUsage =
    "Usage: korvanix-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  netlist FILE.scm                print the element list of a circuit document\n"
    "  check FILE.scm [--frequency]    form the equations of the transient (or the\n"
    "                                  frequency) analysis and list the outputs it\n"
    "                                  offers: a name, a tab and 1 (voltage), 2 (current)\n"
    "                                  or 3 (both) a line\n"
    "  transient FILE.scm [OPTIONS]    run the transient analysis with the document's\n"
    "                                  settings and print its graph data table\n"
    "  frequency FILE.scm [OPTIONS]    the same for the frequency analysis\n"
    "  poles FILE.scm [OPTIONS]        the circuit's natural frequencies and, for each\n"
    "                                  output of the frequency settings, the transfer\n"
    "                                  function's zeros, poles and gain (rad/s)\n"
    "  spice FILE.scm [OPTIONS]        write an ngspice deck of the circuit and of both\n"
    "                                  analyses' settings; its .control block writes the\n"
    "                                  chosen curves to NAME-tran.txt and NAME-ac.txt\n"
    "  --help                          show this help\n"
    "\n"
    "Options of transient and frequency:\n"
    "  --csv                           every run as comma-separated values: run,\n"
    "                                  the swept value (with a sweep), x, then one\n"
    "                                  column per curve, 17 significant digits\n"
    "  -o FILE                         write the result to FILE\n"
    "  --quiet                         no progress bar on a terminal\n"
    "\n"
    "Options of poles:\n"
    "  --csv                           output,kind,re,im: a row per natural frequency\n"
    "                                  (empty output), then each function's zeros,\n"
    "                                  poles and gain, 17 significant digits\n"
    "  -o FILE                         write the result to FILE\n"
    "\n"
    "Options of spice:\n"
    "  -o DECK.cir                     write the deck to DECK.cir\n"
    "  --substeps N                    ngspice's largest internal step is the finest\n"
    "                                  output step divided by N (default 10; 300 for\n"
    "                                  about 1e-6 of the signal)\n"
    "\n"
    "Exit codes: 0 success, 1 the document cannot be read or the result not\n"
    "written, 2 wrong usage, 3 the circuit cannot be analysed (spice: or has an\n"
    "element without a SPICE form), 4 the analysis\n"
    "failed (what it computed is still written).\n";

int UsageError(const std::string& problem) {
    Print(stderr, std::string(kProgram) + ": " + problem + "\n\n" + kUsage);
    return Usage;
}

int Netlist(const std::string& path) {
    document::Document doc;
    if (!OpenDocument(doc, path))
        return Unreadable;

    // Lines are joined by CR LF with none after the last; a terminal gets one
    // more so that the prompt starts on a line of its own.
    std::string text = netlist::BuildNetlistText(doc.scheme);
    if (::isatty(STDOUT_FILENO))
        text += "\r\n";
    Print(stdout, text);
    return FlushStandardOutput() ? Success : Unreadable;
}

int Check(const std::string& path, bool frequency) {
    document::Document doc;
    if (!OpenDocument(doc, path))
        return Unreadable;

    engine::Engine engine(doc.scheme);
    // The products the analyses use: a large circuit is checked in the memory
    // of its nonzero entries, not of their square.
    engine.UseSparseFrequency(true);
    engine.UseSparseTransient(true);
    StderrNotifier notifier;
    const model::SchemeError result =
        frequency ? engine.FormulateFrequency(notifier) : engine.FormulateTransient(notifier);
    if (result.Code() != 0) {
        PrintSchemeError(result);
        return NotAnalysable;
    }

    const std::vector<analysis::OfferedOutput> lines = analysis::OfferedOutputs(engine, frequency);

    std::string text;
    for (const analysis::OfferedOutput& line : lines)
        text += line.name + "\t" + std::to_string(line.flags) + "\n";
    Print(stdout, text);
    return FlushStandardOutput() ? Success : Unreadable;
}

// One file and the options --csv, -o FILE and (where `quietAllowed`) --quiet, in
// any order. Success, or the usage error already printed.
int ReadAnalysisArguments(const std::vector<std::string>& args, bool quietAllowed,
                          AnalysisRequest& request) {
    const std::string& command = args[0];
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--csv") {
            request.csv = true;
        } else if (a == "--quiet" && quietAllowed) {
            request.quiet = true;
        } else if (a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return UsageError("-o needs the name of a file");
            if (!request.output.empty())
                return UsageError("-o given twice");
            request.output = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError(command + ": unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty())
        return UsageError(command + " needs the name of a .scm file");
    if (files.size() > 1)
        return UsageError(command + " takes exactly one file, got " + std::to_string(files.size()));
    request.path = files[0];
    return Success;
}

int Analysis(const std::vector<std::string>& args, bool frequency) {
    AnalysisRequest request;
    if (const int problem = ReadAnalysisArguments(args, true, request); problem != Success)
        return problem;
    return frequency ? RunFrequencyCommand(request) : RunTransientCommand(request);
}

int Poles(const std::vector<std::string>& args) {
    AnalysisRequest request;
    if (const int problem = ReadAnalysisArguments(args, false, request); problem != Success)
        return problem;
    return RunPolesCommand(request);
}

// A count of the command line: decimal digits only, 1 to `largest`.
bool ReadCount(const std::string& text, int largest, int& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return value >= 1 && value <= largest;
}

// spice: one file and the options, in any order.
int Spice(const std::vector<std::string>& args) {
    constexpr int kMostSubsteps = 100000;
    std::string output;
    analysis::SpiceExportOptions options;
    bool substepsGiven = false;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--substeps") {
            if (substepsGiven)
                return UsageError("--substeps given twice");
            if (i + 1 >= args.size() || !ReadCount(args[i + 1], kMostSubsteps, options.substeps))
                return UsageError("--substeps needs a whole number from 1 to " +
                                  std::to_string(kMostSubsteps));
            substepsGiven = true;
            ++i;
        } else if (a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return UsageError("-o needs the name of a file");
            if (!output.empty())
                return UsageError("-o given twice");
            output = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError("spice: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty())
        return UsageError("spice needs the name of a .scm file");
    if (files.size() > 1)
        return UsageError("spice takes exactly one file, got " + std::to_string(files.size()));
    return RunSpiceCommand(files[0], output, options);
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
    if (command == "check") {
        bool frequency = false;
        std::vector<std::string> files;
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--frequency")
                frequency = true;
            else
                files.push_back(args[i]);
        }
        if (files.empty())
            return UsageError("check needs the name of a .scm file");
        if (files.size() > 1)
            return UsageError("check takes exactly one file, got " + std::to_string(files.size()));
        return Check(files[0], frequency);
    }
    if (command == "transient" || command == "frequency")
        return Analysis(args, command == "frequency");
    if (command == "spice")
        return Spice(args);
    if (command == "poles")
        return Poles(args);
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
