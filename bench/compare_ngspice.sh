#!/usr/bin/env bash
# Whole-process timing of korvanix-cli against ngspice on RC ladders.
#
#   bash bench/compare_ngspice.sh [BUILD_FOLDER] [RUNS]
#
# BUILD_FOLDER (default: build) must hold the targets korvanix-cli and make_ladder
# (cmake --build BUILD_FOLDER --target korvanix-cli make_ladder). Needs ngspice
# (Debian package ngspice; scripts/setup.sh installs it) and the usual coreutils;
# installs nothing itself. RUNS (default 5) is how often each command runs; the
# table shows the median wall time of a whole process: start, reading, analysis,
# writing every point to a file.
#
# The ladders have 10, 50, 200 and 500 sections (R 100 Ω, C 1 µF), driven by a
# 1 V, 1 kHz square wave for the transient analysis (5 ms, 2000 points) and by a
# 1 V harmonic source for the frequency analysis (10 Hz to 10 kHz, 1000 points on
# a logarithmic axis, magnitude and phase). Both programs compute the voltages of
# the first and of the last node (the transient decks keep only those: .save).
# bench/compare_ngspice_large.sh adds larger ladders, an RC mesh, an LC line and
# the peak memory of each program.
#
# Accuracy on both sides:
#   korvanix  EPS = 1e-9 V on every series term, MAXITER 100, automatic depth;
#   ngspice   reltol = 1e-6, vntol = 1e-9 V, abstol = 1e-12 A, largest internal
#             step = the output step (2.5 µs), pulse edges of 1 ns.
# The transient columns "error" give each program's largest deviation on node 2
# from a reference: ngspice with tolerances a thousand times tighter and internal
# steps of 0.125 µs (run once, not timed), read linearly between its points (our
# curve 0.5 ns later, since its pulse edges are 1 ns ramps centred there). The
# reference itself is good to about 1e-6 V next to the edges. The frequency
# analyses are exact up to rounding; there "error" is the largest difference
# between the two programs' magnitudes on the same grid.
set -euo pipefail

build="${1:-build}"
runs="${2:-5}"
cli="$build/src/korvanix-cli"
ladder="$build/tests/make_ladder"
source "$(dirname "$0")/require_tools.sh"
require_tools "$build" "$cli" "$ladder"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b / a }'; }

printf '%-10s %8s %11s %11s %7s %12s %12s\n' analysis sections korvanix,s ngspice,s ratio \
    "our error" "its error"
for n in 10 50 200 500; do
    "$ladder" "$n" "$work" --eps 1e-9 --reltol 1e-6 --vntol 1e-9 --abstol 1e-12
    base="$work/rc_ladder_$n"
    ngspice -b "${base}_ref.cir" >/dev/null 2>&1 || true

    ours=$(median_time "$cli" transient "$base.scm" --csv --quiet -o "$base.csv")
    theirs=$(median_time ngspice -b "${base}_tran.cir")
    our_error=$("$ladder" compare "$base.csv" "${base}_ref.out" 5e-10 | cut -d' ' -f1)
    its_error=$("$ladder" compare "${base}_tran.out" "${base}_ref.out" | cut -d' ' -f1)
    printf '%-10s %8d %11.4f %11.4f %7s %12.2e %12.2e\n' transient "$n" "$ours" "$theirs" \
        "$(ratio "$ours" "$theirs")" "$our_error" "$its_error"

    ours=$(median_time "$cli" frequency "${base}_ac.scm" --csv --quiet -o "${base}_ac.csv")
    theirs=$(median_time ngspice -b "${base}_ac.cir")
    difference=$("$ladder" compare "${base}_ac.csv" "${base}_ac.out" | cut -d' ' -f1)
    printf '%-10s %8d %11.4f %11.4f %7s %12.2e %12s\n' frequency "$n" "$ours" "$theirs" \
        "$(ratio "$ours" "$theirs")" "$difference" "-"
done
echo "ratio = ngspice time / korvanix time: above 1 means korvanix is faster."
