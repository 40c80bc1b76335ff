#!/usr/bin/env bash
# Every C and C++ source under src/, tests/, bench/ and fuzz/ must be exactly
# what clang-format makes of it with the repository's .clang-format.
#
#   check-format.sh          lists the files that differ; fails if there are any
#   check-format.sh --diff   the same, with the changes clang-format would make
#   check-format.sh --fix    formats those files in place
set -euo pipefail
cd "$(dirname "$0")/.."

mode=check
case "${1:-}" in
  "") ;;
  --fix) mode=fix ;;
  --diff) mode=diff ;;
  *) echo "usage: $0 [--fix | --diff]" >&2; exit 2 ;;
esac

command -v clang-format >/dev/null || { echo "clang-format is not installed (make deps)" >&2; exit 1; }

dirs=()
for d in src tests bench fuzz; do [ -d "$d" ] && dirs+=("$d"); done
files=()
if [ "${#dirs[@]}" -gt 0 ]; then
  mapfile -d '' files < <(find "${dirs[@]}" -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.cxx' \
    -o -name '*.h' -o -name '*.hh' -o -name '*.hpp' -o -name '*.inl' \) -print0 | sort -z)
fi

# Formatting to a temporary file and comparing it, rather than clang-format's
# own --dry-run, gives one line per file and the same answer with --fix.
formatted=$(mktemp)
trap 'rm -f "$formatted"' EXIT
unformatted=()
for f in "${files[@]}"; do
  clang-format --style=file --fallback-style=none "$f" >"$formatted"
  cmp -s "$formatted" "$f" && continue
  unformatted+=("$f")
  case $mode in
    fix) cat "$formatted" >"$f" ;;  # in place, keeping the file's mode and links
    diff) diff -u --label "$f" --label "$f (formatted)" "$f" "$formatted" || true ;;
  esac
done

if [ "${#unformatted[@]}" -eq 0 ]; then
  echo "format: ${#files[@]} files, all formatted ($(clang-format --version | grep -o 'version [0-9.]*'))"
  exit 0
fi
if [ "$mode" = fix ]; then
  printf 'formatted: %s\n' "${unformatted[@]}"
  exit 0
fi
printf 'not formatted: %s\n' "${unformatted[@]}"
echo "${#unformatted[@]} of ${#files[@]} files differ from clang-format's output; 'make format' fixes them." >&2
exit 1
