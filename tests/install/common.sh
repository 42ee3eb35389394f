# Shared by the installation tests: what a build folder was configured with,
# the names every installed file is found by, and how a test reports.
# shellcheck shell=bash

# shellcheck disable=SC2034 # read by the scripts that source this one
readonly APP_ID=org.korvanix.Korvanix
# shellcheck disable=SC2034
readonly MIME_TYPE=application/x-korvanix-scheme
readonly SKIPPED=77

failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

skip() {
    echo "SKIP: $*"
    exit "$SKIPPED"
}

# Ends the test with the verdict of the checks so far.
finish() {
    if [ "$failures" -gt 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

# A value of the build folder's cache: cache_value BUILD NAME.
cache_value() {
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt" | head -n 1
}

# The project's version, as the package is numbered.
project_version() {
    sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$1/CPackConfig.cmake"
}

# Whether a build folder builds the window programs (CMake's false values).
gui_built() {
    case "$(cache_value "$1" KORVANIX_GUI | tr '[:lower:]' '[:upper:]')" in
    OFF | 0 | FALSE | NO | N | IGNORE | NOTFOUND | *-NOTFOUND) return 1 ;;
    *) return 0 ;;
    esac
}

# The programs a build installs: the window programs only when it builds them.
installed_programs() {
    echo korvanix-cli
    if gui_built "$1"; then
        echo korvanix
        echo korvanix-snapshot
    fi
}

# An installation folder relative to the prefix (an absolute one stays as is):
# install_dir BUILD NAME DEFAULT.
install_dir() {
    local dir
    dir="$(cache_value "$1" "$2")"
    echo "${dir:-$3}"
}

# Joins an installation folder to the prefix the way GNUInstallDirs does.
under_prefix() {
    case "$2" in
    /*) echo "$2" ;;
    *) echo "$1/$2" ;;
    esac
}
