#!/usr/bin/env bash
# Installs a build folder into a temporary root with the prefix a package uses
# (/usr) and checks what lands there. One check per run, so that a missing
# validator skips its own test and no other:
#   files     every file in place and nothing else, the names the desktop entry,
#             the metainfo and the MIME package give each other agreeing, the
#             installed programs running, the manual page covering --help
#   desktop   desktop-file-validate on the menu entry
#   metainfo  appstreamcli validate on the metainfo and on the installed tree
#   mime      update-mime-database takes the MIME package, magic included
#   sniffing  a document is told from Scheme source of the same extension by
#             its content, with GLib's reading of the MIME database
#   manpage   groff renders the manual page without a warning
# Usage: check_install_tree.sh CHECK BUILD_DIR SOURCE_DIR
# shellcheck source-path=SCRIPTDIR
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 files|desktop|metainfo|mime|sniffing|manpage BUILD_DIR SOURCE_DIR" >&2
    exit 2
fi
check="$1"
build="$(cd "$2" && pwd)"
source="$(cd "$3" && pwd)"
# shellcheck source=common.sh
. "$(dirname "$0")/common.sh"

gui=yes
gui_built "$build" || gui=no
case "$check" in
desktop | metainfo | mime | sniffing)
    [ "$gui" = yes ] || skip "the build has no desktop program (KORVANIX_GUI=OFF)"
    ;;
esac

# The tools first: a missing one skips before anything is installed.
need() {
    command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed ($2)"
}
case "$check" in
files) ;;
desktop) need desktop-file-validate desktop-file-utils ;;
metainfo) need appstreamcli appstream ;;
mime) need update-mime-database shared-mime-info ;;
sniffing)
    need update-mime-database shared-mime-info
    need gio libglib2.0-bin
    ;;
manpage) need groff groff-base ;;
*)
    echo "unknown check '$check'" >&2
    exit 2
    ;;
esac

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
cmake="$(cache_value "$build" CMAKE_COMMAND)"
if ! DESTDIR="$root" "${cmake:-cmake}" --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install $build did not complete (is the build up to date?)" >&2
    exit 1
fi

dataroot="$(install_dir "$build" CMAKE_INSTALL_DATAROOTDIR share)"
bindir="$root$(under_prefix /usr "$(install_dir "$build" CMAKE_INSTALL_BINDIR bin)")"
datadir="$root$(under_prefix /usr "$(install_dir "$build" CMAKE_INSTALL_DATADIR "$dataroot")")"
mandir="$root$(under_prefix /usr "$(install_dir "$build" CMAKE_INSTALL_MANDIR "$dataroot/man")")"
version="$(project_version "$build")"

desktop_file="$datadir/applications/$APP_ID.desktop"
metainfo_file="$datadir/metainfo/$APP_ID.metainfo.xml"
mime_package="$datadir/mime/packages/$APP_ID.xml"
app_icon="$datadir/icons/hicolor/scalable/apps/$APP_ID.svg"
mime_icon="$datadir/icons/hicolor/scalable/mimetypes/${MIME_TYPE/\//-}.svg"
man_page="$mandir/man1/korvanix-cli.1"
examples="$datadir/korvanix/examples"

# A key of the desktop entry's main group: desktop_key KEY.
desktop_key() {
    sed -n "s/^$1=//p" "$desktop_file" | head -n 1
}

