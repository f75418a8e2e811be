#!/usr/bin/env bash
# Runs the benchmarks and prints one table: each figure as the median of its repeats, the median of
# its baseline measured in the same run, and their ratio (figure / baseline; lower is better).
#   run_bench.sh BENCH_BUILD_DIR [WIN64_BUILD_DIR] [--repeats N]
# BENCH_BUILD_DIR is a native optimised build (catalogue-benchmark, layout-benchmark,
# toolkit-list-benchmark, main_window-list-benchmark, delay-pass-benchmark, nimbrook-cli,
# nimbrook-service); WIN64_BUILD_DIR, when it holds nimbrook-cli.exe, adds the figures under Wine: the
# download (with the floor Winsock itself sets there), the GDI+ paint of the gallery and of a list
# page, and the main window's.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$1
shift
WIN64=""
REPEATS=5
while [ $# -gt 0 ]; do
  case "$1" in
    --repeats) REPEATS=$2; shift 2 ;;
    *) WIN64=$1; shift ;;
  esac
done
WORK=$(mktemp -d)
PORT=18090
SERVICE_PID=""
cleanup() {
  [ -n "$SERVICE_PID" ] && kill "$SERVICE_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

ROWS=()
row() { ROWS+=("$(printf '%-34s %12s %-22s %12s %8s' "$1" "$2" "$3" "$4" "$5")"); }

# Median wall time in milliseconds of a command, run REPEATS times (output discarded).
median_ms() {
  local times=()
  for _ in $(seq 1 "$REPEATS"); do
    local a b
    a=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "benchmark command failed: $*" >&2; return 1; }
    b=$(date +%s%N)
    times+=($(( (b - a) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{v[NR]=$1} END {printf "%.1f", v[int((NR+1)/2)]/1000}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# --- catalogue against a scan of the same text
out=$("$BUILD/bench/catalogue-benchmark" --servers 10000 --repeats "$REPEATS")
while read -r _ name value _ base r; do
  case "$name" in
    catalogue_build) row "catalogue build (10,000 servers)" "$value ms" "scan of the text" "$base ms" "$r" ;;
    catalogue_memory) row "catalogue peak heap" "$((${value%.*} / 1024)) KiB" "answer size" "$((base / 1024)) KiB" "$r" ;;
  esac
done < <(grep '^figure' <<<"$out")
"$BUILD/bench/catalogue-benchmark" --servers 10000 --write "$WORK/answer.txt"
cli_ms=$(median_ms "$BUILD/program/nimbrook-cli" catalogue "$WORK/answer.txt")
scan_ms=$(median_ms awk -F'[;|]' '{ n += NF } END { print n }' "$WORK/answer.txt")
row "nimbrook-cli catalogue (10,000)" "$cli_ms ms" "awk split of the file" "$scan_ms ms" "$(ratio "$cli_ms" "$scan_ms")"

# --- toolkit list (1,000 rows) against bare controls of the same count
while read -r _ name value _ base r; do
  row "toolkit list $name" "$value ms" "bare controls" "$base ms" "$r"
done < <("$BUILD/src/toolkit/toolkit-list-benchmark" --repeats "$REPEATS" | grep '^figure')

# --- hostile layouts of a few hundred kilobytes against reading the same text as XML
while read -r _ name value _ base r; do
  row "layout build: $name" "$value ms" "XML read of the text" "$base ms" "$r"
done < <("$BUILD/bench/layout-benchmark" --repeats "$REPEATS" | grep '^figure')

# --- the main window's server list: each step at 8,000 rows against the same step at 4,000
while read -r _ name value _ base r; do
  row "server list $name (8,000)" "$value ms" "same at 4,000 rows" "$base ms" "$r"
done < <("$BUILD/src/main_window/main_window-list-benchmark" --figures --repeats "$REPEATS" | grep '^figure')

# --- a delay pass over 1,000 servers (simulated round trips) against its slowest server's echoes
pass=$("$BUILD/src/delay/delay-pass-benchmark" --servers 1000 | tail -n 1)
json() { sed -n "s/.*\"$2\":\([0-9.]*\).*/\1/p" <<<"$1"; }
row "delay pass, 1,000 servers (native)" "$(json "$pass" pass_ms) ms" "slowest server's echoes" \
  "$(json "$pass" slowest_server_ms) ms" "$(ratio "$(json "$pass" pass_ms)" "$(json "$pass" slowest_server_ms)")"

# --- network figures against the reference service
"$BUILD/service/nimbrook-service" --port "$PORT" --data-dir "$ROOT/service/data" </dev/null >"$WORK/service.log" 2>&1 &
SERVICE_PID=$!
for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break; sleep 0.1; done
BASE="http://127.0.0.1:$PORT"
SIZE=$((200 * 1024 * 1024))
curl_ms=$(median_ms curl -s -o "$WORK/curl.bin" "$BASE/gen/$SIZE")
cli_ms=$(median_ms "$BUILD/program/nimbrook-cli" fetch "$BASE/gen/$SIZE" "$WORK/cli.bin")
cmp -s "$WORK/curl.bin" "$WORK/cli.bin" || { echo "the two downloads differ" >&2; exit 1; }
row "download 200 MiB (native)" "$cli_ms ms" "curl" "$curl_ms ms" "$(ratio "$cli_ms" "$curl_ms")"
rm -f "$WORK/cli.bin"

if [ -n "$WIN64" ] && [ -f "$WIN64/program/nimbrook-cli.exe" ]; then
  export WINEPREFIX="$WIN64/wineprefix" WINEDEBUG=-all
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
  wine_ms=$(median_ms wine "$WIN64/program/nimbrook-cli.exe" fetch "$BASE/gen/$SIZE" "Z:$WORK/wine.bin")
  cmp -s "$WORK/curl.bin" "$WORK/wine.bin" || { echo "the download under Wine differs" >&2; exit 1; }
  empty_ms=$(median_ms wine "$WIN64/program/nimbrook-cli.exe" fetch "$BASE/gen/0" "Z:$WORK/empty.bin")
  row "download 200 MiB (Wine)" "$wine_ms ms" "curl" "$curl_ms ms" "$(ratio "$wine_ms" "$curl_ms")"
  row "  (Wine start + empty download)" "$empty_ms ms" "" "" ""
  # What Winsock itself allows under Wine: reads of 8 KiB (WinHTTP's buffer there) and of 256 KiB.
  for piece in 8192 262144; do
    sock_ms=$(median_ms wine "$WIN64/bench/socket-read-benchmark.exe" "$BASE/gen/$SIZE" "Z:$WORK/wine.bin" "$piece")
    cmp -s "$WORK/curl.bin" "$WORK/wine.bin" || { echo "the Winsock download differs" >&2; exit 1; }
    row "  Winsock, $((piece / 1024)) KiB reads (Wine)" "$sock_ms ms" "curl" "$curl_ms ms" "$(ratio "$sock_ms" "$curl_ms")"
    [ "$piece" = 8192 ] && row "download (Wine) vs its floor" "$wine_ms ms" "Winsock, 8 KiB reads" "$sock_ms ms" \
      "$(ratio "$wine_ms" "$sock_ms")"
  done
  rm -f "$WORK/wine.bin"
fi
rm -f "$WORK/curl.bin"

# The login walk of the client against one bare POST of the same body.
body="m=windows&a=login&p=x&hash=y"
post_ms=$(median_ms curl -s -d "$body" "$BASE/clogin.php")
cli_ms=$(median_ms "$BUILD/program/nimbrook-cli" post "$BASE/clogin.php" "$body")
row "post (client HTTP stack)" "$cli_ms ms" "curl POST" "$post_ms ms" "$(ratio "$cli_ms" "$post_ms")"

# --- under Wine: GDI+ paint, and the main window (its own service, display and program copies)
if [ -n "$WIN64" ] && [ -f "$WIN64/tools/gallery/toolkit-paint-benchmark.exe" ]; then
  while read -r _ name value _ base r _; do
    row "GDI+ ${name//_/ } (Wine)" "$value ms" "same calls replayed" "$base ms" "$r"
  done < <(wine "$WIN64/tools/gallery/toolkit-paint-benchmark.exe" --figures "$(winepath -w "$WIN64/program")" \
             --repeats "$REPEATS" </dev/null 2>/dev/null | tr -d '\r' | grep '^figure')
fi
if [ -n "$WIN64" ] && [ -f "$WIN64/program/main-window-check.exe" ]; then
  while read -r _ name value _ base r; do
    case "$name" in
      first_paint) row "main window first paint, 1,000 rows" "$value ms" "10 rows" "$base ms" "$r" ;;
      first_paint_without_delay_pass) row "  the same without the delay pass" "$value ms" "10 rows" "$base ms" "$r" ;;
      sort_click) row "main window sort click, 1,000 rows" "$value ms" "one repaint" "$base ms" "$r" ;;
      private_memory) row "main window memory, 1,000 rows" "$((${value%.*} / 1048576)) MiB" "10 rows" \
                        "$((${base%.*} / 1048576)) MiB" "$r" ;;
      delay_pass_wine) row "delay pass, 1,000 servers (Wine)" "$value ms" "slowest server's echoes" "$base ms" "$r" ;;
    esac
  done < <(NIMBROOK_NATIVE_BUILD="$BUILD" bash "$ROOT/tools/main_window_check/benchmark.sh" --figures 1000 | grep '^figure')
fi

printf '%-34s %12s %-22s %12s %8s\n' "figure" "median" "baseline" "median" "ratio"
printf '%s\n' "${ROWS[@]}"
echo "($REPEATS repeats each, the main window's figures once; ratio = figure / baseline)"
