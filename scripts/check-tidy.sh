#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over src/ (and the headers of
# src/ the sources include), as build/ compiles them, and fails on any finding.
#
#   scripts/check-tidy.sh [-p BUILD_DIR] [FILE...]   default: build/, every .cpp in src/
#
# Needs a built tree (scripts/setup.sh makes build/: its compile_commands.json says
# how each file is compiled, and moc's output there is included by some sources) and Debian 12's clang-tidy 14
# (package clang-tidy); CLANG_TIDY names another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

build=build
files=()
while [[ $# -gt 0 ]]; do
    case "$1" in
        -p) build="$2"; shift 2 ;;
        -*) echo "usage: $0 [-p BUILD_DIR] [FILE...]" >&2; exit 2 ;;
        *) files+=("$1"); shift ;;
    esac
done

tidy="${CLANG_TIDY:-$(command -v clang-tidy-14 || command -v clang-tidy || true)}"
if [[ -z "$tidy" ]]; then
    echo "clang-tidy not found: apt-get install clang-tidy" >&2
    exit 2
fi
if [[ ! -f "$build/compile_commands.json" ]]; then
    echo "$build/compile_commands.json not found: configure the build first (scripts/setup.sh)" >&2
    exit 2
fi

if [[ ${#files[@]} -eq 0 ]]; then
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- 'src/*.cpp' | sort -u)
fi

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# g++'s own warning options mean nothing to clang, and compiler warnings are the
# build's business: here they are neither reported nor errors.
printf '%s\n' "${files[@]}" | xargs -r -P "$(nproc)" -I{} sh -c \
    '"$1" -p "$2" --quiet --extra-arg=-Wno-unknown-warning-option --extra-arg=-Wno-error "$3" >"$4/$(echo "$3" | tr / _).log" 2>&1 || true' \
    sh "$tidy" "$build" {} "$out"

# A header's finding comes once for every source that includes it: each is listed once.
cat "$out"/*.log | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' | sed "s|^$root/||" | sort -u >"$out/findings" || true
if grep -q ': error:' "$out/findings"; then
    echo "clang-tidy could not compile some files (is $build up to date?):"
    grep ': error:' "$out/findings" | sed 's/^/  /'
    exit 2
fi
count=$(wc -l <"$out/findings")
if [[ $count -eq 0 ]]; then
    echo "check-tidy: ${#files[@]} files, no finding"
    exit 0
fi
# Each finding with its context, as clang-tidy printed it.
cat "$out"/*.log | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' | sed "s|^$root/||" \
    | awk 'BEGIN { while ((getline l < "'"$out/findings"'") > 0) want[l] = 1 }
           /^[^ ]+:[0-9]+:[0-9]+: (warning|error|note):/ { keep = (/: note:/ ? keep : (want[$0] && !seen[$0]++)) }
           keep { print }'
echo "check-tidy: $count finding(s) in ${#files[@]} files"
exit 1
