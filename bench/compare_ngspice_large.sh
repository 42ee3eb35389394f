#!/usr/bin/env bash
# Whole-process time, peak memory and accuracy of korvanix-cli against ngspice
# on large circuits.
#
#   bash bench/compare_ngspice_large.sh [BUILD_FOLDER] [RUNS] [FOLDER]
#
# BUILD_FOLDER (default: build) must hold the targets korvanix-cli and make_ladder
# (cmake --build BUILD_FOLDER --target korvanix-cli make_ladder). Needs ngspice
# (Debian package ngspice; scripts/setup.sh installs it), /usr/bin/time (Debian
# package time: apt-get install time) and the usual coreutils; installs nothing
# itself. RUNS (default 3) is how often each command runs, ours and ngspice's in
# turn; the table shows the median wall time of a whole process (start, reading,
# analysis, writing every point to a file) and the largest resident memory of
# any run. FOLDER, when given, keeps the documents, decks and curves; otherwise
# they go to a temporary folder that is removed at the end.
#
# Rows (transient analysis, 5 ms in 2000 points, every source the 1 V, 1 kHz
# square wave of compare_ngspice.sh):
#   ladder N     the RC ladders of compare_ngspice.sh (R 100 Ω, C 1 µF);
#   ladder* 500  the same 500 sections with our EPS 1e-10 against ngspice at its
#                default tolerances (no .options line; its largest internal
#                step is still the output step);
#   mesh 50x50   a 50 × 50 grid of nodes, R 100 Ω between neighbours, C 10 nF
#                from every node to ground, driven at a corner through 100 Ω.
#                RC = 1 µs lets the charge spread over the 50 nodes of a side
#                within the first millisecond (a diffusion over n nodes takes
#                about n²·RC/4), so the opposite corner rises to about 0.2 V by
#                5 ms, while the fastest mode (8/RC) stays within reach of our
#                2.5 µs steps: 8·h/RC = 20 takes about 50 series terms a step,
#                at most 72 of MAXITER 100 (at 32, a step misses the accuracy);
#   line 1000    1000 sections of series L 100 µH and shunt C 10 nF, driven
#                through sqrt(L/C) = 100 Ω and loaded by 100 Ω: the wave arrives
#                after 1000·sqrt(LC) = 1 ms, and every edge leaves ringing near
#                the cut-off 1/(π·sqrt(LC)) ≈ 318 kHz.
# make_ladder (its "mesh" and "line" forms) writes both the documents and the
# decks; the decks keep only the two vectors they write (.save).
#
# Accuracy on both sides, as in compare_ngspice.sh except in row ladder*:
#   korvanix  EPS = 1e-9 V on every series term, MAXITER 100, automatic depth;
#   ngspice   reltol = 1e-6, vntol = 1e-9 V, abstol = 1e-12 A, largest internal
#             step = the output step (2.5 µs), pulse edges of 1 ns.
# "error" is each program's largest deviation, over every point it writes, from
# the exact response on one node (make_ladder exact: the exponential of the
# state equations over each step, evaluated at that program's own times, so
# nothing is read between rows); in brackets the same relative to the exact
# curve's range. ngspice's curve is measured against the exact response 0.5 ns
# earlier, since its pulse edges are 1 ns ramps starting on the edge (the step
# response delayed by half a ramp differs from the ramp's by about 1e-8 V here).
# The node: a ladder's node 2, the mesh's neighbour of the driven corner, the
# line's loaded end.
# "terms" is the mean and the largest number of series terms of our steps, from
# one untimed run that writes the table with the step counts.
set -euo pipefail

build="${1:-build}"
runs="${2:-3}"
cli="$build/src/korvanix-cli"
maker="$build/tests/make_ladder"
source "$(dirname "$0")/require_tools.sh"
require_tools "$build" "$cli" "$maker"
if [ ! -x /usr/bin/time ]; then
    echo "/usr/bin/time is missing: the peak memory needs it (Debian package time:" \
        "apt-get install time)" >&2
    exit 2
fi

if [ -n "${3:-}" ]; then
    work="$3"
    mkdir -p "$work"
else
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
fi
tolerances=(--reltol 1e-6 --vntol 1e-9 --abstol 1e-12)
notes=()

