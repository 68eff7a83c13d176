#!/usr/bin/env bash
# Installs, builds and starts Tervala on embedded demo databases in demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
[ -f demo/TV.ini ] || build/tools/tervala-demo demo
exec build/tervala --home demo "$@"
