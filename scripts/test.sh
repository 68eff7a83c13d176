#!/usr/bin/env bash
# Installs, builds and runs every test (a real Firebird server on 127.0.0.1 included).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# No statement is built from text that comes from a database, a file or the user.
scripts/check-sql.sh
# Every parser of outside text, briefly, on its corpus (fuzz/run.sh SECONDS for a long run).
fuzz/run.sh --smoke
scripts/start-test-server.sh
cd build
ctest --output-on-failure --timeout 900 "$@"
