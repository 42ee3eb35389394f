#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those
# missing), then configures and builds into the folder given as $1 (default:
# build). ngspice is the independent simulator the slow tests compare with;
# fonts-dejavu-extra brings the oblique faces the font dialog tests open on;
# qt6-svg-dev writes graph pictures as SVG. The installation tests check the
# desktop files with desktop-file-utils, appstream, shared-mime-info and
# libglib2.0-bin (gio reads the MIME database as file managers do), render the
# manual page with groff-base, and build the Debian package with dpkg-dev's
# dpkg-shlibdeps (which cpack runs after asking file what each file is).
# liblapack-dev gives the pole-zero analysis LAPACK's balanced eigensolvers;
# libopenblas0-pthread is Debian's optimised build of the same routines, taken
# at run time in place of the reference one (five times faster on large circuits).
# Further CMake options may follow the folder.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev locales ngspice clang-format qt6-base-dev qt6-translations-l10n libgl-dev fonts-dejavu-core fonts-dejavu-extra qt6-svg-dev desktop-file-utils appstream shared-mime-info libglib2.0-bin groff-base dpkg-dev file liblapack-dev libopenblas0-pthread)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi

build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" -j"$(nproc)"
