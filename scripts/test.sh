#!/usr/bin/env bash
# Installs, builds and runs every test (a real Firebird server on 127.0.0.1 included),
# then the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each part is announced with the seconds spent so far, so a slow one shows in the log.
part() { echo "== $1 (at ${SECONDS} s)"; }
part "install and build"
scripts/setup.sh
# No statement is built from text that comes from a database, a file or the user.
part "check-sql"
scripts/check-sql.sh
# Every C++ file laid out as .clang-format says.
part "check-format"
scripts/check-format.sh
# clang-tidy's bug-prone and performance checks (.clang-tidy) over src/, as build/ compiles it.
part "clang-tidy"
scripts/check-tidy.sh
# Every parser of outside text, briefly, on its corpus (fuzz/run.sh SECONDS for a long run).
part "fuzz smoke run"
fuzz/run.sh --smoke
part "tests"
scripts/start-test-server.sh
(cd build && ctest --output-on-failure --timeout 900 "$@")
# Memory errors, leaks and undefined behaviour in the same tests (build-asan/).
part "tests with sanitizers"
scripts/test-sanitizers.sh "$@"