check_files() {
    local expected=() program path
    while read -r program; do
        expected+=("$bindir/$program")
    done < <(installed_programs "$build")
    expected+=("$man_page")
    for path in "$source"/examples/*.scm; do
        expected+=("$examples/$(basename "$path")")
    done
    if [ "$gui" = yes ]; then
        expected+=("$desktop_file" "$metainfo_file" "$mime_package" "$app_icon" "$mime_icon")
    fi

    for path in "${expected[@]}"; do
        [ -f "$path" ] || fail "not installed: ${path#"$root"}"
    done
    # Tests, benchmarks and tools must stay out of an installation.
    while IFS= read -r path; do
        local known=no wanted
        for wanted in "${expected[@]}"; do
            [ "$path" = "$wanted" ] && known=yes && break
        done
        [ "$known" = yes ] || fail "installed but not expected: ${path#"$root"}"
    done < <(find "$root" -type f -o -type l)

    # The installed programs must not reach into the build or source folders.
    while read -r program; do
        path="$bindir/$program"
        [ -f "$path" ] || continue
        [ -x "$path" ] || fail "not executable: ${path#"$root"}"
        if command -v readelf >/dev/null 2>&1 &&
            readelf -d "$path" | grep -E 'R(UN)?PATH' | grep -qE "$build|$source"; then
            fail "${path#"$root"} keeps a run-time search path into the build tree"
        fi
        if command -v ldd >/dev/null 2>&1; then
            if ldd "$path" | grep -q 'not found'; then
                fail "${path#"$root"} misses libraries: $(ldd "$path" | grep 'not found' | tr -s ' \t\n' ' ')"
            fi
            if ldd "$path" | grep -qE "$build|$source"; then
                fail "${path#"$root"} loads a library from the build tree"
            fi
        fi
    done < <(installed_programs "$build")

    local cli="$bindir/korvanix-cli" usage
    if [ -x "$cli" ]; then
        usage="$("$cli" --help)" || fail "installed korvanix-cli --help failed"
        if [ -f "$examples/rc_lowpass.scm" ] &&
            ! "$cli" netlist "$examples/rc_lowpass.scm" | grep -q '^R1 1 2 1k'; then
            fail "installed korvanix-cli cannot read the installed example rc_lowpass.scm"
        fi
        # Every command and option of the usage text has its place in the
        # manual page (which may describe more: commands in the making).
        if [ -f "$man_page" ]; then
            local word
            while read -r word; do
                grep -qE "^\.B korvanix-cli $word( |$)" "$man_page" ||
                    fail "the manual page's synopsis lacks the command '$word'"
            done < <(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$usage")
            for word in $(grep -oE '(^|[ [])--?[a-z][a-z-]*' <<<"$usage" | tr -d ' [' | sort -u); do
                grep -qF -- "${word//-/\\-}" "$man_page" ||
                    fail "the manual page does not describe the option '$word'"
            done
        fi
    fi
    if [ -f "$man_page" ]; then
        grep -qE "^\.TH KORVANIX-CLI 1 .*\"KORVANIX $version\"" "$man_page" ||
            fail "the manual page's title line does not name KORVANIX $version"
    fi

    [ "$gui" = yes ] || return 0
    if [ -f "$desktop_file" ]; then
        [ "$(desktop_key Icon)" = "$APP_ID" ] ||
            fail "the desktop entry's Icon= is '$(desktop_key Icon)', the installed icon is $APP_ID"
        local exec
        exec="$(desktop_key Exec)"
        [ "$exec" = "korvanix %f" ] || fail "the desktop entry's Exec= is '$exec', not 'korvanix %f'"
        [[ ";$(desktop_key MimeType);" == *";$MIME_TYPE;"* ]] ||
            fail "the desktop entry's MimeType= does not list $MIME_TYPE"
        for key in 'Name\[ru\]' 'Comment\[ru\]' Comment Categories; do
            [ -n "$(desktop_key "$key")" ] || fail "the desktop entry has no ${key//\\/}="
        done
    fi
    if [ -f "$mime_package" ]; then
        grep -q "<mime-type type=\"$MIME_TYPE\">" "$mime_package" ||
            fail "the MIME package does not declare $MIME_TYPE"
        grep -q '<glob pattern="\*\.scm"/>' "$mime_package" ||
            fail "the MIME package has no glob for *.scm"
    fi
    if [ -f "$metainfo_file" ]; then
        local fragment
        for fragment in "<id>$APP_ID</id>" \
            "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" \
            "<mediatype>$MIME_TYPE</mediatype>"; do
            grep -qF "$fragment" "$metainfo_file" || fail "the metainfo lacks $fragment"
        done
        while read -r program; do
            [ -x "$bindir/$program" ] || fail "the metainfo provides '$program', which is not installed"
        done < <(sed -n 's/.*<binary>\(.*\)<\/binary>.*/\1/p' "$metainfo_file")
        local newest
        newest="$(grep -o '<release version="[^"]*"' "$metainfo_file" | head -n 1 | cut -d'"' -f2)"
        [ "$newest" = "$version" ] ||
            fail "the metainfo's newest release is '$newest', the project is $version"
    fi
}

check_desktop() {
    local report status=0
    report="$(desktop-file-validate "$desktop_file" 2>&1)" || status=$?
    [ -z "$report" ] || echo "$report"
    [ "$status" -eq 0 ] || fail "desktop-file-validate rejects the desktop entry"
    # Hints are advice; errors and warnings are not.
    if grep -qE ': (error|warning):' <<<"$report"; then
        fail "desktop-file-validate reports errors or warnings"
    fi
}

check_metainfo() {
    # --strict fails on warnings and infos too; pedantic hints are shown only.
    appstreamcli validate --no-net --strict --pedantic "$metainfo_file" ||
        fail "appstreamcli rejects the metainfo"
    # The whole tree too: the launchable must name an installed desktop entry.
    appstreamcli validate-tree --no-net --strict "$root" ||
        fail "appstreamcli rejects the installed tree"
}

# Builds the MIME database of the installed package alone.
build_mime_database() {
    XDG_DATA_DIRS="$datadir" update-mime-database "$datadir/mime" ||
        fail "update-mime-database rejects the MIME package"
}

check_mime() {
    build_mime_database
    local type_file="$datadir/mime/$MIME_TYPE.xml"
    if [ ! -f "$type_file" ]; then
        fail "update-mime-database made no ${type_file#"$root"}"
        return
    fi
    grep -q '<comment>' "$type_file" || fail "$MIME_TYPE has no English comment"
    grep -q '<comment xml:lang="ru">' "$type_file" || fail "$MIME_TYPE has no Russian comment"
    grep -q "^50:$MIME_TYPE:\*\.scm" "$datadir/mime/globs2" || fail "$MIME_TYPE is not in globs2 for *.scm"
    # The compiled magic holds real bytes (\x01 escapes read literally would
    # match nothing): after the "[PRIORITY:TYPE]" line, ">0=" with the 2 bytes
    # 01 01, then "1>3=" with the byte 01.
    local magic expected
    magic="$(od -An -v -tx1 "$datadir/mime/magic" | tr -d ' \n')"
    expected="$(printf ':%s]\n>0=' "$MIME_TYPE" | od -An -v -tx1 | tr -d ' \n')000201010a313e333d0001010a"
    grep -q "$expected" <<<"$magic" ||
        fail "the compiled magic of $MIME_TYPE is not 01 01 at offset 0 with 01 at offset 3"
}

check_sniffing() {
    build_mime_database
    local docs="$work/docs"
    mkdir -p "$docs"
    cp "$source/examples/rc_lowpass.scm" "$docs/circuit.scm"
    cp "$source/examples/rlc_series.scm" "$docs/circuit-without-extension"
    printf '(define (square x) (* x x))\n(display (square 3))\n' >"$docs/program.scm"
    # The first two bytes of a document but not the fourth.
    printf '\001\001\017\002 not a circuit' >"$docs/near-miss.bin"

    local name expected actual
    while read -r name expected; do
        actual="$(XDG_DATA_HOME="$datadir" XDG_DATA_DIRS=/usr/share \
            gio info -a standard::content-type "$docs/$name" 2>/dev/null |
            sed -n 's/^ *standard::content-type: //p')"
        case "$expected" in
        !*) [ "$actual" != "${expected#!}" ] || fail "$name is taken for $actual" ;;
        *) [ "$actual" = "$expected" ] || fail "$name is '$actual', not $expected" ;;
        esac
        echo "$name: $actual"
    done <<EOF
circuit.scm $MIME_TYPE
circuit-without-extension $MIME_TYPE
program.scm !$MIME_TYPE
near-miss.bin !$MIME_TYPE
EOF
}

check_manpage() {
    local warnings
    warnings="$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$man_page" 2>&1)" ||
        fail "groff cannot render the manual page"
    [ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
    # The whatis line is what apropos and man -k find the page by.
    if command -v lexgrog >/dev/null 2>&1; then
        lexgrog "$man_page" | grep -q 'korvanix-cli - ' ||
            fail "lexgrog finds no NAME line in the manual page"
    fi
}

case "$check" in
files) check_files ;;
desktop) check_desktop ;;
metainfo) check_metainfo ;;
mime) check_mime ;;
sniffing) check_sniffing ;;
manpage) check_manpage ;;
esac
finish
