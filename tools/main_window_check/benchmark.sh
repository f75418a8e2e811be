#!/usr/bin/env bash
# The main window's costs with a large catalogue, reported as ratios (run by hand after
# `./nimbrook build native` and `./nimbrook build win64`):
#   bash tools/main_window_check/benchmark.sh [--figures] [SERVERS]
# It serves a copy of the reference data with an account of SERVERS servers (default 1000) and one
# of 10, opens the main window for each under Wine on a virtual display, and prints: window creation
# to first paint with SERVERS rows relative to 10 rows, a sort click on SERVERS rows relative to one
# repaint, the process's private memory with SERVERS rows, and the delay pass over SERVERS servers
# (simulated round trips) relative to the slowest server's five echoes.
# With --figures it prints the bench table's lines instead ("figure NAME VALUE baseline BASE RATIO").
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
figures=false
[ "${1:-}" = --figures ] && { figures=true; shift; }
servers=${1:-1000}
native=${NIMBROOK_NATIVE_BUILD:-$root/build/native}   # its service and native delay benchmark
win=$root/build/win64
program=$win/program
port=18097
work=$(mktemp -d)
state=$work/state
# The Wine server is stopped too: it would otherwise outlive the script with everything it inherited.
trap 'bash "$root/cmake/service_ctl.sh" stop x "$port" x "$state" >/dev/null 2>&1 || true;
      bash "$root/cmake/gui_env.sh" stop "$work/gui" >/dev/null 2>&1 || true;
      bash "$root/cmake/wine_env.sh" stop "$win/wineprefix" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# --- data: the reference catalogue's entries repeated with distinct names and loopback addresses
cp -r "$root/service/data" "$work/data"
make_catalogue() {  # make_catalogue COUNT FILE
  grep '^area' "$root/service/data/catalogue/servers.txt" | grep -v 'IP,localhost' |
    awk -F'|' -v n="$1" '{ line[NR] = $0 } END {
      for (i = 0; i < n; i++) {
        l = line[i % NR + 1]
        sub(/nasname,[^|]*/, sprintf("nasname,Server %04d", i + 1), l)
        sub(/IP,[^|]*/, sprintf("IP,127.%d.%d.%d", 10 + int(i / 65536), int(i / 256) % 256, i % 256 + 1), l)
        print l
      } }' >"$2"
}
make_catalogue "$servers" "$work/data/catalogue/bench-large.txt"
make_catalogue 10 "$work/data/catalogue/bench-small.txt"
for size in large small; do
  printf '\n[bench%s]\npassword=bench12345\nsrvtype=vip\nexpiration=2031-12-31 23:59:59\nsrvid=11\ncatalogue=bench-%s.txt\n' \
    "$size" "$size" >>"$work/data/accounts.ini"
done
bash "$root/cmake/service_ctl.sh" start "$native/service/nimbrook-service" "$port" "$work/data" "$state" >/dev/null

# --- Wine and a display
export WINEPREFIX=$win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$root/cmake/wine_env.sh" start "$WINEPREFIX" >/dev/null
bash "$root/cmake/gui_env.sh" start "$work/gui" "$WINEPREFIX" >/dev/null
export DISPLAY=$(cat "$work/gui/display")

run_window() {  # run_window USER [OPTION] -> the "bench ..." line
  local dir=$work/program-$1 log=$work/$1${2:-}.log
  mkdir -p "$dir"
  cp -r "$program/config" "$program/language" "$program/skin" "$dir/"
  wine "$program/nimbrook-cli.exe" fetch "http://127.0.0.1:$port/clientupdate/update/raw/master/version.ini" \
    "$(winepath -w "$dir/config/version.ini")" </dev/null >/dev/null 2>&1
  : >"$log"
  for attempt in 1 2 3; do
    timeout 300 wine "$program/main-window-check.exe" --program-dir "$(winepath -w "$dir")" \
      --endpoint "http://127.0.0.1:$port/clogin.php" --user "$1" --password bench12345 \
      --notify-log "$(winepath -w "$log")" --bench ${2:-} </dev/null >/dev/null 2>&1 || true
    tr -d '\r' <"$log" | grep -q '^bench ' && break
  done
  tr -d '\r' <"$log" | grep '^bench ' | tail -n 1
}
field() { awk -v k="$2" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }' <<<"$1"; }

small=$(run_window benchsmall)
large=$(run_window benchlarge)
quiet=$(run_window benchlarge --no-echo)
[ -n "$small" ] && [ -n "$large" ] || { echo "benchmark.sh: the window did not report" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
fp_small=$(field "$small" first-paint-ms)
fp_large=$(field "$large" first-paint-ms)
fp_quiet=$(field "$quiet" first-paint-ms)
repaint=$(field "$large" repaint-ms)
sort_ms=$(field "$large" sort-ms)
bytes=$(field "$large" private-bytes)
delay_win=""
delay_native=""
[ -f "$win/src/delay/delay-pass-benchmark.exe" ] &&
  delay_win=$(wine "$win/src/delay/delay-pass-benchmark.exe" --servers "$servers" </dev/null 2>/dev/null | tr -d '\r' | tail -n 1)
[ -x "$native/src/delay/delay-pass-benchmark" ] &&
  delay_native=$("$native/src/delay/delay-pass-benchmark" --servers "$servers" | tail -n 1)
json() { sed -n "s/.*\"$2\":\([0-9.]*\).*/\1/p" <<<"$1"; }

if $figures; then
  figure() { awk -v n="$1" -v a="$2" -v b="$3" -v r="$(ratio "$2" "$3")" 'BEGIN { printf "figure %s %.1f baseline %.1f %s\n", n, a, b, r }'; }
  figure first_paint "$fp_large" "$fp_small"
  figure first_paint_without_delay_pass "$fp_quiet" "$fp_small"
  figure sort_click "$sort_ms" "$repaint"
  figure private_memory "$bytes" "$(field "$small" private-bytes)"
  [ -n "$delay_win" ] && figure delay_pass_wine "$(json "$delay_win" pass_ms)" "$(json "$delay_win" slowest_server_ms)"
  [ -n "$delay_native" ] && figure delay_pass_native "$(json "$delay_native" pass_ms)" "$(json "$delay_native" slowest_server_ms)"
  exit 0
fi
echo "first paint, $servers rows / 10 rows: $(ratio "$fp_large" "$fp_small") ($fp_large ms / $fp_small ms)"
echo "  without the delay pass's threads: $(ratio "$fp_quiet" "$fp_small") ($fp_quiet ms / $fp_small ms)"
echo "sort click with its repaint on $servers rows / one repaint: $(ratio "$sort_ms" "$repaint") ($sort_ms ms / $repaint ms)"
mb() { awk -v b="$1" 'BEGIN { printf "%.1f MB", b / 1048576 }'; }
echo "private memory with $servers rows: $(mb "$bytes") after the delay pass (10 rows: $(mb "$(field "$small" private-bytes)")); $(mb "$(field "$quiet" private-bytes)") without the pass's threads; $(mb "$(field "$large" painted-private-bytes)") right after the first paint"

# --- the delay pass through the echo seam with simulated round trips
[ -n "$delay_win" ] && echo "delay pass (Windows): $delay_win"
[ -n "$delay_native" ] && echo "delay pass (native): $delay_native"
exit 0
