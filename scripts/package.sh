#!/usr/bin/env bash
# Builds the Debian package build/tervala_VERSION_amd64.deb (VERSION: the project's
# version in CMakeLists.txt) from build/, configuring and building the program first.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Tervala VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target tervala tervala_docs
(cd build && cpack -G DEB)
deb="build/tervala_${version}_amd64.deb"
[ -f "$deb" ] || { echo "cpack made no $deb" >&2; exit 1; }
echo "$deb"
