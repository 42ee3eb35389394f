// Black-box tests of korvanix-cli: the built program is run with a fixed locale
// and its exit code, standard output and standard error are compared exactly.

#include "../document/TempFolder.h"
#include "../engine/EngineTestSupport.h"
#include "document/Document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using korvanix::document::testing::ReadBytes;
using korvanix::document::testing::TempFolder;
using korvanix::document::testing::WriteBytes;

namespace {

const std::string kExamples = std::string(KORVANIX_SOURCE_DIR) + "/examples/";

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    const auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs the tool with standard output and error going to files (not a terminal).
Outcome RunCli(const std::vector<std::string>& args) {
    TempFolder folder;
    const std::string outPath = folder / "out";
    const std::string errPath = folder / "err";
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0)
            ::_exit(126);
        ::setenv("LC_ALL", "C", 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KORVANIX_CLI));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(KORVANIX_CLI, argv.data());
        ::_exit(127);
    }
    Outcome o;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return o;
    o.exitCode = WEXITSTATUS(status);
    o.out = Slurp(outPath);
    o.err = Slurp(errPath);
    return o;
}

const std::string kStars(75, '*');

} // namespace

TEST(CliTest, NetlistOfAnExample) {
    const Outcome o = RunCli({"netlist", kExamples + "rc_lowpass.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    // U1 sits between ground (pin 1) and node 1; nodes follow the wire list.
    EXPECT_EQ(o.out, kStars + "\r\n* Список элементов\r\n* Создан в KORVANIX 1.1\r\n" + kStars +
                         "\r\nU1 0 1 DC 1\r\nR1 1 2 1k\r\nC1 2 0 1u 0");
}

TEST(CliTest, TerminalGetsAClosingLineBreak) {
    // Standard output on a pseudo-terminal, raw so that the bytes pass unchanged.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string slavePath = ::ptsname(master);
    const std::string file = kExamples + "rc_lowpass.scm";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        if (slave < 0 || ::tcgetattr(slave, &raw) != 0)
            ::_exit(126);
        ::cfmakeraw(&raw);
        if (::tcsetattr(slave, TCSANOW, &raw) != 0 || ::dup2(slave, 1) < 0)
            ::_exit(126);
        ::setenv("LC_ALL", "C", 1);
        ::execl(KORVANIX_CLI, KORVANIX_CLI, "netlist", file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) // EIO once the child has closed the terminal
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(out, kStars + "\r\n* Список элементов\r\n* Создан в KORVANIX 1.1\r\n" + kStars +
                       "\r\nU1 0 1 DC 1\r\nR1 1 2 1k\r\nC1 2 0 1u 0\r\n");
}

TEST(CliTest, NetlistOfEveryExampleSucceeds) {
    for (const char* name : {"rlc_series.scm", "transistor_amplifier.scm", "opamp_inverting.scm"}) {
        SCOPED_TRACE(name);
        const Outcome o = RunCli({"netlist", kExamples + name});
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.err, "");
        EXPECT_EQ(o.out.rfind(kStars + "\r\n* Список элементов\r\n", 0), 0u);
        EXPECT_NE(o.out.back(), '\n');
        EXPECT_EQ(o.out.find("-1"), std::string::npos) << "an unconnected pin:\n" << o.out;
    }
}

TEST(CliTest, Help) {
    const Outcome o = RunCli({"--help"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out.rfind("Usage: korvanix-cli COMMAND", 0), 0u);
    EXPECT_NE(o.out.find("netlist FILE.scm"), std::string::npos);
}

TEST(CliTest, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string problem;
    };
    const Case cases[] = {
        {{}, "korvanix-cli: no command given"},
        {{"frobnicate"}, "korvanix-cli: unknown command 'frobnicate'"},
        {{"netlist"}, "korvanix-cli: netlist needs the name of a .scm file"},
        {{"netlist", "a.scm", "b.scm"}, "korvanix-cli: netlist takes exactly one file, got 2"},
        {{"--help", "netlist"}, "korvanix-cli: --help takes no arguments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const Outcome o = RunCli(c.args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind(c.problem + "\n\nUsage: korvanix-cli COMMAND", 0), 0u) << o.err;
    }
}

TEST(CliTest, UnreadableDocuments) {
    TempFolder folder;
    auto crc = ReadBytes(kExamples + "rc_lowpass.scm");
    crc[200] ^= 1;
    WriteBytes(folder / "bad crc.scm", crc);
    auto cut = ReadBytes(kExamples + "rc_lowpass.scm");
    cut.resize(cut.size() - 4); // no end identifier
    unsigned sum = 0;
    for (std::size_t i = 3; i < cut.size(); ++i)
        sum += cut[i];
    cut[2] = static_cast<uint8_t>(sum);
    WriteBytes(folder / "cut.scm", cut);

    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {folder / "missing.scm", "Не удается открыть файл missing.scm для чтения.\n"},
        {folder / "bad crc.scm", "Ошибка CRC в файле bad crc.scm\n"},
        {folder / "cut.scm", "Файл cut.scm поврежден.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Outcome o = RunCli({"netlist", c.path});
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, c.message);
    }
}

namespace {

// A document holding a circuit drawn with the engine tests' helper.
void WriteCircuit(engine_test::Circuit& c, const std::string& path) {
    c.Wire();
    korvanix::document::Document doc;
    doc.scheme.AdoptLoaded(std::move(c.scheme.elements), std::move(c.scheme.wires));
    WriteBytes(path, doc.Serialize());
}

} // namespace

TEST(CliTest, CheckListsTheOutputsInTheDialogsOrder) {
    const Outcome o = RunCli({"check", kExamples + "rc_lowpass.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "C1\t3\nR1\t3\nU1\t3\nУзел 1\t1\nУзел 2\t1\n");
}

TEST(CliTest, CheckFrequencyOfAnAcExample) {
    for (const char* option : {"--frequency", ""}) {
        SCOPED_TRACE(option);
        std::vector<std::string> args = {"check", kExamples + "transistor_amplifier.scm"};
        if (*option)
            args.insert(args.begin() + 1, option); // the option may come first
        const Outcome o = RunCli(args);
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.err, "");
        // The transistor offers nothing; the nodes are the sheet's four.
        EXPECT_EQ(o.out, "C1\t3\nR1\t3\nR2\t3\nR3\t3\nU1\t3\n"
                         "Узел 1\t1\nУзел 2\t1\nУзел 3\t1\nУзел 4\t1\n");
    }
}

TEST(CliTest, CheckFailures) {
    TempFolder folder;
    {
        engine_test::Circuit c;
        c.Ground(0);
        c.E(0, 1, 1);
        c.R(1, 0, 100);
        c.Add(korvanix::model::kind::Resistor, std::vector<int>{1, -1});
        WriteCircuit(c, folder / "loose.scm");
    }
    {
        engine_test::Circuit c;
        c.Ground(0);
        c.R(1, 0, 100);
        c.C(1, 2, 1e-6);
        c.C(2, 3, 1e-6);
        c.C(3, 1, 1e-6);
        WriteCircuit(c, folder / "loop.scm");
    }
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"check", folder / "loose.scm"}, "Резистор : элемент не соединен.\nR2\n"},
        {{"check", folder / "loose.scm", "--frequency"}, "Резистор : элемент не соединен.\nR2\n"},
        {{"check", folder / "loop.scm"}, "Контур 1: C1,C2,C3\nОшибка: емкостной контур.\n"},
        {{"check", kExamples + "rc_lowpass.scm", "--frequency"},
         "Присоедините 1 гармонический источник\nко входу, чтобы рассчитать АЧХ/ФЧХ.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const Outcome o = RunCli(c.args);
        EXPECT_EQ(o.exitCode, 3);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, c.err);
    }
}

TEST(CliTest, CheckUsageAndUnreadableDocument) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errStart;
    };
    const Case cases[] = {
        {{"check"}, 2, "korvanix-cli: check needs the name of a .scm file\n\nUsage: "},
        {{"check", "--frequency"}, 2, "korvanix-cli: check needs the name of a .scm file\n"},
        {{"check", "a.scm", "b.scm"}, 2, "korvanix-cli: check takes exactly one file, got 2\n"},
        {{"check", "missing.scm"}, 1, "Не удается открыть файл missing.scm для чтения.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errStart);
        const Outcome o = RunCli(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind(c.errStart, 0), 0u) << o.err;
    }
    const Outcome help = RunCli({"--help"});
    EXPECT_NE(help.out.find("check FILE.scm [--frequency]"), std::string::npos);
    EXPECT_NE(help.out.find("3 the circuit cannot be analysed"), std::string::npos);
}
