#!/usr/bin/env bash
# The whole product on the test display: a private reference service whose current release carries
# the programs just built, a program directory installed at the release before it, and the scripted
# subscriber in English and simplified Chinese. Every field of its report must be true or non-zero,
# with the newer release applied on the way.
# Usage: e2e_check.sh PROGRAM_DIR STANDINS_DIR SERVICE_EXE SERVICE_DATA NATIVE_CLI
set -u
program=$1
standins=$2
service=$3
data=$4
native_cli=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cli=$native_cli
source "$here/../../tests/check_lib.sh"
shots=${NIMBROOK_SCREENSHOT_DIR:?}/e2e
mkdir -p "$shots"

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=""
for candidate in $(shuf -i 20000-40000 -n 40); do
  port_open "$candidate" || { port=$candidate; break; }
done
check "a free port for the private service" test -n "$port"
bash "$here/stage.sh" data "$data" "$work/data" "$program"
setsid "$service" --port "$port" --data-dir "$work/data" --log "$work/service.log" </dev/null >/dev/null 2>&1 &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 100); do port_open "$port" && break; sleep 0.1; done
check "the private service starts" port_open "$port"
current=$(tr -d ' \r\n' <"$work/data/current-release")

# field NAME: the value of one field of the report (its last line).
field() { tail -n 1 "$report" | jq -r --arg k "$1" '.[$k] // "missing"' 2>/dev/null; }
for lang in eng chs; do
  dir=$work/program-$lang
  check "[$lang] the program directory is staged at 1.5.0" \
    bash "$here/stage.sh" program "$program" "$standins" "http://127.0.0.1:$port" 1.5.0 "$dir"
  report=$work/report-$lang.txt
  bash "$here/subscriber.sh" --program-dir "$dir" --user alice01 --password secret123 --lang "$lang" \
    --screenshots "$shots" --display "$DISPLAY" --cli "$native_cli" >"$report" 2>"$work/steps-$lang.txt"
  status=$?
  echo "[$lang] $(tail -n 1 "$report")"
  check "[$lang] the subscriber reports success" test "$status" = 0
  [ "$status" = 0 ] || cat "$work/steps-$lang.txt"
  for key in updated login connected disconnected exited; do
    check "[$lang] $key is true" test "$(field "$key")" = true
  done
  check "[$lang] servers are listed" test "$(field servers)" -gt 0 2>/dev/null
  check "[$lang] every listed server shows a delay or a time-out" test "$(field delays)" = "$(field servers)"
  check "[$lang] the new release's files are in place" cmp -s "$dir/readme.txt" "$work/data/releases/$current/readme.txt"
done
finish
