#pragma once

// The pole-zero analysis' results as text: the comma-separated table of the
// batch tool, the readable report, and H(s) in factored and expanded form, as
// plain text and as LaTeX.

#include "analysis/PoleZeroAnalysis.h"

#include <string>

namespace korvanix::analysis {

// output,kind,re,im and a row per value: natural frequencies with an empty
// output, then each function's zeros, poles and gain; with a sweep the run and
// its value lead every row, as in the frequency analysis' table.
std::string PoleZeroCsv(const PoleZeroReport& report);

// The readable report: natural frequencies, then each transfer function.
std::string PoleZeroText(const PoleZeroReport& report);

// The table of roots with their figures, one line each, multiplicities joined.
std::string RootTableText(const std::vector<Root>& roots);

// H(s) = K (s + 1k)(s^2 + 2k s + 4M) / (...), numbers with SI prefixes.
std::string FactoredText(const Zpk& h);
// H(s) = (b_m s^m + ... + b_0) / (s^n + ... + a_0).
std::string ExpandedText(const Zpk& h);
std::string FactoredLatex(const Zpk& h);
std::string ExpandedLatex(const Zpk& h);
// "y(t) = 1 - 1.0 e^(-1k t) + ..." for t > 0; empty when there is no formula.
std::string ResponseText(const std::optional<Response>& r, const char* name);

// A number with an SI prefix and `digits` significant digits ("4.7k", "-12.5µ").
std::string PrefixedNumber(double v, int digits = 6);

} // namespace korvanix::analysis
