#!/usr/bin/env bash
# Installs, builds and runs every test (a real Firebird server on 127.0.0.1 included).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/start-test-server.sh
cd build
ctest --output-on-failure --timeout 900 "$@"
