#!/usr/bin/env bash
# The demo: the real product against the local reference service, driven by the scripted subscriber.
#   bash tools/demo.sh ROOT [--visible]
# Starts ROOT/build/native/service/nimbrook-service (on 127.0.0.1:8080, the built-in service address,
# or a free port when 8080 is taken) with a copy of the service data whose current release carries the
# Windows programs just built; stages those programs installed at the release before it; runs the
# scripted subscriber (update, login, delay pass, OVPN-UDP connection, disconnection, exit through the
# tray) on a virtual display, or on the user's display with --visible when DISPLAY is set; then prints
# where the screenshots are and makes one contact sheet of them. Exits non-zero when a step fails.
set -uo pipefail
ROOT=$(cd "$1" && pwd)
shift
visible=0
[ "${1:-}" = --visible ] && visible=1
OUT=$ROOT/build/demo
SERVICE=$ROOT/build/native/service/nimbrook-service
CLI=$ROOT/build/native/program/nimbrook-cli
PROGRAM=$ROOT/build/win64/program
STANDINS=$ROOT/build/win64/standins
for need in "$SERVICE" "$CLI" "$PROGRAM/Nimbrook.exe" "$STANDINS/openvpn.exe"; do
  [ -e "$need" ] || { echo "demo: $need is missing; build first (./nimbrook build native; ./nimbrook build win64)" >&2; exit 1; }
done

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=8080
if port_open "$port"; then
  for port in $(shuf -i 20000-40000 -n 40); do port_open "$port" || break; done
fi

rm -rf "$OUT"
mkdir -p "$OUT/screenshots"
echo "== staging the service data and the programs in $OUT"
bash "$ROOT/tools/e2e/stage.sh" data "$ROOT/service/data" "$OUT/data" "$PROGRAM" || exit 1
setsid "$SERVICE" --port "$port" --data-dir "$OUT/data" --log "$OUT/service.log" </dev/null >/dev/null 2>&1 &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null' EXIT
for _ in $(seq 1 100); do port_open "$port" && break; sleep 0.1; done
port_open "$port" || { echo "demo: the reference service did not start on port $port" >&2; exit 1; }
echo "== reference service on http://127.0.0.1:$port"
bash "$ROOT/tools/e2e/stage.sh" program "$PROGRAM" "$STANDINS" "http://127.0.0.1:$port" 1.5.0 "$OUT/program" || exit 1

display=()
if [ "$visible" = 1 ] && [ -n "${DISPLAY:-}" ]; then display=(--display "$DISPLAY"); fi
echo "== the scripted subscriber (alice01) in $OUT/program"
bash "$ROOT/tools/e2e/subscriber.sh" --program-dir "$OUT/program" --user alice01 --password secret123 \
  --lang eng --screenshots "$OUT/screenshots" --cli "$CLI" "${display[@]}" | tee "$OUT/report.json"
status=${PIPESTATUS[0]}

shopt -s nullglob
shots=("$OUT"/screenshots/*.png)
if [ ${#shots[@]} -gt 0 ]; then
  montage -label '%t' -pointsize 14 -geometry 450x320+6+6 -tile 4x -background '#F4F6F8' "${shots[@]}" \
    "$OUT/contact-sheet.png" 2>/dev/null
fi
echo "== screenshots: $OUT/screenshots (${#shots[@]} files)"
[ -f "$OUT/contact-sheet.png" ] && echo "== contact sheet: $OUT/contact-sheet.png"
[ "$status" = 0 ] && echo "demo: all steps passed" || echo "demo: FAILED (see the report above and the screenshots)" >&2
exit "$status"
