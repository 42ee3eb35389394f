// Black-box tests of korvanix-cli: the built program is run with a fixed locale
// and its exit code, standard output and standard error are compared exactly.

#include "../document/TempFolder.h"
#include "../engine/EngineTestSupport.h"
#include "CliRunner.h"
#include "document/Document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using cli_test::Outcome;
using cli_test::RunCli;
using korvanix::document::testing::ReadBytes;
using korvanix::document::testing::TempFolder;
using korvanix::document::testing::WriteBytes;

namespace {

const std::string kExamples = std::string(KORVANIX_SOURCE_DIR) + "/examples/";

const std::string kStars(75, '*');

} // namespace

TEST(CliTest, NetlistOfAnExample) {
    const Outcome o = RunCli({"netlist", kExamples + "rc_lowpass.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    // U1 sits between ground (pin 1) and node 1; nodes follow the wire list.
    EXPECT_EQ(o.out, kStars + "\r\n* Список элементов\r\n* Создан в KORVANIX 1.1\r\n" + kStars +
                         "\r\nU1 0 1 AC 1 1 0\r\nR1 1 2 1k\r\nC1 2 0 1u 0");
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
                       "\r\nU1 0 1 AC 1 1 0\r\nR1 1 2 1k\r\nC1 2 0 1u 0\r\n");
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

// A source and a resistor, and a second resistor with a pin left free: the
// check refuses it with "Резистор : элемент не соединен." and R2.
void WriteLooseCircuit(const std::string& path) {
    engine_test::Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 0, 100);
    c.Add(korvanix::model::kind::Resistor, std::vector<int>{1, -1});
    WriteCircuit(c, path);
}

TEST(CliTest, CheckFailures) {
    TempFolder folder;
    WriteLooseCircuit(folder / "loose.scm");
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
        {{"check", kExamples + "square_wave_rc.scm", "--frequency"},
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

namespace {

using korvanix::document::DocumentSettings;

// A document holding a circuit drawn with the engine tests' helper and settings.
void WriteDocument(engine_test::Circuit& c, const DocumentSettings& settings,
                   const std::string& path) {
    c.Wire();
    korvanix::document::Document doc;
    doc.scheme.AdoptLoaded(std::move(c.scheme.elements), std::move(c.scheme.wires));
    doc.settings = settings;
    WriteBytes(path, doc.Serialize());
}

// One part from 0 to `end` in `points` steps with the given EPS.
void SetPart(DocumentSettings& s, int index, double start, double end, int points,
             double eps = 1e-9) {
    korvanix::document::IntervalPart& p = s.transient.parts[index];
    p.startTime = start;
    p.endTime = end;
    p.pointCount = points;
    p.step = (end - start) / points;
    p.eps = eps;
    s.transient.partCount = index + 1;
}

// U1 (2 V) across R1 and R2 in series: no state, so every point is exact.
void Divider(engine_test::Circuit& c) {
    c.Ground(0);
    c.E(0, 1, 2.0);
    c.R(1, 2, 1000);
    c.R(2, 0, 1000);
}

} // namespace

TEST(CliTest, TransientDataTable) {
    TempFolder folder;
    engine_test::Circuit c;
    Divider(c);
    DocumentSettings s;
    SetPart(s, 0, 0, 1e-3, 4);
    s.transient.SetVoltageOutput(0, "Узел 2");
    s.transient.voltageOutputCount = 1;
    s.transient.SetCurrentOutput(0, "R1");
    s.transient.currentOutputCount = 1;
    WriteDocument(c, s, folder / "divider.scm");

    const Outcome o = RunCli({"transient", folder / "divider.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    // The window's table: its title in the banner, the x caption padded to 15,
    // columns of 17, the series terms last (none without a state).
    EXPECT_EQ(o.out, "* Данные графика[График переходного процесса]. KORVANIX 1.1\r\n" +
                         std::string(80, '*') +
                         "\r\n"
                         "t, с           u(2), В          i(R1), А         Итерации\r\n"
                         "0              1                1м               0\r\n"
                         "0.25м          1                1м               0\r\n"
                         "0.5м           1                1м               0\r\n"
                         "0.75м          1                1м               0\r\n"
                         "1м             1                1м               0\r\n");
}

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

} // namespace

TEST(CliTest, FrequencyDataTableOfAnExample) {
    // Phase on: the magnitude pane, then the phase pane; no integer column.
    const Outcome o = RunCli({"frequency", kExamples + "transistor_amplifier.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 3u + 300u);
    EXPECT_EQ(lines[0], "* Данные графика[График АЧХ/ФЧХ]. KORVANIX 1.1\r");
    // W is the longest title (22 characters) plus 2; the last title is padded too.
    EXPECT_EQ(lines[2], "f, Гц" + std::string(17, ' ') + "|U(R2)/U(U1)|" + std::string(11, ' ') +
                            "arg[U(R2)/U(U1)], град  \r");
    EXPECT_EQ(lines[3].rfind("10 ", 0), 0u) << lines[3];
    EXPECT_EQ(lines.back().rfind("10М ", 0), 0u) << lines.back();
}

TEST(CliTest, CsvWithASweepHasEveryRun) {
    // R1 swept over 5, 20, 35, 50 Ω: four runs of 401 points each.
    const Outcome o = RunCli({"transient", "--csv", kExamples + "rlc_series.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 1u + 4 * 401u);
    EXPECT_EQ(lines[0], "run,\"R(R1), Ом\",x,\"u(C1), В\",\"i(L1), А\"");
    EXPECT_EQ(lines[1], "1,5,0,0,0");
    // 17 significant digits: the step 0.02/400 reads back as the same double.
    const std::string& second = lines[2];
    EXPECT_EQ(second.rfind("1,5,5.0000000000000002e-05,", 0), 0u) << second;
    EXPECT_EQ(lines[401].rfind("1,5,0.02,", 0), 0u) << lines[401];
    EXPECT_EQ(lines[402], "2,20,0,0,0");
    EXPECT_EQ(lines[1 + 3 * 401], "4,50,0,0,0");

    // The data table holds the selected run only, the first.
    const Outcome table = RunCli({"transient", kExamples + "rlc_series.scm"});
    EXPECT_EQ(Lines(table.out).size(), 3u + 401u);
}

TEST(CliTest, CsvOfTwoPanesAndOfAHodograph) {
    TempFolder folder;
    {
        // Energy beside the outputs: a second pane whose column follows.
        engine_test::Circuit c;
        c.Ground(0);
        c.E(0, 1, 1.0);
        c.R(1, 2, 1000);
        c.C(2, 0, 1e-6);
        DocumentSettings s;
        SetPart(s, 0, 0, 1e-3, 2);
        s.transient.SetVoltageOutput(0, "C1");
        s.transient.voltageOutputCount = 1;
        s.transient.energyGraph = 1;
        WriteDocument(c, s, folder / "energy.scm");
    }
    const Outcome energy = RunCli({"transient", folder / "energy.scm", "--csv"});
    EXPECT_EQ(energy.exitCode, 0);
    const std::vector<std::string> lines = Lines(energy.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "run,x,\"u(C1), В\",\"Энергия, Дж\"");
    EXPECT_EQ(lines[1], "1,0,0,0");

    {
        // A hodograph: two columns per curve, Re then Im.
        engine_test::Circuit c;
        c.Ground(0);
        auto* u1 = c.E(0, 1, 0);
        u1->SetMode(korvanix::model::SourceMode::Ac);
        c.R(1, 2, 1000);
        c.C(2, 0, 1e-6);
        DocumentSettings s;
        korvanix::document::FrequencySettings& f = s.frequency;
        f.startFrequency = 1;
        f.endFrequency = 1e6;
        f.pointCount = 2;
        f.hodograph = 1;
        f.SetInputElement("U1");
        f.SetVoltageOutput(0, "C1");
        f.voltageOutputCount = 1;
        WriteDocument(c, s, folder / "hodograph.scm");
    }
    const Outcome hodograph = RunCli({"frequency", folder / "hodograph.scm", "--csv"});
    EXPECT_EQ(hodograph.exitCode, 0) << hodograph.err;
    const std::vector<std::string> rows = Lines(hodograph.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "run,x,Re[U(C1)/U(U1)],Im[U(C1)/U(U1)]");
    // 1 Hz is far below the corner (159 Hz): the ratio is nearly 1.
    EXPECT_EQ(rows[1].rfind("1,1,0.99996", 0), 0u) << rows[1];
}

TEST(CliTest, OutputFile) {
    TempFolder folder;
    const std::string file = folder / "result.csv";
    const std::string example = kExamples + "transistor_amplifier.scm";
    const Outcome o = RunCli({"frequency", example, "-o", file, "--csv"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    const Outcome direct = RunCli({"frequency", example, "--csv"});
    EXPECT_EQ(cli_test::Slurp(file), direct.out);

    struct Case {
        std::string path;
        std::string err;
    };
    const Case failures[] = {
        {folder / "no such folder/r.txt",
         "Не удается открыть файл r.txt для записи.\nСохранение не выполнено.\n"},
        {"/dev/full", "Ошибка записи в файл full\n"},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.path);
        const Outcome failed = RunCli({"transient", kExamples + "rc_lowpass.scm", "-o", c.path});
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_EQ(failed.out, "");
        EXPECT_EQ(failed.err, c.err);
    }
}

TEST(CliTest, FailedWriteKeepsTheOutputFile) {
    TempFolder folder;
    const std::string file = folder / "kept.txt";
    const std::vector<uint8_t> old = {'o', 'l', 'd', '\n'};
    WriteBytes(file, old);

    // Run from a child whose files may not grow past 4 KiB (the limit passes on to
    // the program): the table of the low-pass filter is three times as long.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Outcome o = RunCli({"transient", kExamples + "rc_lowpass.scm", "-o", file});
        ::_exit(o.exitCode == 1 && o.out.empty() && o.err == "Ошибка записи в файл kept.txt\n"
                    ? 0
                    : 10);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: another exit code or message";
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.txt"});
}

TEST(CliTest, ReadOnlyOutputFileIsRefused) {
    // Renaming over a file needs no permission on the file: the tool must still
    // refuse one its user may not write.
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write any file";
    TempFolder folder;
    const std::string file = folder / "kept.txt";
    const std::vector<uint8_t> old = {'o', 'l', 'd', '\n'};
    WriteBytes(file, old);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    const Outcome refused = RunCli({"transient", kExamples + "rc_lowpass.scm", "-o", file});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "Не удается открыть файл kept.txt для записи.\nСохранение не выполнено.\n");
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.txt"});
}

TEST(CliTest, AnalysisOfACircuitThatFailsTheCheck) {
    TempFolder folder;
    engine_test::Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 0, 100);
    c.Add(korvanix::model::kind::Resistor, std::vector<int>{1, -1});
    DocumentSettings s;
    s.transient.SetVoltageOutput(0, "R1");
    s.transient.voltageOutputCount = 1;
    WriteDocument(c, s, folder / "loose.scm");
    for (const char* command : {"transient", "frequency"}) {
        SCOPED_TRACE(command);
        const std::string out = folder / "never.txt";
        const Outcome o = RunCli({command, folder / "loose.scm", "-o", out});
        EXPECT_EQ(o.exitCode, 3);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, "Резистор : элемент не соединен.\nR2\n");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(CliTest, FailedAnalysisKeepsWhatItComputed) {
    // Part 1 steps a tenth of the time constant; part 2 takes one step of five
    // time constants, which ten series terms cannot reach.
    TempFolder folder;
    engine_test::Circuit c;
    c.Ground(0);
    c.E(0, 1, 1.0);
    c.R(1, 2, 1000);
    c.C(2, 0, 1e-6);
    DocumentSettings s;
    SetPart(s, 0, 0, 1e-3, 10, 1e-12);
    SetPart(s, 1, 1e-3, 6e-3, 1, 1e-12);
    s.transient.SetVoltageOutput(0, "Узел 2");
    s.transient.voltageOutputCount = 1;
    s.options.maxIter = 10;
    WriteDocument(c, s, folder / "coarse.scm");

    const Outcome o = RunCli({"transient", folder / "coarse.scm", "--csv"});
    EXPECT_EQ(o.exitCode, 4);
    EXPECT_EQ(o.err,
              "Требуемая точность не достигнута!\nУменьшите шаг или увеличьте число точек\n");
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 1u + 11u) << o.out;
    EXPECT_EQ(lines[11].rfind("1,0.001,0.63212055882855", 0), 0u) << lines[11]; // 1 − 1/e
}

TEST(CliTest, AnalysisMessages) {
    TempFolder folder;
    {
        engine_test::Circuit c;
        Divider(c);
        WriteDocument(c, DocumentSettings{}, folder / "nothing.scm");
    }
    {
        // R1 swept from −1 through 0, which a resistance refuses: the first run stays.
        engine_test::Circuit c;
        Divider(c);
        DocumentSettings s;
        SetPart(s, 0, 0, 1e-3, 2);
        s.transient.SetVoltageOutput(0, "Узел 2");
        s.transient.voltageOutputCount = 1;
        s.transient.sweepEnabled = 1;
        s.transient.sweep.SetElementName("R1");
        s.transient.sweep.startValue = -1;
        s.transient.sweep.endValue = 1;
        s.transient.sweep.graphCount = 3;
        WriteDocument(c, s, folder / "through zero.scm");
    }
    const Outcome nothing = RunCli({"transient", folder / "nothing.scm"});
    EXPECT_EQ(nothing.exitCode, 4);
    EXPECT_EQ(nothing.out, "");
    EXPECT_EQ(nothing.err, "Пожалуйста, выберите переменную для расчета\n");

    const Outcome zero = RunCli({"transient", folder / "through zero.scm", "--csv"});
    EXPECT_EQ(zero.exitCode, 0);
    EXPECT_EQ(zero.err, "Неверный параметр: Сопротивление (R)=0\n");
    // u(2) = 2·1000/(−1 + 1000) for R1 = −1 Ω.
    EXPECT_EQ(zero.out, "run,\"R(R1), Ом\",x,\"u(2), В\"\n"
                        "1,-1,0,2.0020020020020022\n"
                        "1,-1,0.00050000000000000001,2.0020020020020022\n"
                        "1,-1,0.001,2.0020020020020022\n");
}

TEST(CliTest, CountsOfAHostileDocumentAreClamped) {
    TempFolder folder;
    engine_test::Circuit c;
    Divider(c);
    DocumentSettings s;
    SetPart(s, 0, 0, 1e-3, 1);
    // Announces two billion points per part and sweep runs: reserving them would
    // take terabytes before the first point.
    s.transient.parts[0].pointCount = INT32_MAX;
    s.transient.partCount = 77;
    s.transient.voltageOutputCount = 4;
    s.transient.currentOutputCount = 4;
    for (int i = 0; i < 4; ++i)
        s.transient.SetVoltageOutput(i, "Узел 2");
    s.transient.sweepEnabled = 1;
    s.transient.sweep.SetElementName("R1");
    s.transient.sweep.startValue = 1000;
    s.transient.sweep.endValue = 2000;
    s.transient.sweep.graphCount = INT32_MAX;
    s.options.maxIter = -5;
    WriteDocument(c, s, folder / "hostile.scm");

    const Outcome o = RunCli({"transient", folder / "hostile.scm", "--csv"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.err, "");
    // Nine parts (the first holds the one step, the others are empty), four
    // voltages and one current (its name is empty: no curve), a thousand runs of
    // two points each.
    const std::vector<std::string> lines = Lines(o.out);
    ASSERT_EQ(lines.size(), 1u + 1000u * 2u);
    EXPECT_EQ(lines[0], "run,\"R(R1), Ом\",x,\"u(2), В\",\"u(2), В\",\"u(2), В\",\"u(2), В\"");
    EXPECT_EQ(lines.back().rfind("1000,1999.99999999998", 0), 0u) << lines.back();
}

TEST(CliTest, AnalysisUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string problem;
    };
    const Case cases[] = {
        {{"transient"}, "korvanix-cli: transient needs the name of a .scm file"},
        {{"frequency", "--csv"}, "korvanix-cli: frequency needs the name of a .scm file"},
        {{"transient", "a.scm", "b.scm"}, "korvanix-cli: transient takes exactly one file, got 2"},
        {{"transient", "a.scm", "--fast"}, "korvanix-cli: transient: unknown option '--fast'"},
        {{"frequency", "a.scm", "-o"}, "korvanix-cli: -o needs the name of a file"},
        {{"frequency", "a.scm", "-o", "x", "-o", "y"}, "korvanix-cli: -o given twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const Outcome o = RunCli(c.args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind(c.problem + "\n\nUsage: korvanix-cli COMMAND", 0), 0u) << o.err;
    }
    const Outcome missing = RunCli({"transient", "missing.scm", "--quiet"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Не удается открыть файл missing.scm для чтения.\n");
    const Outcome help = RunCli({"--help"});
    EXPECT_NE(help.out.find("transient FILE.scm [OPTIONS]"), std::string::npos);
    EXPECT_NE(help.out.find("4 the analysis\nfailed"), std::string::npos);
}

namespace {

// Runs the tool with standard error on a raw pseudo-terminal and standard output
// into a file; returns what the terminal showed.
std::string TerminalErrors(const std::vector<std::string>& args, std::string& out) {
    TempFolder folder;
    const std::string outPath = folder / "out";
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return "no terminal";
    const std::string slavePath = ::ptsname(master);
    const pid_t child = ::fork();
    if (child == 0) {
        const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        const int file = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        termios raw{};
        if (slave < 0 || file < 0 || ::tcgetattr(slave, &raw) != 0)
            ::_exit(126);
        ::cfmakeraw(&raw);
        if (::tcsetattr(slave, TCSANOW, &raw) != 0 || ::dup2(slave, 2) < 0 || ::dup2(file, 1) < 0)
            ::_exit(126);
        ::setenv("LC_ALL", "C", 1);
        std::vector<char*> argv{const_cast<char*>(KORVANIX_CLI)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(KORVANIX_CLI, argv.data());
        ::_exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    out = cli_test::Slurp(outPath);
    return shown;
}

} // namespace

TEST(CliTest, ProgressBarOnlyOnATerminal) {
    const std::string file = kExamples + "rlc_series.scm";
    std::string out;
    const std::string shown = TerminalErrors({"transient", file}, out);
    EXPECT_NE(shown.find("\r[" + std::string(30, '#') + "] 100 %  4 из 4"), std::string::npos)
        << shown;
    // The bar is wiped and the computation time takes its place.
    EXPECT_NE(shown.find("\rВремя расчета: "), std::string::npos) << shown;
    EXPECT_EQ(out, RunCli({"transient", file}).out);

    EXPECT_EQ(TerminalErrors({"transient", file, "--quiet"}, out), "");
    // Not a terminal: RunCli's standard error is a file.
    EXPECT_EQ(RunCli({"transient", file}).err, "");
}

TEST(CliTest, SpiceDeckOfAnExample) {
    const std::string example = kExamples + "rc_lowpass.scm";
    const Outcome o = RunCli({"spice", example});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out.rfind("KORVANIX: rc_lowpass.scm\n", 0), 0u) << o.out;
    EXPECT_NE(o.out.find("\nVU1 1 0 DC 0 AC 1 0 SIN(0 1 1 0 0 90)\n"), std::string::npos);
    EXPECT_NE(o.out.find("\nwrdata rc_lowpass-tran.txt u_C1 i_R1\n"), std::string::npos);
    EXPECT_EQ(o.out.substr(o.out.size() - 5), ".end\n");

    TempFolder folder;
    const std::string file = folder / "rc.cir";
    const Outcome written = RunCli({"spice", "-o", file, example});
    EXPECT_EQ(written.exitCode, 0);
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(written.err, "");
    EXPECT_EQ(cli_test::Slurp(file), o.out);

    const Outcome fine = RunCli({"spice", example, "--substeps", "300"});
    EXPECT_NE(fine.out.find("\n.tran 2.0000000000000002e-05 0.0050000000000000001 0 "
                            "6.6666666666666668e-08 uic\n"),
              std::string::npos)
        << fine.out;

    const Outcome failed = RunCli({"spice", example, "-o", folder / "no such folder/rc.cir"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "Не удается открыть файл rc.cir для записи.\nСохранение не выполнено.\n");
}

TEST(CliTest, SpiceOfCircuitsWithoutADeck) {
    TempFolder folder;
    engine_test::Circuit ungrounded;
    ungrounded.E(1, 2, 1);
    ungrounded.R(2, 1, 100);
    WriteDocument(ungrounded, DocumentSettings(), folder / "ungrounded.scm");
    engine_test::Circuit infinite;
    infinite.Ground(0);
    infinite.E(0, 1, 1);
    infinite.R(1, 0, std::numeric_limits<double>::infinity());
    WriteDocument(infinite, DocumentSettings(), folder / "infinite.scm");

    struct Case {
        std::string file;
        std::string err;
    };
    const Case cases[] = {
        {"ungrounded.scm", "Добавьте землю к Вашей схеме.\n"},
        {"infinite.scm", "korvanix-cli: no SPICE deck: R1: its value \"Сопротивление (R)\" is not "
                         "a finite number\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string out = folder / "never.cir";
        const Outcome o = RunCli({"spice", folder / c.file, "-o", out});
        EXPECT_EQ(o.exitCode, 3);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const Outcome missing = RunCli({"spice", folder / "missing.scm"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "Не удается открыть файл missing.scm для чтения.\n");
}

TEST(CliTest, SpiceUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string problem;
    };
    const Case cases[] = {
        {{"spice"}, "korvanix-cli: spice needs the name of a .scm file"},
        {{"spice", "a.scm", "b.scm"}, "korvanix-cli: spice takes exactly one file, got 2"},
        {{"spice", "a.scm", "--csv"}, "korvanix-cli: spice: unknown option '--csv'"},
        {{"spice", "a.scm", "-o"}, "korvanix-cli: -o needs the name of a file"},
        {{"spice", "a.scm", "-o", "x", "-o", "y"}, "korvanix-cli: -o given twice"},
        {{"spice", "a.scm", "--substeps"},
         "korvanix-cli: --substeps needs a whole number from 1 to 100000"},
        {{"spice", "a.scm", "--substeps", "0"},
         "korvanix-cli: --substeps needs a whole number from 1 to 100000"},
        {{"spice", "a.scm", "--substeps", "3.5"},
         "korvanix-cli: --substeps needs a whole number from 1 to 100000"},
        {{"spice", "a.scm", "--substeps", "100001"},
         "korvanix-cli: --substeps needs a whole number from 1 to 100000"},
        {{"spice", "a.scm", "--substeps", "2", "--substeps", "3"},
         "korvanix-cli: --substeps given twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const Outcome o = RunCli(c.args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err.rfind(c.problem + "\n\nUsage: korvanix-cli COMMAND", 0), 0u) << o.err;
    }
    EXPECT_NE(RunCli({"--help"}).out.find("spice FILE.scm [OPTIONS]"), std::string::npos);
}

// Rows of a poles table against the expected ones: the output and kind exactly,
// the numbers within 1e-13 relative (they carry the rounding of -G/C).
void ExpectPoleRows(const std::string& got, const std::vector<std::string>& want) {
    std::vector<std::string> lines;
    std::istringstream in(got);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), want.size()) << got;
    ASSERT_EQ(lines[0], want[0]);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto fields = [](const std::string& line) {
            std::vector<std::string> out;
            std::string field;
            std::istringstream row(line);
            while (std::getline(row, field, ','))
                out.push_back(field);
            if (!line.empty() && line.back() == ',')
                out.push_back("");
            return out;
        };
        const auto g = fields(lines[i]);
        const auto w = fields(want[i]);
        ASSERT_EQ(g.size(), 4u) << lines[i];
        ASSERT_EQ(w.size(), 4u) << want[i];
        EXPECT_EQ(g[0], w[0]) << lines[i];
        EXPECT_EQ(g[1], w[1]) << lines[i];
        for (int k : {2, 3}) {
            const double a = std::stod(g[static_cast<std::size_t>(k)]);
            const double b = std::stod(w[static_cast<std::size_t>(k)]);
            EXPECT_NEAR(a, b, 1e-13 * std::fabs(b)) << lines[i];
        }
    }
}

// poles: the table of an RC low-pass (one natural frequency, two functions),
// the note of a document without a harmonic source, and the readable form.
TEST(CliTest, PolesOfExamples) {
    Outcome o = RunCli({"poles", kExamples + "rc_lowpass.scm", "--csv"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err, "");
    ExpectPoleRows(o.out, {"output,kind,re,im", ",pole,-1000,0", "|U(C1)/U(U1)|,pole,-1000,0",
                           "|U(C1)/U(U1)|,gain,1000,0", "|U(R1)/U(U1)|,zero,0,0",
                           "|U(R1)/U(U1)|,pole,-1000,0", "|U(R1)/U(U1)|,gain,1,0"});

    o = RunCli({"poles", kExamples + "square_wave_rc.scm", "--csv"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.err,
              "Присоедините 1 гармонический источник\nко входу, чтобы рассчитать АЧХ/ФЧХ.\n");
    ExpectPoleRows(o.out, {"output,kind,re,im", ",pole,-500,0"});

    o = RunCli({"poles", kExamples + "rlc_series.scm"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_NE(o.out.find("Собственные частоты цепи: 2"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("Передаточная функция U(C1)/U(U1)"), std::string::npos) << o.out;
}

TEST(CliTest, PolesOfACircuitThatFailsTheCheck) {
    TempFolder folder;
    WriteLooseCircuit(folder / "loose.scm");
    const Outcome o = RunCli({"poles", folder / "loose.scm", "--csv"});
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "Резистор : элемент не соединен.\nR2\n");
    EXPECT_EQ(RunCli({"poles"}).exitCode, 2);
    EXPECT_EQ(RunCli({"poles", folder / "loose.scm", "--bode"}).exitCode, 2);
}

// A circuit whose dense state form would not fit under the address-space limit
// is refused with the message before anything large is allocated.
TEST(CliTest, PolesOfACircuitTooLargeForTheMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the limit";
#endif
    TempFolder folder;
    const std::string ladder = std::string(KORVANIX_LADDER) + " 3000 " + folder.Path().string();
    ASSERT_EQ(std::system((ladder + " > /dev/null").c_str()), 0);
    const std::string command = "ulimit -v 400000; " + std::string(KORVANIX_CLI) + " poles " +
                                (folder / "rc_ladder_3000_ac.scm") + " --csv > " +
                                (folder / "out") + " 2> " + (folder / "err");
    const int status = std::system(("bash -c '" + command + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 4);
    const std::string err = cli_test::Slurp(folder / "err");
    EXPECT_EQ(err.rfind("Схема слишком велика для расчета полюсов: 3000 неизвестных", 0), 0u)
        << err;
}
