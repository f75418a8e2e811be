#!/usr/bin/env bash
# Writes one language file for the program directory: the UTF-8 source without its comment and blank
# lines, with CR LF line ends, as UTF-16LE behind the byte-order mark FF FE (the wide profile API reads
# Chinese correctly only from such files). Refuses a source with lines that are not "id=text".
#   make_lng.sh SOURCE.lng OUTPUT.lng
set -euo pipefail
src=$1
out=$2
tmp="$out.tmp.$$"
trap 'rm -f "$tmp"' EXIT

# Valid UTF-8, or the build stops here rather than shipping a damaged file.
iconv -f UTF-8 -t UTF-8 "$src" >/dev/null

body=$(LC_ALL=C awk -v file="$src" '
  NR == 1 { sub(/^\xEF\xBB\xBF/, "") }
  { sub(/\r$/, "") }
  /^[ \t]*(;|$)/ { next }
  !header { if ($0 != "[String]") { printf "%s:%d: expected [String] before the first entry\n", file, NR > "/dev/stderr"; bad = 1; exit 1 }
            header = 1; print; next }
  /^[^=;\[ \t][^=]*=[^ \t].*$/ && !/[ \t]$/ { print; next }
  { printf "%s:%d: not an id=text line (or blanks around the text): %s\n", file, NR, $0 > "/dev/stderr"; bad = 1 }
  END { if (bad || !header) exit 1 }
' "$src")

mkdir -p "$(dirname "$out")"
printf '\377\376' >"$tmp"
printf '%s\n' "$body" | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE >>"$tmp"
mv "$tmp" "$out"
trap - EXIT
