#!/usr/bin/env bash
# Builds and runs the fuzz targets.
#   run_fuzz.sh BUILD_DIR [TARGET|all] [--seconds N] [--jobs J]
# Each target starts from the seeds in fuzz/seeds/TARGET and the repository's own data for it (layouts,
# route files, descriptors, the OpenVPN template, catalogues); what it finds new is kept in
# BUILD_DIR/corpus/TARGET. A crash, a sanitizer report, a broken invariant or a hang fails the run; the
# input that caused it is left in BUILD_DIR/findings. Prints one line per target with its executions.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
BUILD=$(cd "$1" && pwd)
shift
TARGET=all
SECONDS_PER_TARGET=60
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) SECONDS_PER_TARGET=$2; shift 2 ;;
    *) TARGET=$1; shift ;;
  esac
done

cmake -S "$ROOT/fuzz" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= \
  $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
if [ "$TARGET" = all ]; then
  cmake --build "$BUILD"
  mapfile -t targets < "$BUILD/targets.txt"
else
  cmake --build "$BUILD" --target "fuzz_$TARGET"
  targets=("$TARGET")
fi

# Repository data each target starts from, besides its own seeds.
repo_seeds() {
  case "$1" in
    xml_reader|dialog_builder) ls "$ROOT"/skin/layouts/*.xml ;;
    route_file) ls "$ROOT"/data/route/*.tem ;;
    openvpn_template) ls "$ROOT"/data/openvpn/template.ovpn ;;
    descriptor|profile_file) ls "$ROOT"/service/data/descriptor/*.ini "$ROOT"/service/data/releases/*.ini "$ROOT"/service/data/accounts.ini ;;
    login_answer) ls "$ROOT"/service/data/catalogue/*.txt ;;
    zip_archive) ls "$ROOT"/build/native/program/skin/skin.dll 2>/dev/null || true ;;
  esac
}

mkdir -p "$BUILD/findings"
failed=()
for t in "${targets[@]}"; do
  [ -n "$t" ] || continue
  corpus="$BUILD/corpus/$t"
  seeds="$BUILD/seeds/$t"
  mkdir -p "$corpus" "$seeds"
  [ -d "$ROOT/fuzz/seeds/$t" ] && cp -f "$ROOT/fuzz/seeds/$t"/* "$seeds"/ 2>/dev/null || true
  for f in $(repo_seeds "$t"); do cp -f "$f" "$seeds/repo-$(basename "$f")"; done
  log="$BUILD/findings/$t.log"
  # Input sizes: layouts, archives, route files and templates up to 16 KiB; layouts that are built,
  # laid out and painted up to 8 KiB; login answers, INI files (read again for every key, as the
  # profile API does) and short texts up to 4 KiB. Larger hostile inputs are the benchmarks' part
  # (bench/layout_benchmark.cpp). A unit taking 10 s counts as a hang.
  case "$t" in
    xml_reader|zip_archive|route_file|openvpn_template|openvpn_console) max_len=16384 ;;
    dialog_builder) max_len=8192 ;;
    *) max_len=4096 ;;
  esac
  if (cd "$BUILD/findings" && "$BUILD/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
        -rss_limit_mb=2048 -max_len=$max_len -print_final_stats=1 -artifact_prefix="$BUILD/findings/$t-" \
        "$corpus" "$seeds" >"$log" 2>&1); then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    printf '%-18s ok    %12s executions  %9s per second\n' "$t" "${runs:-?}" "${speed:-?}"
  else
    printf '%-18s FAILED (see %s)\n' "$t" "$log"
    grep -E 'ERROR|invariant failed|runtime error|SUMMARY' "$log" | head -5 || true
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets failed: ${failed[*]}"
  exit 1
fi
