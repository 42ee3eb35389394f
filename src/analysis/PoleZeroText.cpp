#include "analysis/PoleZeroText.h"

#include "graph/CsvTable.h"
#include "model/Value.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

namespace korvanix::analysis {

namespace {

using LComplex = std::complex<long double>;

// A number with `digits` significant digits; K beyond double's range is
// written from its long double value.
std::string LongText(long double v, int digits) {
    const double d = static_cast<double>(v);
    if (std::isfinite(d) && (d != 0 || v == 0))
        return model::FormatNumber(d, digits);
    char text[64];
    std::snprintf(text, sizeof text, "%.*Le", digits - 1, v);
    return text;
}

std::string Exact(double v) {
    return LongText(v, 17);
}

std::string ExactLong(long double v) {
    return LongText(v, 17);
}

std::string Readable(double v) {
    return LongText(v, 10);
}

std::string ReadableLong(long double v) {
    return LongText(v, 10);
}

void AddRow(std::string& out, const std::string& lead, const std::string& output, const char* kind,
            const std::string& re, const std::string& im) {
    out += lead + graph::CsvField(output) + "," + kind + "," + re + "," + im + "\n";
}

// A factor of H's numerator or denominator: (s - r) for a real root, the
// quadratic s^2 - 2 Re s + |r|^2 for a pair (the upper root stands for both).
struct Factor {
    bool quadratic = false;
    double linear = 0; // s^2 + linear s + constant, or s + constant
    double constant = 0;
    int power = 1;
};

std::vector<Factor> Factors(const std::vector<Root>& roots) {
    std::vector<Factor> out;
    for (const RootGroup& g : GroupRoots(roots)) {
        const Root r = g.value;
        if (r.imag() < 0)
            continue; // its upper partner has written the pair
        Factor f;
        f.power = g.multiplicity;
        if (r.imag() > 0) {
            f.quadratic = true;
            f.linear = -2 * r.real();
            f.constant = std::norm(r);
        } else {
            f.constant = -r.real();
        }
        out.push_back(f);
    }
    return out;
}

std::string Signed(double v, bool first) {
    const std::string text = PrefixedNumber(std::fabs(v));
    if (first)
        return v < 0 ? "-" + text : text;
    return v < 0 ? " - " + text : " + " + text;
}

std::string FactorText(const Factor& f, bool latex) {
    std::string text = f.quadratic ? (latex ? "s^2" : "s²") : "s";
    if (f.quadratic && f.linear != 0)
        text += Signed(f.linear, false) + (latex ? "\\,s" : "·s");
    if (f.constant != 0)
        text += Signed(f.constant, false);
    const bool bare = !f.quadratic && f.constant == 0;
    if (!bare)
        text = latex ? "\\left(" + text + "\\right)" : "(" + text + ")";
    if (f.power > 1)
        text += latex ? "^{" + std::to_string(f.power) + "}" : "^" + std::to_string(f.power);
    return text;
}

std::string Product(const std::vector<Root>& roots, bool latex) {
    std::string out;
    for (const Factor& f : Factors(roots))
        out += (out.empty() || latex ? "" : "·") + FactorText(f, latex);
    return out.empty() ? "1" : out;
}

std::string Polynomial(const std::vector<LComplex>& coefficients, long double scale, bool latex) {
    const int degree = static_cast<int>(coefficients.size()) - 1;
    std::string out;
    for (int i = 0; i <= degree; ++i) {
        const long double c = coefficients[static_cast<std::size_t>(i)].real() * scale;
        if (c == 0)
            continue;
        const int power = degree - i;
        const double d = static_cast<double>(c);
        std::string number = std::fabs(d) == 1 && power > 0 ? "" : PrefixedNumber(std::fabs(d));
        if (!std::isfinite(d))
            number = ReadableLong(c < 0 ? -c : c);
        std::string term = number;
        if (power > 0) {
            if (!term.empty())
                term += latex ? "\\," : "·";
            term += "s";
            if (power > 1)
                term += latex ? "^{" + std::to_string(power) + "}" : "^" + std::to_string(power);
        }
        if (out.empty())
            out = (c < 0 ? "-" : "") + term;
        else
            out += (c < 0 ? " - " : " + ") + term;
    }
    return out.empty() ? "0" : out;
}

std::string GainText(long double k) {
    const double d = static_cast<double>(k);
    return std::isfinite(d) ? PrefixedNumber(d) : ReadableLong(k);
}

} // namespace

std::string PrefixedNumber(double v, int digits) {
    if (v == 0)
        return "0";
    if (!std::isfinite(v))
        return v > 0 ? "∞" : v < 0 ? "-∞" : "NaN";
    const double a = std::fabs(v);
    if (a >= 1e15 || a < 1e-15)
        return model::FormatNumber(v, digits);
    static const struct {
        double scale;
        const char* prefix;
    } kPrefixes[] = {{1e12, "T"}, {1e9, "G"},  {1e6, "M"},  {1e3, "k"},  {1, ""},
                     {1e-3, "m"}, {1e-6, "µ"}, {1e-9, "n"}, {1e-12, "p"}};
    for (const auto& p : kPrefixes)
        if (a >= p.scale * (1 - 1e-12))
            return model::FormatNumber(v / p.scale, digits) + p.prefix;
    return model::FormatNumber(v / 1e-15, digits) + "f";
}

std::string PoleZeroCsv(const PoleZeroReport& report) {
    std::string out;
    if (report.sweep)
        out += "run," + graph::CsvField(report.runLabel) + ",";
    out += "output,kind,re,im\n";
    for (std::size_t r = 0; r < report.runs.size(); ++r) {
        const PoleZeroRun& run = report.runs[r];
        const std::string lead =
            report.sweep ? std::to_string(r + 1) + "," + Exact(run.sweptValue) + "," : "";
        for (const Root& p : run.natural)
            AddRow(out, lead, "", "pole", Exact(p.real()), Exact(p.imag()));
        for (const TransferResult& t : run.functions) {
            if (!t.message.empty())
                continue;
            for (const Root& z : t.h.zeros)
                AddRow(out, lead, t.name, "zero", Exact(z.real()), Exact(z.imag()));
            for (const Root& p : t.h.poles)
                AddRow(out, lead, t.name, "pole", Exact(p.real()), Exact(p.imag()));
            AddRow(out, lead, t.name, "gain", ExactLong(t.h.gain), "0");
        }
    }
    return out;
}

namespace {

// Left-aligned in `width` characters (not bytes: the captions are Cyrillic).
std::string Pad(const std::string& text, std::size_t width) {
    std::size_t chars = 0;
    for (unsigned char c : text)
        chars += (c & 0xC0) != 0x80;
    return text + std::string(chars < width ? width - chars : 1, ' ');
}

std::string TableLine(const std::vector<std::string>& cells) {
    static const std::size_t kWidths[] = {4, 20, 20, 13, 13, 11, 11, 12};
    std::string line = "  ";
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += i < std::size(kWidths) ? Pad(cells[i], kWidths[i]) : cells[i];
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line + "\n";
}

} // namespace

std::string RootTableText(const std::vector<Root>& roots) {
    std::string out =
        TableLine({"k", "Re, рад/с", "Im, рад/с", "f, Гц", "ω0, рад/с", "ζ", "Q", "τ, с"});
    int k = 0;
    for (const RootGroup& g : GroupRoots(roots)) {
        const RootFigures f = FiguresOf(g.value);
        std::string flags;
        if (g.multiplicity > 1)
            flags += "кратность " + std::to_string(g.multiplicity);
        if (f.unstable)
            flags += std::string(flags.empty() ? "" : ", ") + "неустойчивый";
        if (f.marginal)
            flags += std::string(flags.empty() ? "" : ", ") + "на границе устойчивости";
        out += TableLine({std::to_string(++k), Readable(f.re), Readable(f.im),
                          PrefixedNumber(f.frequency), PrefixedNumber(f.omega0),
                          model::FormatNumber(f.zeta, 6),
                          f.marginal ? "∞" : model::FormatNumber(f.q, 6),
                          f.real && f.re != 0 ? PrefixedNumber(f.tau) : "-", flags});
    }
    return out;
}

std::string FactoredText(const Zpk& h) {
    if (h.identicallyZero)
        return "H(s) = 0";
    std::string out = "H(s) = " + GainText(h.gain);
    if (!h.zeros.empty())
        out += "·" + Product(h.zeros, false);
    if (!h.poles.empty()) {
        const std::string below = Product(h.poles, false);
        out += Factors(h.poles).size() > 1 ? " / [" + below + "]" : " / " + below;
    }
    return out;
}

std::string ExpandedText(const Zpk& h) {
    if (h.identicallyZero)
        return "H(s) = 0";
    const std::string num = Polynomial(MonicPolynomial(h.zeros), h.gain, false);
    if (h.poles.empty())
        return "H(s) = " + num;
    return "H(s) = (" + num + ") / (" + Polynomial(MonicPolynomial(h.poles), 1, false) + ")";
}

std::string FactoredLatex(const Zpk& h) {
    if (h.identicallyZero)
        return "H(s) = 0";
    const std::string num = GainText(h.gain) + (h.zeros.empty() ? "" : Product(h.zeros, true));
    if (h.poles.empty())
        return "H(s) = " + num;
    return "H(s) = \\frac{" + num + "}{" + Product(h.poles, true) + "}";
}

std::string ExpandedLatex(const Zpk& h) {
    if (h.identicallyZero)
        return "H(s) = 0";
    const std::string num = Polynomial(MonicPolynomial(h.zeros), h.gain, true);
    if (h.poles.empty())
        return "H(s) = " + num;
    return "H(s) = \\frac{" + num + "}{" + Polynomial(MonicPolynomial(h.poles), 1, true) + "}";
}

std::string ResponseText(const std::optional<Response>& r, const char* name) {
    if (!r)
        return {};
    std::string out = std::string(name) + "(t) = ";
    bool first = true;
    for (const ResponseTerm& term : r->terms) {
        const Root p = term.pole;
        if (p.imag() < 0)
            continue; // the upper pole writes the pair as a real damped sinusoid
        const bool pair = p.imag() > 0;
        // c e^(pt) + conj: 2|c| e^(Re t) cos(Im t + arg c).
        const LComplex c = term.coefficient;
        const double magnitude = static_cast<double>(std::abs(c)) * (pair ? 2 : 1);
        if (magnitude == 0)
            continue;
        std::string text;
        if (pair) {
            text = PrefixedNumber(magnitude) + "·";
            if (term.power > 0)
                text += "t" +
                        (term.power > 1 ? "^" + std::to_string(term.power) + "/" +
                                              std::to_string(term.power) + "!"
                                        : std::string()) +
                        "·";
            if (p.real() != 0)
                text += "e^(" + PrefixedNumber(p.real()) + "·t)·";
            text += "cos(" + PrefixedNumber(p.imag()) + "·t";
            // The phase in radians, without a prefix: "m" would read as a unit.
            const double phase = static_cast<double>(std::arg(c));
            if (phase != 0)
                text += (phase < 0 ? " - " : " + ") + model::FormatNumber(std::fabs(phase), 6);
            text += ")";
            out += (first ? "" : " + ") + text;
        } else {
            const double v = static_cast<double>(c.real());
            text = PrefixedNumber(std::fabs(v));
            if (term.power > 0)
                text += "·t" + (term.power > 1 ? "^" + std::to_string(term.power) + "/" +
                                                     std::to_string(term.power) + "!"
                                               : std::string());
            if (p.real() != 0)
                text += "·e^(" + PrefixedNumber(p.real()) + "·t)";
            out += first ? (v < 0 ? "-" : "") + text : (v < 0 ? " - " : " + ") + text;
        }
        first = false;
    }
    if (first)
        out += "0";
    return out;
}

std::string PoleZeroText(const PoleZeroReport& report) {
    std::string out;
    for (std::size_t r = 0; r < report.runs.size(); ++r) {
        const PoleZeroRun& run = report.runs[r];
        if (report.sweep)
            out += "Расчет " + std::to_string(r + 1) + ": " + report.runLabel + " = " +
                   PrefixedNumber(run.sweptValue) + "\n\n";
        out += "Собственные частоты цепи: " + std::to_string(run.natural.size()) + "\n";
        if (run.natural.empty())
            out += "  нет (в цепи нет накопителей энергии)\n";
        else
            out += RootTableText(run.natural);
        for (const TransferResult& t : run.functions) {
            out += "\nПередаточная функция " + t.ratio + "\n";
            if (!t.message.empty()) {
                out += "  " + t.message + "\n";
                continue;
            }
            const Zpk& h = t.h;
            out += "  " + FactoredText(h) + "\n  " + ExpandedText(h) + "\n";
            out += "  K = " + ReadableLong(h.gain) + "\n";
            if (h.identicallyZero)
                continue;
            out += "  Нули: " + std::to_string(h.zeros.size());
            if (h.ZerosAtInfinity() > 0)
                out += ", в бесконечности: " + std::to_string(h.ZerosAtInfinity());
            out += "\n";
            if (!h.zeros.empty())
                out += RootTableText(h.zeros);
            out += "  Полюсы: " + std::to_string(h.poles.size());
            if (h.PolesAtInfinity() > 0)
                out += ", функция несобственная: полюс в бесконечности порядка " +
                       std::to_string(h.PolesAtInfinity());
            out += "\n";
            if (!h.poles.empty())
                out += RootTableText(h.poles);
            if (!h.cancelled.empty()) {
                out += "  Сокращенные пары полюс-нуль (моды, которые вход не возбуждает или "
                       "выход не видит): " +
                       std::to_string(h.cancelled.size()) + "\n";
                out += RootTableText(h.cancelled);
            }
        }
        out += "\n";
    }
    if (!report.sweepMessage.empty())
        out += report.sweepMessage + "\n";
    return out;
}

} // namespace korvanix::analysis
