#!/usr/bin/env bash
# Tests the Windows build of scripts/build-windows.sh under wine64 and Xvfb, without Firebird:
#   - the installer installs silently into C:\Tervala and makes its start-menu entry;
#   - the installed tervala.exe answers --version and --help, and a command that needs a
#     database says in Polish that Firebird must be installed and where it looked;
#   - the window starts and shows the same message (a screenshot is kept in build-win/);
#   - the test programs run: every case passes, except those that need a database, which
#     must fail only on the missing Firebird client.
# The wine prefix is build-win/wine (made on the first run, about 20 s).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$repo/build-win
if [ "$(id -u)" -eq 0 ]; then
    cache=${TERVALA_QT_WIN_CACHE:-/var/cache/tervala-qt-win}
    as_root=()
else
    cache=${TERVALA_QT_WIN_CACHE:-$HOME/.cache/tervala-qt-win}
    as_root=(sudo)
fi
qt=$cache/qt-6.4.2
version=$(sed -n 's/^project(Tervala VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$build/Tervala-$version-setup.exe
[ -f "$setup" ] || { echo "No $setup: run scripts/build-windows.sh first" >&2; exit 2; }

packages=(wine64 xvfb x11-apps netpbm poppler-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

export WINEPREFIX=$build/wine WINEDEBUG=-all
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# A Windows path for a Unix one (wine maps / to Z:).
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; '"$wineserver"' -k 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

# --- The installer -------------------------------------------------------------------------
$wine "$setup" /S '/D=C:\Tervala'
"$wineserver" -w
installed=$WINEPREFIX/drive_c/Tervala
[ -f "$installed/tervala.exe" ] || fail "the installer put no tervala.exe into C:\\Tervala"
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tervala/Tervala.lnk" >/dev/null ||
    fail "no start-menu entry"
echo "installed: $(ls "$installed" | tr '\n' ' ')"

# --- The command line ----------------------------------------------------------------------
out=$($wine "$installed/tervala.exe" --version 2>&1 | tr -d '\r') || true
echo "--version: $out"
[[ "$out" == *"$version"* ]] || fail "--version does not name $version"
out=$($wine "$installed/tervala.exe" --help 2>&1 | tr -d '\r') || true
[[ "$out" == *"tervala --help | --version"* ]] || fail "--help: $out"

# A portable home: TV.ini beside the executable, paths with backslashes as before.
printf '[Settings]\r\nHost=\r\nPath_ksu=C:\\Tervala\\BazaDanych\\ksu.fdb\r\nPath=C:\\Lokra\\lokra.fdb\r\n' \
    >"$installed/TV.ini"
out=$($wine "$installed/tervala.exe" check-lokra 2>&1 | tr -d '\r') || true
echo "$out"
[[ "$out" == *"Nie znaleziono biblioteki klienta Firebird (fbclient.dll)"* ]] || fail "no Firebird message"
[[ "$out" == *'C:\Tervala\BazaDanych\ksu.fdb'* ]] || fail "the database is not named as TV.ini gives it"
[[ "$out" == *'folder programu: C:\Tervala\fbclient.dll – brak pliku'* ]] || fail "the program folder is not named"

# --- The window ----------------------------------------------------------------------------
# In wine's own desktop window: without a window manager, wine leaves a dialog on the bare
# X screen unpainted (a black box in the screenshot).
$wine explorer /desktop=tervala,1366x768 'C:\Tervala\tervala.exe' &
window=$!
sleep 25
shot=$build/window-without-firebird.png
xwd -root -silent -display "$display" | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
echo "screenshot: $shot"
kill $window 2>/dev/null || true
"$wineserver" -k 2>/dev/null || true
rm -f "$installed/TV.ini"

# --- The test programs ---------------------------------------------------------------------
# pdftotext, pdfinfo and pdftoppm for the tests: Linux's own, reached through a small Windows program
# (tests/windows/toolbridge.c) that passes its arguments through files in a spool folder;
# the loop below runs the tool with the Windows paths made Unix ones and answers.
tools=$build/wine-tools
spool=$build/wine-spool
rm -rf "$spool"
mkdir -p "$tools" "$spool"
x86_64-w64-mingw32-gcc -O2 -Wall -o "$tools/pdftotext.exe" tests/windows/toolbridge.c -lshell32
cp "$tools/pdftotext.exe" "$tools/pdfinfo.exe"
cp "$tools/pdftotext.exe" "$tools/pdftoppm.exe"
unixpath() {
    case "$1" in
    [Zz]:[\\/]*) printf '%s' "${1#??}" | tr '\\' '/' ;;
    [Cc]:[\\/]*) printf '%s/drive_c/%s' "$WINEPREFIX" "$(printf '%s' "${1#???}" | tr '\\' '/')" ;;
    *) printf '%s' "$1" ;;
    esac
}
answer_tools() {
    while true; do
        for req in "$spool"/*.req; do
            [ -e "$req" ] || continue
            id=${req%.req}
            mapfile -t lines < <(tr -d '\r' <"$req")
            rm -f "$req"
            args=()
            for a in "${lines[@]:1}"; do args+=("$(unixpath "$a")"); done
            code=0
            case "${lines[0]}" in
            pdftotext | pdfinfo | pdftoppm) "/usr/bin/${lines[0]}" "${args[@]}" >"$id.out" 2>/dev/null || code=$? ;;
            *) code=127 ;;
            esac
            echo "$code" >"$id.code" && mv "$id.code" "$id.done"
        done
        sleep 0.05
    done
}
answer_tools &
answerer=$!
trap 'kill $xvfb $answerer 2>/dev/null || true; '"$wineserver"' -k 2>/dev/null || true' EXIT
export WINEPATH="$(winpath "$qt/bin");$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix);$(winpath /usr/x86_64-w64-mingw32/lib);$(winpath "$tools")"
export TERVALA_TOOL_SPOOL=$(winpath "$spool")
export QT_PLUGIN_PATH=$(winpath "$qt/plugins") QT_QPA_PLATFORM=offscreen
for test in tst_money tst_textcodec tst_settings tst_dictionaryload tst_xmlreport tst_xmlschema tst_reports tst_pages; do
    exe=$build/tests/$test.exe
    [ -f "$exe" ] || { fail "$test.exe was not built"; continue; }
    log=$build/tests/$test.wine.txt
    (cd "$build/tests" && timeout 900 $wine "$exe" -o "$(winpath "$log"),txt" >/dev/null 2>&1) || true
    passed=$(grep -ac '^PASS' "$log" || true)
    # A case that needs a database fails on the missing client, and only on that.
    # The test support names a database it could not make in a warning just before the
    # failure ("Caught unhandled exception"); other failures carry the message after them.
    needsDb=$(grep -a -B4 -A3 '^FAIL' "$log" | grep -ac 'Nie znaleziono biblioteki klienta Firebird' || true)
    failed=$(grep -ac '^FAIL' "$log" || true)
    echo "$test: $passed passed, $needsDb need Firebird, $((failed - needsDb)) failed"
    [ $((failed - needsDb)) -eq 0 ] || { fail "$test"; grep -a -A3 '^FAIL' "$log" | head -40; }
    grep -aq '^Totals' "$log" || fail "$test did not finish"
done

[ "$failures" -eq 0 ] && echo "test-windows: all passed" || echo "test-windows: $failures failures"
[ "$failures" -eq 0 ]
