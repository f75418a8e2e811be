#!/usr/bin/env bash
# Runs one test program and decides from its own output whether it ran at all.
#   run_test.sh --kind gtest|script [--wine PREFIX] [--display-from FILE] -- command args...
# --display-from: the test opens windows on the display named in FILE (written by gui_env.sh start).
# A GoogleTest program must print its "[==========] N tests ... ran." and "[  PASSED  ]" summary with
# N > 0; a check script must print "nimbrook-check: N passed, 0 failed" with N > 0. Under Wine a program
# that fails to start can exit 0, so the exit status alone proves nothing.
set -u
kind=gtest
wine_prefix=""
display_file=""
while [ $# -gt 0 ]; do
  case "$1" in
    --kind) kind=$2; shift 2 ;;
    --wine) wine_prefix=$2; shift 2 ;;
    --display-from) display_file=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "run_test.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

runner=()
if [ -n "$wine_prefix" ]; then
  export WINEPREFIX="$wine_prefix"
  export WINEDEBUG="${WINEDEBUG:--all,err+module}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export NIMBROOK_WINE=wine
  unset DISPLAY
  [ "$kind" = gtest ] && runner=(wine)
fi
if [ -n "$display_file" ]; then
  [ -s "$display_file" ] || { echo "run_test.sh: no test display ($display_file): the gui fixture did not start" >&2; exit 1; }
  export DISPLAY="$(cat "$display_file")"
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
"${runner[@]}" "$@" </dev/null 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
# Wine writes CR LF; compare on plain lines.
tr -d '\r' <"$log" >"$log.plain" && mv "$log.plain" "$log"

if [ "$status" -ne 0 ]; then
  echo "run_test.sh: test program exited with status $status" >&2
  exit 1
fi
case "$kind" in
  gtest)
    ran=$(sed -n 's/^\[==========\] \([0-9]\+\) tests\? from .* ran\..*/\1/p' "$log" | tail -n 1)
    if [ -z "$ran" ] || [ "$ran" -eq 0 ]; then
      echo "run_test.sh: no GoogleTest summary with at least one test: the program did not really run" >&2
      exit 1
    fi
    if ! grep -q '^\[  PASSED  \] ' "$log" || grep -q '^\[  FAILED  \] ' "$log"; then
      echo "run_test.sh: GoogleTest did not report success" >&2
      exit 1
    fi
    ;;
  script)
    line=$(grep -E '^nimbrook-check: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
    passed=$(echo "$line" | sed -n 's/^nimbrook-check: \([0-9]\+\) passed, \([0-9]\+\) failed.*/\1/p')
    failed=$(echo "$line" | sed -n 's/^nimbrook-check: \([0-9]\+\) passed, \([0-9]\+\) failed.*/\2/p')
    if [ -z "$passed" ] || [ "$passed" -eq 0 ] || [ "$failed" -ne 0 ]; then
      echo "run_test.sh: the check script did not report a clean summary" >&2
      exit 1
    fi
    ;;
  *) echo "run_test.sh: unknown kind $kind" >&2; exit 2 ;;
esac
exit 0
