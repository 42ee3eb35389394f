#!/usr/bin/env bash
# Builds the Debian package of a build folder into a temporary folder and checks
# it: its name and control fields, the dependencies dpkg-shlibdeps found, that
# it holds the programs and the desktop files and nothing else, and that the
# stripped program it carries still runs.
# Usage: check_deb_package.sh CPACK BUILD_DIR
# shellcheck source-path=SCRIPTDIR
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 CPACK BUILD_DIR" >&2
    exit 2
fi
cpack="$1"
build="$(cd "$2" && pwd)"
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

for tool in dpkg-deb dpkg-shlibdeps dpkg; do
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (dpkg-dev)"
done
[ -f "$build/CPackConfig.cmake" ] || {
    echo "FAIL: $build has no CPackConfig.cmake" >&2
    exit 1
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# -B keeps CPack's staging folder out of the build folder.
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G DEB did not complete (is the build up to date?)" >&2
    exit 1
fi

version="$(project_version "$build")"
arch="$(dpkg --print-architecture)"
deb="$work/out/korvanix_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
    echo "FAIL: no korvanix_${version}_${arch}.deb; cpack wrote:" >&2
    find "$work/out" -maxdepth 1 -name '*.deb' >&2
    exit 1
fi
echo "package: $(basename "$deb")"

field() {
    dpkg-deb -f "$deb" "$1"
}
while read -r name expected; do
    actual="$(field "$name")"
    [ "$actual" = "$expected" ] || fail "$name is '$actual', not '$expected'"
done <<EOF
Package korvanix
Version $version
Architecture $arch
Section electronics
EOF
for name in Maintainer Description; do
    [ -n "$(field "$name")" ] || fail "the package has no $name"
done

depends="$(field Depends)"
echo "Depends: $depends"
[ -n "$depends" ] || fail "the package declares no dependencies"
dependencies=(libc6 libstdc++6)
if gui_built "$build"; then
    # Found by dpkg-shlibdeps in the programs, and the platform plugins that
    # Qt loads at run time, which it cannot find.
    dependencies+=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 qt6-qpa-plugins)
fi
# One package name a line: versions dropped, alternatives split.
named="$(sed -e 's/([^)]*)//g' -e 's/[,|]/\n/g' <<<"$depends" | tr -d ' ')"
for package in "${dependencies[@]}"; do
    grep -qxF "$package" <<<"$named" || fail "Depends does not name $package"
done

# The database and cache refreshes come from the triggers of the packages that
# own those folders; the package needs no scripts of its own.
dpkg-deb -e "$deb" "$work/control"
for script in preinst postinst prerm postrm; do
    [ ! -e "$work/control/$script" ] || fail "the package carries a $script script"
done

contents="$(dpkg-deb -c "$deb" | awk '{ print $NF }' | grep -v '/$')"
expected=(./usr/share/man/man1/korvanix-cli.1 ./usr/share/korvanix/examples/rc_lowpass.scm)
while read -r program; do
    expected+=("./usr/bin/$program")
done < <(installed_programs "$build")
if gui_built "$build"; then
    expected+=(
        "./usr/share/applications/$APP_ID.desktop"
        "./usr/share/mime/packages/$APP_ID.xml"
        "./usr/share/icons/hicolor/scalable/apps/$APP_ID.svg"
        "./usr/share/icons/hicolor/scalable/mimetypes/${MIME_TYPE/\//-}.svg"
        "./usr/share/metainfo/$APP_ID.metainfo.xml"
    )
fi
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
# A package installs under /usr alone, and only the three programs go to bin.
while read -r path; do
    case "$path" in
    ./usr/bin/*)
        grep -qxF "$path" < <(printf '%s\n' "${expected[@]}") || fail "the package installs $path"
        ;;
    ./usr/*) ;;
    *) fail "the package installs $path, outside /usr" ;;
    esac
done <<<"$contents"

# The stripped batch tool runs and reads the packaged example.
dpkg-deb -x "$deb" "$work/unpacked"
if ! "$work/unpacked/usr/bin/korvanix-cli" netlist \
    "$work/unpacked/usr/share/korvanix/examples/rc_lowpass.scm" | grep -q '^R1 1 2 1k'; then
    fail "the packaged korvanix-cli cannot read the packaged rc_lowpass.scm"
fi

finish
