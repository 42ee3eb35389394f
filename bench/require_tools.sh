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
