#!/usr/bin/env bash
# The demo: the client's own code against the reference service, end to end.
#   bash tools/demo.sh BUILD_DIR
# Starts BUILD_DIR/service/nimbrook-service on 127.0.0.1:8080 (the built-in service address),
# fetches the default descriptor with nimbrook-cli, deciphers its URL values, downloads a release
# file and checks it against its FILES stamp, logs in (and shows a refusal), then stops the service
# whatever happened. Exits non-zero when any step fails.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: bash tools/demo.sh BUILD_DIR" >&2
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

# The "answer" and "result" of nimbrook-cli's JSON line {"answer":"...","result":N}.
json_field() {
  local name=$1 json=$2
  case $name in
    result) sed -n 's/.*"result":\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$json" ;;
    answer) sed -n 's/^{"answer":"\(.*\)","result":.*/\1/p' <<<"$json" ;;
  esac
}

# The login encodings, as the client builds its bodies: Base64 with CR LF after every 76 characters
# of complete groups, the reversed key "tessivar_w" interleaved after the first ten characters, "="
# written as "LGLGL"; the signature is the MD5 of the text and the salt "PlumaPluma537".
encode_params() {
  local raw full pad="" e="" out="" key="w_ravisset" i n
  raw=$(printf '%s' "$1" | base64 -w 0)
  full=$raw
  if [[ $raw == *= ]]; then
    full=${raw:0:${#raw}-4}
    pad=${raw: -4}
  fi
  while [ ${#full} -ge 76 ]; do
    e+="${full:0:76}"$'\r\n'
    full=${full:76}
  done
  e+="$full$pad"
  n=${#e}
  for ((i = 0; i < 10 && i < n; i++)); do out+="${e:i:1}${key:i:1}"; done
  if ((n > 10)); then out+="${e:10}"; fi
  printf '%s' "${out//=/LGLGL}"
}
sign_params() { printf '%s' "$1PlumaPluma537" | md5sum | cut -c1-32; }
login_body() {
  local text="username=$1;password=$2;version=1.5.0.0;locale=$3;source=demo;cpusn=BFEBFBFF000906EA"
  text+=";macaddress=00:1A:2B:3C:4D:5E;harddisksn=DEMO0001;systemver=Microsoft Windows 10 64"
  printf 'm=windows&a=login&p=%s&hash=%s' "$(encode_params "$text")" "$(sign_params "$text")"
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

LOGIN_URL=${URL[loginURL]%%;*}
step "logging in as alice01 at $LOGIN_URL"
out=$("$CLI" post "$LOGIN_URL" "$(login_body alice01 secret123 chs)") || fail "login request failed: $out"
answer=$(json_field answer "$out")
[[ $answer == yes\|* ]] || fail "login was not accepted: $out"
head=${answer#yes|}
head=${head%%_*}
naslist=${answer#*_}
servers=$(tr ';' '\n' <<<"$naslist" | grep -c 'nasname,' || true)
echo "  account: ${head//|/  }"
echo "  catalogue: $servers servers, the first three:"
tr ';' '\n' <<<"$naslist" | head -n 3 | sed 's/^/    /'

step "a wrong password is refused"
out=$("$CLI" post "$LOGIN_URL" "$(login_body alice01 wrongpass eng)") || fail "request failed: $out"
answer=$(json_field answer "$out")
echo "  $answer"
[[ $answer == no\|* ]] || fail "a wrong password was not refused: $out"

step "requests the service saw"
sed 's/^/  /' "$WORK/requests.log"

echo
echo "demo: all steps passed"
