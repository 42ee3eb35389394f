# Sourced by the comparison scripts: require_tools BUILD_FOLDER TOOL... stops the
# script with status 2 and a hint when a built tool or ngspice is missing.
require_tools() {
    local build="$1"
    shift
    for tool in "$@"; do
        if [ ! -x "$tool" ]; then
            echo "missing $tool: cmake --build $build --target korvanix-cli make_ladder" >&2
            exit 2
        fi
    done
    if ! command -v ngspice >/dev/null 2>&1; then
        echo "ngspice is not installed (Debian package ngspice)" >&2
        exit 2
    fi
}

# Median wall time in seconds of $runs runs of a command (output discarded; a
# run that fails still counts, as the time it took to fail).
median_time() {
    local times=()
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || true
        end=$(date +%s.%N)
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ t[NR] = $1 } END {
        if (NR % 2) print t[(NR + 1) / 2]; else print (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}
