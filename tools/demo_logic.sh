#!/usr/bin/env bash
# The logic demo: the client's own code against the reference service, end to end.
#   bash tools/demo_logic.sh BUILD_DIR
# Starts BUILD_DIR/service/nimbrook-service on 127.0.0.1:8080 (the built-in service address),
# fetches the default descriptor with nimbrook-cli, deciphers its URL values, downloads a release
# file and checks it against its FILES stamp, logs in (and shows a refusal), then stops the service
# whatever happened. Exits non-zero when any step fails.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: bash tools/demo_logic.sh BUILD_DIR" >&2
  exit 2
fi
BUILD_DIR=$(cd "$1" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SERVICE=$BUILD_DIR/service/nimbrook-service
CLI=$BUILD_DIR/program/nimbrook-cli
DATA=$ROOT/service/data
PORT=8080
BASE=http://127.0.0.1:$PORT

for program in "$SERVICE" "$CLI"; do
  if [ ! -x "$program" ]; then
    echo "demo: $program is missing; build the native tree first (./nimbrook build native)" >&2
    exit 1
  fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/nimbrook-demo.XXXXXX")
SERVICE_PID=""
cleanup() {
  local status=$?
  if [ -n "$SERVICE_PID" ] && kill -0 "$SERVICE_PID" 2>/dev/null; then
    kill -TERM "$SERVICE_PID" 2>/dev/null || true
    wait "$SERVICE_PID" 2>/dev/null || true
    echo "== service stopped"
  fi
  rm -rf "$WORK"
  if [ $status -ne 0 ]; then
    echo "demo: FAILED (exit $status)" >&2
  fi
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step() { printf '\n== %s\n' "$*"; }
fail() {
  echo "demo: $*" >&2
  if [ -f "$WORK/service.log" ]; then
    echo "-- service log:" >&2
    tail -n 20 "$WORK/service.log" >&2
  fi
  exit 1
}

step "starting the reference service on $BASE"
if (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null; then
  fail "port $PORT is already in use; stop whatever listens there first"
fi
"$SERVICE" --port "$PORT" --data-dir "$DATA" --log "$WORK/requests.log" >"$WORK/service.log" 2>&1 &
SERVICE_PID=$!
for _ in $(seq 1 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null; then break; fi
  kill -0 "$SERVICE_PID" 2>/dev/null || fail "the service ended at start"
  sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null || fail "the service did not start listening"
head -n 1 "$WORK/service.log"

step "fetching the default descriptor"
DESCRIPTOR=$WORK/version.ini
out=$("$CLI" fetch "$BASE/clientupdate/update/raw/master/version.ini" "$DESCRIPTOR") ||
  fail "fetch failed: $out"
echo "nimbrook-cli fetch: $out ($(wc -c <"$DESCRIPTOR") bytes, UTF-16LE)"
iconv -f UTF-16 -t UTF-8 "$DESCRIPTOR" | tr -d '\r' >"$WORK/version.utf8.ini" || fail "descriptor is not UTF-16"

# The lines of one INI section.
section() { awk -v want="[$1]" '/^\[/ { on = ($0 == want); next } on && /=/ { print }' "$WORK/version.utf8.ini"; }

step "descriptor URL values, deciphered with nimbrook-cli descriptor decode"
declare -A URL
while IFS='=' read -r key value; do
  [ -n "$key" ] || continue
  plain=$("$CLI" descriptor decode "$value") || fail "cannot decipher $key"
  URL[$key]=$plain
  printf '  %-12s %s\n' "$key" "$plain"
done < <(section URL)
for key in site loginURL notifyURL versionURL downloadURL; do
  [ -n "${URL[$key]:-}" ] || fail "the descriptor has no $key"
done

step "release files and notice"
section FILES | sed 's/^/  /'
section NOTIFY | sed 's/^/  /'

step "downloading Nimbrook.exe as the updater does and checking its stamp"
stamp=$(section FILES | sed -n 's/^Nimbrook\.exe=//p')
out=$("$CLI" fetch --variant updater "${URL[downloadURL]}/Nimbrook.exe" "$WORK/Nimbrook.exe") ||
  fail "download failed: $out"
got=$(md5sum "$WORK/Nimbrook.exe" | cut -c1-32)
echo "  $(wc -c <"$WORK/Nimbrook.exe") bytes, MD5 $got, stamp $stamp"
[ "$got" = "$stamp" ] || fail "the downloaded file does not match its stamp"

# A program directory as the client keeps it: the login reads and rewrites config/version.ini.
PROGRAM=$WORK/program
mkdir -p "$PROGRAM/config"
cp "$DESCRIPTOR" "$PROGRAM/config/version.ini"

step "logging in as alice01 through ${URL[loginURL]} (first a dead endpoint)"
out=$("$CLI" login --program-dir "$PROGRAM" --endpoints "http://127.0.0.1:9/clogin.php;${URL[loginURL]}" \
  --user alice01 --password secret123 --locale chs) || fail "login was not accepted: $out"
jq -e '.code == 15' >/dev/null <<<"$out" || fail "login was not accepted: $out"
echo "  accepted by $(jq -r .loginEndpoint <<<"$out")"
echo "  account: $(jq -r '.head | "type \(.srvtype), expires \(.expiration), service \(.srvid)"' <<<"$out")"
echo "  catalogue: $(jq '.catalogue.entries | length' <<<"$out") servers; per area group:"
jq -r '.catalogue.groups | to_entries[] | "    \(.key): \(.value | length)"' <<<"$out"
echo "  the first three:"
jq -r '.catalogue.entries[:3][] | "    \(.nasname)  \(.IP)  load \(.percentText)  \(.flag)  \(.offered["10"] | join(","))"' <<<"$out"

step "a wrong password is refused"
out=$("$CLI" login --program-dir "$PROGRAM" --endpoints "${URL[loginURL]}" --user alice01 --password wrongpass \
  --locale eng) && fail "a wrong password was accepted: $out"
jq -e '.code == 16' >/dev/null <<<"$out" || fail "a wrong password was not refused: $out"
echo "  refused: $(jq -r .failureText <<<"$out")"

step "requests the service saw"
sed 's/^/  /' "$WORK/requests.log"

echo
echo "demo: all steps passed"
