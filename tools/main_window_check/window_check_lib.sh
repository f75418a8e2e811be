# Shared by the checks that drive main-window-check.exe on the test display (sourced after
# tests/check_lib.sh): reading the state file the window writes (state), waiting on it, clicking its
# controls by name (id: the window), and the service's notice pop-up that opens over the window.

# The state's first line: "rows N visible V delays M ping P status S tray T connect C engine E curnode NAME".
head_field() { tr -d '\r' 2>/dev/null <"$state" | awk -v k="$1" 'NR == 1 { for (i = 1; i < NF; i++) if ($i == k) { print $(i + 1); exit } }'; }
rows_of() { tr -d '\r' 2>/dev/null <"$state" | awk -F'\t' '/^row / { print }'; }
centre_of() {
  tr -d '\r' 2>/dev/null <"$state" | awk -v n="$1" '$1 == "control" && $2 == n { printf "%d %d\n", ($3 + $5) / 2, ($4 + $6) / 2; exit }'
}
# Waits up to $2 seconds for the command in $1 to succeed.
wait_state() {
  local i=0
  while [ $i -lt $(($2 * 10)) ]; do
    eval "$1" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}
click() {
  local x y
  read -r x y <<<"$(centre_of "$1")"
  [ -n "${x:-}" ] || return 1
  xdotool mousemove --window "$id" "$x" "$y" click 1
  sleep 0.2
  xdotool mousemove --window "$id" 5 300
}
# Clicks at an offset from the centre of the main window (its pop-ups are centred on it).
click_from_centre() {
  local wx wy ww wh
  read -r wx wy ww wh <<<"$(xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2}/^Y=/{y=$2}/^WIDTH=/{w=$2}/^HEIGHT=/{h=$2}END{print x, y, w, h}')"
  xdotool mousemove $((wx + ww / 2 + $1)) $((wy + wh / 2 + $2)) click 1
  sleep 0.3
}
# The notice pop-up: an untitled 560 x 420 window; its close button sits 260, 190 from the centre.
notice_window() {
  local w
  for w in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 560x420' && { echo "$w"; return 0; }
  done
  return 1
}
close_notice() {
  click_from_centre 260 -190
  wait_state '! notice_window >/dev/null' 20
}
