// The circuits of the whole-process benchmarks against an independent simulator.
//
//   make_ladder SECTIONS FOLDER [OPTIONS]
//     writes rc_ladder_SECTIONS.scm (square-wave source, transient settings),
//     rc_ladder_SECTIONS_ac.scm (harmonic source, frequency settings) and the
//     equivalent SPICE decks rc_ladder_SECTIONS_tran.cir and _ac.cir into FOLDER;
//     the decks write their curves to rc_ladder_SECTIONS_tran.out and _ac.out
//     there.
//   make_ladder mesh SIDE FOLDER [OPTIONS]
//     the SIDE × SIDE RC mesh (BenchCircuits.h): rc_mesh_SIDE.scm and
//     rc_mesh_SIDE_tran.cir, which writes rc_mesh_SIDE_tran.out.
//   make_ladder line SECTIONS FOLDER [OPTIONS]
//     the matched LC line: lc_line_SECTIONS.scm and lc_line_SECTIONS_tran.cir.
//   OPTIONS: --eps E (our EPS), --reltol R, --abstol A, --vntol V (the
//     simulator's tolerances), --spice-defaults (the timed deck has no .options
//     line, so the simulator keeps its own tolerances; R, A and V then set only
//     the reference's).
//   make_ladder exact ladder|mesh|line SIZE OUT [ROWS | --at CURVES [SHIFT]]
//     writes the exact response of that circuit (ExactResponse.h) to OUT in the
//     form of a simulator's .out file: time and the two curves, ROWS rows per
//     output step (default 1) from time 0, or one row for each time t of CURVES
//     (our CSV table or a simulator's .out file) holding t and the response at
//     t + SHIFT, so that compare needs no interpolation and no shift.
//   make_ladder compare CURVES REFERENCE.out [SHIFT [CURVE]]
//     prints the largest difference between curve CURVE (default 1) of CURVES
//     (our CSV table, or a simulator's .out file) and the reference's vector of
//     the same place, interpolated linearly at x + SHIFT for each x of CURVES, the
//     x where it occurs and the reference vector's range (largest minus smallest
//     value), the amplitude the difference is measured against. The curves are
//     the voltages of node 2 and of the last node (ladder), of the driven
//     corner's neighbour and of the opposite corner (mesh), of the first
//     section's capacitor and of the loaded end (line).
//
// Besides the transient deck it times, each generator writes NAME_ref.cir, the
// same transient with tolerances a thousand times tighter and internal steps of a
// twentieth of the output step: the reference both programs are measured against.

#include "BenchCircuits.h"
#include "ExactResponse.h"
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
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using korvanix::model::FormatNumber;

int Usage() {
    std::fprintf(stderr,
                 "Usage: make_ladder [mesh|line] SIZE FOLDER [--eps E] [--reltol R] "
                 "[--abstol A] [--vntol V] [--spice-defaults]\n"
                 "       make_ladder exact ladder|mesh|line SIZE OUT [ROWS | --at CURVES [SHIFT]]\n"
                 "       make_ladder compare CURVES REFERENCE.out [SHIFT [CURVE]]\n");
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
    bool spiceDefaults = false; // no .options line in the timed deck
};

std::string Options(const Tolerances& t) {
    return ".options reltol=" + Num(t.reltol) + " abstol=" + Num(t.abstol) +
           " vntol=" + Num(t.vntol) + "\n";
}

