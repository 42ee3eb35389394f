#!/usr/bin/env bash
# The natural frequencies of RC ladders from korvanix-cli poles and from
# ngspice's .pz, each against the closed form, with whole-process times.
#
#   bash bench/compare_poles_ngspice.sh [BUILD_FOLDER] [RUNS] [SIZES...]
#
# BUILD_FOLDER (default: build) must hold korvanix-cli and make_ladder. Needs
# ngspice and awk; installs nothing. RUNS (default 3) is how often each command
# runs for its median wall time. SIZES default to 10 50 100 200 500 1000.
#
# The ladders have N sections (R 100 Ω, C 1 µF) driven by a voltage source and
# open at the end; their natural frequencies are
#   p_k = -(2/RC)(1 - cos((2k-1)π/(2N+1))),  k = 1..N.
# korvanix-cli poles prints them with 17 digits. ngspice gets the deck that
# korvanix-cli spice writes for the same document, its analyses replaced by
# ".pz 1 0 N+1 0 vol pol" and "option numdgt=15". "error" is the largest
# relative deviation of a sorted list from the sorted closed forms; a missing
# or failed list shows as "-" with the count that came out.
set -euo pipefail

build="${1:-build}"
runs="${2:-3}"
shift 2 || shift $# || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 50 100 200 500 1000)
cli="$build/src/korvanix-cli"
ladder="$build/tests/make_ladder"
source "$(dirname "$0")/require_tools.sh"
require_tools "$build" "$cli" "$ladder"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Largest relative error of the values on standard input (one per line)
# against the closed form for N sections, R, C; "- (count)" when the count is wrong.
errors() {
    sort -g | awk -v n="$1" -v r=100 -v c=1e-6 '
        { got[++m] = $1 }
        END {
            if (m != n) { printf "- (%d of %d)", m, n; exit }
            pi = atan2(0, -1)
            for (k = 1; k <= n; ++k)
                want[k] = -(2 / (r * c)) * (1 - cos((2 * k - 1) * pi / (2 * n + 1)))
            # Both sorted ascending: the most negative first.
            worst = 0
            for (k = 1; k <= n; ++k) {
                w = want[n + 1 - k]; e = (got[k] - w) / w; if (e < 0) e = -e
                if (e > worst) worst = e
            }
            printf "%.2e", worst
        }'
}

printf '%-6s %-16s %-10s %-16s %-10s\n' "N" "korvanix error" "time, s" "ngspice error" "time, s"
for n in "${sizes[@]}"; do
    "$ladder" "$n" "$work" >/dev/null
    doc="$work/rc_ladder_${n}_ac.scm"
    "$cli" poles "$doc" --csv -o "$work/ours.csv"
    ours_error=$(awk -F, '$1 == "" && $2 == "pole" { print $3 }' "$work/ours.csv" | errors "$n")
    ours_time=$(median_time timeout 600 "$cli" poles "$doc" --csv -o "$work/ours.csv")

    "$cli" spice "$doc" -o "$work/full.cir"
    deck="$work/pz.cir"
    awk '/^\.(options|tran|ac|control)/ { exit } { print }' "$work/full.cir" >"$deck"
    printf '.pz 1 0 %d 0 vol pol\n.control\noption numdgt=15\nrun\nprint all\n.endc\n.end\n' \
        $((n + 1)) >>"$deck"
    (cd "$work" && timeout 600 ngspice -b pz.cir >ngspice.out 2>&1) || true
    theirs_error=$(awk -F'[=,]' '/^pole\(/ { print $2 + 0 }' "$work/ngspice.out" | errors "$n")
    theirs_time=$(cd "$work" && median_time timeout 600 ngspice -b pz.cir)
    printf '%-6s %-16s %-10s %-16s %-10s\n' "$n" "$ours_error" "$ours_time" "$theirs_error" \
        "$theirs_time"
done