median() {
    sort -g | awk '{ t[NR] = $1 } END {
        if (NR % 2) print t[(NR + 1) / 2]; else print (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# One run: prints "seconds kilobytes exit-status"; the output goes to $work/run.log.
run_once() {
    local start end status
    start=$(date +%s.%N)
    status=0
    /usr/bin/time -f %M -o "$work/memory" "$@" >"$work/run.log" 2>&1 || status=$?
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" -v s="$status" -v m="$(tail -n 1 "$work/memory")" \
        'BEGIN { printf "%.6f %d %d\n", b - a, m, s }'
}

# Times RUNS runs of ours and of ngspice's in turn. Sets ours_s, ours_mb, theirs_s,
# theirs_mb; notes a run of ours that fails and an ngspice run that writes no
# curves (ngspice -b ends with status 1 after a .control block even when it
# succeeds, so its curves tell).
time_pair() {
    local label="$1" scm="$2" csv="$3" deck="$4" out="$5"
    local our_times=() our_memory=() their_times=() their_memory=()
    local t m s
    for _ in $(seq "$runs"); do
        read -r t m s < <(run_once "$cli" transient "$scm" --csv --quiet -o "$csv")
        our_times+=("$t")
        our_memory+=("$m")
        if [ "$s" -ne 0 ]; then
            notes+=("$label: korvanix-cli exited with $s: $(tr '\n' ' ' <"$work/run.log")")
        fi
        rm -f "$out"
        read -r t m _ < <(run_once ngspice -b "$deck")
        their_times+=("$t")
        their_memory+=("$m")
        if [ ! -s "$out" ]; then
            notes+=("$label: ngspice wrote no curves: $(tail -n 3 "$work/run.log" | tr '\n' ' ')")
        fi
    done
    ours_s=$(printf '%s\n' "${our_times[@]}" | median)
    theirs_s=$(printf '%s\n' "${their_times[@]}" | median)
    ours_mb=$(printf '%s\n' "${our_memory[@]}" | sort -g | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }')
    theirs_mb=$(printf '%s\n' "${their_memory[@]}" | sort -g | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }')
}

# "absolute (relative)" of CURVES against the exact response of CIRCUIT SIZE at
# its times moved by SHIFT: error_of CURVES CIRCUIT SIZE SHIFT CURVE.
error_of() {
    local exact="$work/exact.out"
    "$maker" exact "$2" "$3" "$exact" --at "$1" "$4"
    "$maker" compare "$1" "$exact" 0 "$5" |
        awk '{ printf "%.2e (%.1e)", $1, ($3 > 0 ? $1 / $3 : 0) }'
}

# Mean and largest number of series terms of our steps (the table's last column;
# the first point is the initial state).
terms_of() {
    "$cli" transient "$1" --quiet -o "$work/terms.txt" >/dev/null 2>&1 || true
    awk 'NR > 4 { gsub(/\r/, ""); n++; s += $NF; if ($NF > m) m = $NF }
        END { if (n) printf "%.1f/%d", s / n, m; else print "-" }' "$work/terms.txt"
}

row() {
    printf '%-8s %6s %11.3f %11.3f %7s %8s %8s  %-19s %-19s %s\n' "$1" "$2" "$ours_s" \
        "$theirs_s" "$(awk -v a="$ours_s" -v b="$theirs_s" 'BEGIN { printf "%.2f", b / a }')" \
        "$ours_mb" "$theirs_mb" "$3" "$4" "$5"
}

# Times both programs and prints a row. CIRCUIT SIZE: the exact response's
# circuit; CURVE: which written node the error is measured on.
compare_circuit() {
    local label="$1" size="$2" base="$3" circuit="$4" n="$5" curve="$6"
    time_pair "$label $size" "$base.scm" "$base.csv" "${base}_tran.cir" "${base}_tran.out"
    row "$label" "$size" "$(error_of "$base.csv" "$circuit" "$n" 0 "$curve")" \
        "$(error_of "${base}_tran.out" "$circuit" "$n" -5e-10 "$curve")" \
        "$(terms_of "$base.scm")"
}

printf '%-8s %6s %11s %11s %7s %8s %8s  %-19s %-19s %s\n' circuit size korvanix,s ngspice,s \
    ratio "our MB" "its MB" "our error (rel)" "its error (rel)" terms
for n in 500 1000 2000 5000; do
    "$maker" "$n" "$work" --eps 1e-9 "${tolerances[@]}"
    compare_circuit ladder "$n" "$work/rc_ladder_$n" ladder "$n" 1
    if [ "$n" -eq 500 ]; then
        mkdir -p "$work/defaults"
        "$maker" 500 "$work/defaults" --eps 1e-10 --spice-defaults "${tolerances[@]}"
        base="$work/defaults/rc_ladder_500"
        time_pair "ladder* 500" "$base.scm" "$base.csv" "${base}_tran.cir" "${base}_tran.out"
        row "ladder*" 500 "$(error_of "$base.csv" ladder 500 0 1)" \
            "$(error_of "${base}_tran.out" ladder 500 -5e-10 1)" "$(terms_of "$base.scm")"
    fi
done
"$maker" mesh 50 "$work" --eps 1e-9 "${tolerances[@]}"
compare_circuit mesh 50x50 "$work/rc_mesh_50" mesh 50 1
"$maker" line 1000 "$work" --eps 1e-9 "${tolerances[@]}"
compare_circuit line 1000 "$work/lc_line_1000" line 1000 2
echo "ratio = ngspice time / korvanix time: above 1 means korvanix is faster."
echo "ladder*: our EPS 1e-10, ngspice at its default tolerances."
for note in "${notes[@]+"${notes[@]}"}"; do
    echo "$note"
done
