// The RC ladders of the whole-process benchmark against an independent simulator.
//
//   make_ladder SECTIONS FOLDER [--eps E] [--reltol R] [--abstol A] [--vntol V]
//     writes rc_ladder_SECTIONS.scm (square-wave source, transient settings),
//     rc_ladder_SECTIONS_ac.scm (harmonic source, frequency settings) and the
//     equivalent SPICE decks rc_ladder_SECTIONS_tran.cir and _ac.cir into FOLDER;
//     the decks write their curves to rc_ladder_SECTIONS_tran.out and _ac.out
//     there. E is our EPS; R, A and V the simulator's tolerances.
//   make_ladder compare CURVES REFERENCE.out [SHIFT]
//     prints the largest difference between the first curve of CURVES (our CSV
//     table, or a simulator's .out file) and the reference's first vector,
//     interpolated linearly at x + SHIFT for each x of CURVES, and the x where it
//     occurs. The ladders' first curve is the voltage of node 2.
//
// Besides the two decks it times, the generator writes rc_ladder_SECTIONS_ref.cir,
// the same transient with tolerances a thousand times tighter and internal steps
// of a twentieth of the output step: the reference both are measured against.

#include "RcLadder.h"

#include "document/Document.h"
#include "model/Value.h"
#include "netlist/SpiceDeck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using korvanix::model::FormatNumber;

int Usage() {
    std::fprintf(stderr, "Usage: make_ladder SECTIONS FOLDER [--eps E] [--reltol R] [--abstol A] "
                         "[--vntol V]\n       make_ladder compare CURVES REFERENCE.out [SHIFT]\n");
    return 2;
}

std::string Num(double v) {
    return FormatNumber(v, 17);
}

class SilentPrompts : public korvanix::document::DocumentPrompts {
public:
    korvanix::document::Answer Ask(const std::string&, bool) override {
        return korvanix::document::Answer::No;
    }
    void Warn(const std::string& message) override { warning = message; }
    bool ChooseSavePath(const std::string&, std::string&) override { return false; }
    std::string warning;
};

bool Save(korvanix::document::Document& doc, const std::string& path) {
    SilentPrompts prompts;
    const korvanix::document::SaveResult saved = doc.SaveAs(path, prompts);
    if (!saved.saved)
        std::fprintf(stderr, "%s: %s\n", path.c_str(),
                     (saved.message.empty() ? prompts.warning : saved.message).c_str());
    return saved.saved;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

struct Tolerances {
    double reltol = 1e-3;
    double abstol = 1e-12;
    double vntol = 1e-6;
};

std::string Options(const Tolerances& t) {
    return ".options reltol=" + Num(t.reltol) + " abstol=" + Num(t.abstol) +
           " vntol=" + Num(t.vntol) + "\n";
}

int Generate(int sections, const std::string& folder, double eps, const Tolerances& tol) {
    using korvanix::tools::LadderShape;
    const std::string base = folder + "/rc_ladder_" + std::to_string(sections);

    LadderShape entry;
    entry.sections = sections;
    entry.eps = eps;
    korvanix::document::Document pulse;
    const int last = korvanix::tools::BuildRcLadder(pulse, entry);
    if (!Save(pulse, base + ".scm"))
        return 1;
    // The simulator's step is ours; its largest internal step too, so it cannot
    // stride across our grid.
    const double step = entry.endTime / entry.points;
    const std::string node = "v(2) v(" + std::to_string(last) + ")";
    const std::string tran = "RC ladder, " + std::to_string(sections) + " sections, square wave\n" +
                             korvanix::netlist::SpiceElementLines(pulse.scheme) + Options(tol) +
                             ".tran " + Num(step) + " " + Num(entry.endTime) + " 0 " + Num(step) +
                             " uic\n.control\nset wr_singlescale\n" +
                             "set wr_vecnames\noption numdgt=15\nrun\nwrdata " + base +
                             "_tran.out " + node + "\n.endc\n.end\n";
    if (!WriteText(base + "_tran.cir", tran))
        return 1;
    Tolerances tight = tol;
    tight.reltol /= 1000;
    tight.abstol /= 1000;
    tight.vntol /= 1000;
    const std::string reference =
        "RC ladder, " + std::to_string(sections) + " sections, square wave, reference\n" +
        korvanix::netlist::SpiceElementLines(pulse.scheme) + Options(tight) + ".tran " + Num(step) +
        " " + Num(entry.endTime) + " 0 " + Num(step / 20) +
        " uic\n.control\nset wr_singlescale\nset wr_vecnames\noption numdgt=15\nrun\nwrdata " +
        base + "_ref.out " + node + "\n.endc\n.end\n";
    if (!WriteText(base + "_ref.cir", reference))
        return 1;

    entry.harmonic = true;
    korvanix::document::Document harmonic;
    korvanix::tools::BuildRcLadder(harmonic, entry);
    if (!Save(harmonic, base + "_ac.scm"))
        return 1;
    // 1000 points over three decades: 333 a decade.
    const int perDecade = static_cast<int>(std::lround(
        (entry.frequencyPoints - 1) / std::log10(entry.endFrequency / entry.startFrequency)));
    const std::string ac = "RC ladder, " + std::to_string(sections) + " sections, harmonic\n" +
                           korvanix::netlist::SpiceElementLines(harmonic.scheme) + ".ac dec " +
                           std::to_string(perDecade) + " " + Num(entry.startFrequency) + " " +
                           Num(entry.endFrequency) +
                           "\n.control\nset wr_singlescale\nset wr_vecnames\noption numdgt=15\n" +
                           "run\nwrdata " + base + "_ac.out vm(2) vm(" + std::to_string(last) +
                           ") vp(2) vp(" + std::to_string(last) + ")\n.endc\n.end\n";
    return WriteText(base + "_ac.cir", ac) ? 0 : 1;
}

// Rows of numbers after a header line; the separator is a comma or blanks.
std::vector<std::vector<double>> ReadTable(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::vector<double>> rows;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream fields(line);
        std::vector<double> row;
        double v = 0;
        while (fields >> v)
            row.push_back(v);
        if (!row.empty())
            rows.push_back(row);
    }
    return rows;
}

