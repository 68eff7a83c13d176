#!/usr/bin/env bash
# Fails when a C++ file in src/, tests/, tools/ or fuzz/ is not laid out as
# .clang-format says, and lists those files.
#
#   scripts/check-format.sh [--diff] [--fix] [FILE...]   default: every .cpp and .h there
#   --diff  also prints what clang-format would change
#   --fix   rewrites the files in place instead of failing
#
# Uses Debian 12's clang-format 14 (package clang-format); CLANG_FORMAT names another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

fix=0
show=0
files=()
for arg in "$@"; do
    case "$arg" in
        --fix) fix=1 ;;
        --diff) show=1 ;;
        -*) echo "usage: $0 [--diff] [--fix] [FILE...]" >&2; exit 2 ;;
        *) files+=("$arg") ;;
    esac
done

format="${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}"
if [[ -z "$format" ]]; then
    echo "clang-format not found: apt-get install clang-format" >&2
    exit 2
fi
version="$("$format" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')"
if [[ "$version" != 14 ]]; then
    echo "warning: $format is version $version; .clang-format is checked with version 14" >&2
fi

if [[ ${#files[@]} -eq 0 ]]; then
    # Tracked files and new ones not yet added, never what .gitignore leaves out.
    mapfile -t files < <(git ls-files --cached --others --exclude-standard -- \
        'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' 'fuzz/*.cpp' 'fuzz/*.h' | sort -u)
fi

if [[ $fix -eq 1 ]]; then
    printf '%s\0' "${files[@]}" | xargs -0 -r -n 16 -P "$(nproc)" "$format" -i --style=file
    echo "check-format: ${#files[@]} files formatted in place"
    exit 0
fi

differs=()
changed_lines=0
formatted="$(mktemp)"
trap 'rm -f "$formatted"' EXIT
for f in "${files[@]}"; do
    "$format" --style=file "$f" >"$formatted"
    if ! cmp -s "$formatted" "$f"; then
        differs+=("$f")
        d="$(diff -u "$f" "$formatted" || true)"
        n="$(printf '%s\n' "$d" | grep -c '^[-+]' || true)"
        changed_lines=$((changed_lines + n - 2))
        if [[ $show -eq 1 ]]; then
            printf '%s\n' "$d" | sed "1s|^--- .*|--- $f|; 2s|^+++ .*|+++ $f (clang-format)|"
        fi
    fi
done

if [[ ${#differs[@]} -eq 0 ]]; then
    echo "check-format: ${#files[@]} files laid out as .clang-format says"
    exit 0
fi
echo "Files not laid out as .clang-format says (scripts/check-format.sh --diff shows how, --fix rewrites them):"
printf '  %s\n' "${differs[@]}"
echo "${#differs[@]} of ${#files[@]} files differ; $changed_lines lines removed or added."
exit 1