// The timed transient deck NAME_tran.cir and the reference NAME_ref.cir, which
// write NAME_tran.out and NAME_ref.out with the voltages of two nodes. The decks
// keep only those two vectors, as we keep only our curves: otherwise the
// simulator holds every node at every internal point, gigabytes on a large
// circuit that rings.
bool WriteTransientDecks(const korvanix::document::Document& doc, const std::string& title,
                         const std::string& base, double step, double endTime, int first,
                         int second, const Tolerances& tol) {
    const std::string lines = korvanix::netlist::SpiceElementLines(doc.scheme);
    const std::string nodes = "v(" + std::to_string(first) + ") v(" + std::to_string(second) + ")";
    const auto deck = [&](const std::string& heading, const std::string& options, double maxStep,
                          const std::string& out) {
        return heading + "\n" + lines + options + ".save " + nodes + "\n.tran " + Num(step) + " " +
               Num(endTime) + " 0 " + Num(maxStep) +
               " uic\n.control\nset wr_singlescale\nset wr_vecnames\noption numdgt=15\nrun\n" +
               "wrdata " + out + " " + nodes + "\n.endc\n.end\n";
    };
    // The simulator's largest internal step is our step, so that it cannot
    // stride across our grid.
    if (!WriteText(base + "_tran.cir", deck(title, tol.spiceDefaults ? std::string() : Options(tol),
                                            step, base + "_tran.out")))
        return false;
    Tolerances tight = tol;
    tight.reltol /= 1000;
    tight.abstol /= 1000;
    tight.vntol /= 1000;
    return WriteText(base + "_ref.cir",
                     deck(title + ", reference", Options(tight), step / 20, base + "_ref.out"));
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
    if (!WriteTransientDecks(pulse,
                             "RC ladder, " + std::to_string(sections) + " sections, square wave",
                             base, entry.endTime / entry.points, entry.endTime, 2, last, tol))
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

// Saves a generated circuit as BASE.scm and writes its decks.
int SaveWithDecks(korvanix::document::Document& doc, korvanix::tools::BenchNodes nodes,
                  const korvanix::tools::BenchTransient& t, const std::string& base,
                  const std::string& title, const Tolerances& tol) {
    if (!Save(doc, base + ".scm"))
        return 1;
    return WriteTransientDecks(doc, title, base, t.endTime / t.points, t.endTime, nodes.first,
                               nodes.second, tol)
               ? 0
               : 1;
}

int GenerateMesh(int side, const std::string& folder, double eps, const Tolerances& tol) {
    const std::string size = std::to_string(side);
    korvanix::tools::MeshShape shape;
    shape.side = side;
    shape.transient.eps = eps;
    korvanix::document::Document doc;
    const korvanix::tools::BenchNodes nodes = korvanix::tools::BuildRcMesh(doc, shape);
    return SaveWithDecks(doc, nodes, shape.transient, folder + "/rc_mesh_" + size,
                         "RC mesh, " + size + " x " + size + " nodes, square wave", tol);
}

int GenerateLine(int sections, const std::string& folder, double eps, const Tolerances& tol) {
    const std::string size = std::to_string(sections);
    korvanix::tools::LineShape shape;
    shape.sections = sections;
    shape.transient.eps = eps;
    korvanix::document::Document doc;
    const korvanix::tools::BenchNodes nodes = korvanix::tools::BuildLcLine(doc, shape);
    return SaveWithDecks(doc, nodes, shape.transient, folder + "/lc_line_" + size,
                         "Matched LC line, " + size + " sections, square wave", tol);
}

bool IsCsv(const std::string& path) {
    return path.size() > 4 && path.substr(path.size() - 4) == ".csv";
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

int Compare(const std::string& oursPath, const std::string& theirsPath, double shift,
            std::size_t curve) {
    // Our CSV starts with the run column; a simulator's file with x.
    const std::size_t xColumn = IsCsv(oursPath) ? 1 : 0;
    const auto ours = ReadTable(oursPath);
    const auto theirs = ReadTable(theirsPath); // x, vector...
    if (ours.empty() || theirs.size() < 2 || theirs.front().size() <= curve) {
        std::fprintf(stderr, "nothing to compare\n");
        return 1;
    }
    double lowest = theirs.front()[curve];
    double highest = lowest;
    for (const auto& row : theirs) {
        if (row.size() <= curve)
            continue;
        lowest = std::min(lowest, row[curve]);
        highest = std::max(highest, row[curve]);
    }
    double worst = 0;
    double worstAt = 0;
    std::size_t j = 1;
    for (const auto& row : ours) {
        if (row.size() <= xColumn + curve)
            continue;
        const double x = row[xColumn] + shift;
        if (x < theirs.front()[0] || x > theirs.back()[0])
            continue;
        while (j + 1 < theirs.size() && theirs[j][0] < x)
            ++j;
        const auto& a = theirs[j - 1];
        const auto& b = theirs[j];
        if (a.size() <= curve || b.size() <= curve)
            continue;
        const double w = b[0] > a[0] ? (x - a[0]) / (b[0] - a[0]) : 0;
        const double value = a[curve] + w * (b[curve] - a[curve]);
        const double d = std::fabs(row[xColumn + curve] - value);
        if (d > worst) {
            worst = d;
            worstAt = row[xColumn];
        }
    }
    std::printf("%s %s %s\n", Num(worst).c_str(), Num(worstAt).c_str(),
                Num(highest - lowest).c_str());
    return 0;
}

int WriteExact(const std::vector<std::string>& args) {
    char* end = nullptr;
    korvanix::tools::ExactRequest request;
    request.circuit = args[1];
    const long size = std::strtol(args[2].c_str(), &end, 10);
    if (*end != '\0' || size < 1 || size > 100000)
        return Usage();
    request.size = static_cast<int>(size);
    std::vector<double> times;
    double shift = 0;
    if (args.size() >= 6 && args[4] == "--at") {
        if (args.size() == 7) {
            shift = std::strtod(args[6].c_str(), &end);
            if (*end != '\0' || !std::isfinite(shift))
                return Usage();
        }
        // Our CSV starts with the run column; a simulator's file with x.
        const std::size_t xColumn = IsCsv(args[5]) ? 1 : 0;
        for (const auto& row : ReadTable(args[5])) {
            if (row.size() > xColumn && row[xColumn] + shift >= 0) {
                times.push_back(row[xColumn]);
                request.times.push_back(row[xColumn] + shift);
            }
        }
        if (request.times.empty()) {
            std::fprintf(stderr, "%s: no times\n", args[5].c_str());
            return 1;
        }
    } else if (args.size() == 5) {
        const long rows = std::strtol(args[4].c_str(), &end, 10);
        if (*end != '\0' || rows < 1 || rows > 1000)
            return Usage();
        request.rowsPerStep = static_cast<int>(rows);
    } else if (args.size() != 4) {
        return Usage();
    }
    auto rows = korvanix::tools::ExactResponse(request);
    // Each row written at the curve's own time (the response times come in the
    // same order, those beyond the end left out).
    for (std::size_t i = 0; i < rows.size() && i < times.size(); ++i)
        rows[i][0] = times[i];
    std::ofstream out(args[3]);
    out << "time first second\n";
    for (const auto& row : rows)
        out << Num(row[0]) << ' ' << Num(row[1]) << ' ' << Num(row[2]) << '\n';
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write\n", args[3].c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    char* end = nullptr;
    if (args.size() >= 3 && args.size() <= 5 && args[0] == "compare") {
        const double shift = args.size() >= 4 ? std::strtod(args[3].c_str(), nullptr) : 0;
        const long curve = args.size() == 5 ? std::strtol(args[4].c_str(), &end, 10) : 1;
        if ((end && *end != '\0') || curve < 1 || curve > 100)
            return Usage();
        return Compare(args[1], args[2], shift, static_cast<std::size_t>(curve));
    }
    if (args.size() >= 4 && args.size() <= 7 && args[0] == "exact") {
        try {
            return WriteExact(args);
        } catch (const std::invalid_argument& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 2;
        }
    }
    std::string circuit = "ladder";
    if (!args.empty() && (args[0] == "mesh" || args[0] == "line")) {
        circuit = args[0];
        args.erase(args.begin());
    }
    if (args.size() < 2)
        return Usage();
    const long size = std::strtol(args[0].c_str(), &end, 10);
    if (*end != '\0' || size < 1 || size > 100000)
        return Usage();
    double eps = korvanix::tools::LadderShape{}.eps;
    Tolerances tol;
    std::size_t i = 2;
    while (i < args.size()) {
        if (args[i] == "--spice-defaults") {
            tol.spiceDefaults = true;
            ++i;
            continue;
        }
        if (i + 1 >= args.size())
            return Usage();
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
        i += 2;
    }
    try {
        if (circuit == "mesh")
            return GenerateMesh(static_cast<int>(size), args[1], eps, tol);
        if (circuit == "line")
            return GenerateLine(static_cast<int>(size), args[1], eps, tol);
        return Generate(static_cast<int>(size), args[1], eps, tol);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
}
