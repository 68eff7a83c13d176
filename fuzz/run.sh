#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for a bounded time, starting from its corpus in
# fuzz/corpus/<target>/. Prints the executions and findings of every target and
# fails when any target found something.
#
#   fuzz/run.sh [SECONDS] [TARGET...]   each target SECONDS (default 90)
#   fuzz/run.sh --smoke [TARGET...]     each target a few seconds (CI)
#
# New interesting inputs go to build-fuzz/corpus/<target>/, never into the
# repository; a finding is saved in build-fuzz/findings/<target>/ with the
# libFuzzer log beside it. Reproduce one with build-fuzz/fuzz_<target> FILE.
# FUZZ_CXX names the clang++ to use, FUZZ_BUILD_DIR another build tree.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds=90
smoke=0
targets=()
for arg in "$@"; do
  case "$arg" in
    --smoke) smoke=1; seconds=4 ;;
    ''|*[!0-9]*) targets+=("$arg") ;;
    *) seconds="$arg" ;;
  esac
done

cxx="${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}"
if [[ -z "$cxx" ]]; then
  echo "clang++ not found: apt-get install clang-14 libclang-rt-14-dev" >&2
  exit 2
fi
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

if [[ ${#targets[@]} -eq 0 ]]; then
  for dir in "$root"/fuzz/targets/*.cpp; do targets+=("$(basename "$dir" .cpp)"); done
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen

status=0
total_runs=0
printf '%-16s %8s %12s %9s\n' target seconds executions findings
for t in "${targets[@]}"; do
  seeds="$root/fuzz/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$seeds" "$findings"
  if [[ $smoke -eq 1 ]]; then
    work="$(mktemp -d)"
  else
    work="$build/corpus/$t"
    mkdir -p "$work"
  fi
  log="$findings/last-run.log"
  before=$(find "$findings" -maxdepth 1 -type f ! -name '*.log' | wc -l)
  set +e
  "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  [[ $smoke -eq 1 ]] && rm -rf "$work"
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -1)
  runs=${runs:-0}
  after=$(find "$findings" -maxdepth 1 -type f ! -name '*.log' | wc -l)
  found=$((after - before))
  if [[ $rc -ne 0 && $found -eq 0 ]]; then found=1; fi
  total_runs=$((total_runs + runs))
  printf '%-16s %8s %12s %9s\n' "$t" "$seconds" "$runs" "$found"
  if [[ $found -ne 0 ]]; then
    status=1
    grep -E -m3 'runtime error|ERROR: AddressSanitizer|PROPERTY BROKEN|ERROR: libFuzzer' "$log" | sed 's/^/    /' || true
    echo "    log: $log"
  fi
done
printf '%-16s %8s %12s\n' total "" "$total_runs"
exit $status
