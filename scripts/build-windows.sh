#!/usr/bin/env bash
# Cross-builds Tervala for 64-bit Windows from Debian 12 and makes the NSIS installer
# build-win/Tervala-VERSION-setup.exe.
#
#   scripts/build-windows.sh [--qt-only]
#
# Qt 6.4.2 (qtbase, from Debian's source package) and libxml2 are built for Windows once into
# TERVALA_QT_WIN_CACHE (default /var/cache/tervala-qt-win, or ~/.cache/tervala-qt-win when not root)
# and reused on later runs; the first build takes 20-40 minutes on two cores. --qt-only stops
# after Qt. TERVALA_WIN_JOBS sets the parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

qt_only=0
[ "${1:-}" = "--qt-only" ] && qt_only=1
jobs=${TERVALA_WIN_JOBS:-2}
if [ "$(id -u)" -eq 0 ]; then
    cache=${TERVALA_QT_WIN_CACHE:-/var/cache/tervala-qt-win}
    as_root=()
else
    cache=${TERVALA_QT_WIN_CACHE:-$HOME/.cache/tervala-qt-win}
    as_root=(sudo)
fi
qt_version=6.4.2
prefix=$cache/qt-$qt_version
mingw_gcc=/usr/lib/gcc/x86_64-w64-mingw32/12-posix

# --- Debian packages -------------------------------------------------------------------------
packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    cmake ninja-build dpkg-dev qt6-base-dev-tools firebird-dev nsis wine64 xvfb poppler-utils
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update
    "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

mkdir -p "$cache"
toolchain=$cache/mingw-w64-x86_64.cmake
cp "$repo/cmake/mingw-w64-x86_64.cmake" "$toolchain"

# --- Qt's sources from Debian ----------------------------------------------------------------
fetch_source() { # package directory-glob; prints the unpacked folder
    local dir
    dir=$(find "$cache/src" -maxdepth 1 -type d -name "$2" 2>/dev/null | head -n 1)
    if [ -z "$dir" ]; then
        if ! apt-get source --print-uris "$1" >/dev/null 2>&1; then
            "${as_root[@]}" tee /etc/apt/sources.list.d/tervala-debian-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
            "${as_root[@]}" apt-get update >&2
        fi
        mkdir -p "$cache/src"
        (cd "$cache/src" && apt-get source "$1" >&2)
        dir=$(find "$cache/src" -maxdepth 1 -type d -name "$2" | head -n 1)
    fi
    echo "$dir"
}

host_qt=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)

if [ ! -f "$prefix/.qtbase-done" ]; then
    src=$(fetch_source qt6-base "qt6-base-$qt_version*")
    # Without ICU, OpenGL, D-Bus and SQL; the third-party libraries bundled with Qt are built in.
    # Debian's source has no wintab header (no tablet events), and the Windows platform plug-in
    # of 6.4.2 does not build with OpenGL off unless dynamic GL is off too.
    cmake -G Ninja -S "$src" -B "$cache/build-qtbase" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${host_qt[@]}" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_icu=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
        -DFEATURE_system_doubleconversion=OFF
    nice -n 10 cmake --build "$cache/build-qtbase" --parallel "$jobs"
    cmake --install "$cache/build-qtbase"
    touch "$prefix/.qtbase-done"
fi


# Qt Charts (the charts of "Porównanie okresów"), from Debian's source, on the Qt built above.
# When its source cannot be fetched (the mirror of this machine lacks it), the Windows build
# has no charts.
charts=OFF
if [ -f "$prefix/.qtcharts-done" ]; then
    charts=ON
else
    src=$(fetch_source qt6-charts "qt6-charts-$qt_version*")
    if [ -n "$src" ]; then
        cmake -G Ninja -S "$src" -B "$cache/build-qtcharts" \
            -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" "${host_qt[@]}" \
            -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
        nice -n 10 cmake --build "$cache/build-qtcharts" --parallel "$jobs"
        cmake --install "$cache/build-qtcharts"
        touch "$prefix/.qtcharts-done"
        charts=ON
    else
        echo "Qt Charts' source could not be fetched: the Windows build has no charts" >&2
    fi
fi

# libxml2 (the report file's schema validation) has no MinGW package in Debian: built from
# Debian's source as a static library, without iconv, zlib, lzma or network access.
if [ ! -f "$prefix/.libxml2-done" ]; then
    src=$(fetch_source libxml2 "libxml2-2.9.*")
    cmake -G Ninja -S "$src" -B "$cache/build-libxml2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
        -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF \
        -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF \
        -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_CATALOG=OFF
    nice -n 10 cmake --build "$cache/build-libxml2" --parallel "$jobs"
    cmake --install "$cache/build-libxml2"
    touch "$prefix/.libxml2-done"
fi
[ "$qt_only" -eq 1 ] && { echo "Qt and libxml2 for Windows: $prefix"; exit 0; }

# --- Tervala ---------------------------------------------------------------------------------
# Firebird's headers (firebird-dev) serve Windows too; a copy, so that the build does not put
# Linux's /usr/include on the Windows compiler's path. The client library is loaded at run time.
fbinclude=$cache/firebird-include
mkdir -p "$fbinclude"
cp -r /usr/include/firebird /usr/include/ibase.h /usr/include/iberror.h "$fbinclude/"

version=$(sed -n 's/^project(Tervala VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
build=$repo/build-win
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig cmake -G Ninja -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" "${host_qt[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DFIREBIRD_INCLUDE_DIR="$fbinclude" -DTERVALA_CHARTS="$charts" -DBUILD_TESTING=ON
# The program and the tests that run without a database (scripts/test-windows.sh).
tests=(tst_money tst_textcodec tst_settings tst_dictionaryload tst_xmlreport tst_xmlschema tst_reports tst_pages)
nice -n 10 cmake --build "$build" --parallel "$jobs" --target tervala "${tests[@]}"

# --- The installed folder, staged in build-win/install ----------------------------------------
stage=$build/install
rm -rf "$stage"
mkdir -p "$stage"/{platforms,styles,tls,translations}
cp "$build/tervala.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/tervala.exe"
for m in Core Gui Widgets Network PrintSupport; do cp "$prefix/bin/Qt6$m.dll" "$stage/"; done
if [ "$charts" = ON ]; then cp "$prefix/bin/Qt6Charts.dll" "$stage/"; fi
cp "$prefix/plugins/platforms/qwindows.dll" "$prefix/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
cp "$prefix/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# Printing on Windows is built into Qt6PrintSupport.dll (no plug-in in Qt 6).
cp "$prefix/plugins/tls/qschannelbackend.dll" "$stage/tls/" 2>/dev/null || true
cp "$mingw_gcc/libstdc++-6.dll" "$mingw_gcc/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
# Qt's own dialogs in Polish, when Debian's translations are installed.
cp /usr/share/qt6/translations/qtbase_pl.qm "$stage/translations/" 2>/dev/null || true
printf '[Paths]\r\nPrefix=.\r\n' >"$stage/qt.conf"
cp data/tervala-report.xsd "$stage/"
cp packaging/windows/tervala.nsi "$build/"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$build/Tervala-$version-setup.exe" "$build/tervala.nsi"
echo "$build/Tervala-$version-setup.exe"