int Compare(const std::string& oursPath, const std::string& theirsPath, double shift) {
    // Our CSV starts with the run column; a simulator's file with x.
    const bool csv = oursPath.size() > 4 && oursPath.substr(oursPath.size() - 4) == ".csv";
    const std::size_t xColumn = csv ? 1 : 0;
    const auto ours = ReadTable(oursPath);
    const auto theirs = ReadTable(theirsPath); // x, vector...
    if (ours.empty() || theirs.size() < 2) {
        std::fprintf(stderr, "nothing to compare\n");
        return 1;
    }
    double worst = 0;
    double worstAt = 0;
    std::size_t j = 1;
    for (const auto& row : ours) {
        if (row.size() < xColumn + 2)
            continue;
        const double x = row[xColumn] + shift;
        if (x < theirs.front()[0] || x > theirs.back()[0])
            continue;
        while (j + 1 < theirs.size() && theirs[j][0] < x)
            ++j;
        const auto& a = theirs[j - 1];
        const auto& b = theirs[j];
        const double w = b[0] > a[0] ? (x - a[0]) / (b[0] - a[0]) : 0;
        const double value = a[1] + w * (b[1] - a[1]);
        const double d = std::fabs(row[xColumn + 1] - value);
        if (d > worst) {
            worst = d;
            worstAt = row[xColumn];
        }
    }
    std::printf("%s %s\n", Num(worst).c_str(), Num(worstAt).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if ((args.size() == 3 || args.size() == 4) && args[0] == "compare")
        return Compare(args[1], args[2],
                       args.size() == 4 ? std::strtod(args[3].c_str(), nullptr) : 0);
    if (args.size() < 2 || args.size() % 2 != 0)
        return Usage();
    char* end = nullptr;
    const long sections = std::strtol(args[0].c_str(), &end, 10);
    if (*end != '\0' || sections < 1 || sections > 100000)
        return Usage();
    double eps = korvanix::tools::LadderShape{}.eps;
    Tolerances tol;
    for (std::size_t i = 2; i + 1 < args.size(); i += 2) {
        const double v = std::strtod(args[i + 1].c_str(), &end);
        if (*end != '\0' || !(v > 0))
            return Usage();
        if (args[i] == "--eps")
            eps = v;
        else if (args[i] == "--reltol")
            tol.reltol = v;
        else if (args[i] == "--abstol")
            tol.abstol = v;
        else if (args[i] == "--vntol")
            tol.vntol = v;
        else
            return Usage();
    }
    return Generate(static_cast<int>(sections), args[1], eps, tol);
}
