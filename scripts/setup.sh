#!/usr/bin/env bash
# Installs what Tervala needs from Debian 12's packages and builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    qt6-charts-dev libqt6opengl6-dev  # Qt Charts; its CMake package needs Qt6OpenGL
    firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils firebird3.0-server
    fonts-liberation poppler-utils libxml2-dev libxml2-utils
    clang-14 libclang-rt-14-dev clang-format clang-tidy python3
    dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update
    "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build -j"$(nproc)"
