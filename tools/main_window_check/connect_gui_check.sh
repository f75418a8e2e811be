#!/usr/bin/env bash
# The connect flow on the test display (Windows build, the reference service and the "openvpn.exe"
# stand-in): a double click on a server offering OVPN-UDP connects (status, button, tray icon, the
# connection line in the log); the button disconnects; an AUTO server offering dial-up first falls
# back to OpenVPN (Wine has no dial-up); a dropped link is reconnected; the close button while
# connected asks "msg_node_linked" and ends the program with the child gone. Screenshots of each state
# in English and simplified Chinese.
# Usage: connect_gui_check.sh MAIN_WINDOW_CHECK_EXE PROGRAM_DIR PORT STANDIN_DIR
set -u
cli=$1
program=$2
port=$3
standins=$4
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../gallery/tests/gallery_check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/window_check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}
endpoint="http://127.0.0.1:$port/clogin.php"
mkdir -p "$shots"

list_box() { tr -d '\r' 2>/dev/null <"$state" | awk '$1 == "control" && $2 == "serverlist" { print $4, $6; exit }'; }
# The centre of the first visible row, inside the list's view, whose connection types match $1.
row_centre() {
  local top bottom
  read -r top bottom <<<"$(list_box)"
  tr -d '\r' 2>/dev/null <"$state" | awk -F'\t' -v re="$1" -v top="$top" -v bottom="$bottom" '
    /^row / && $2 == 1 && $7 ~ re { split($8, r, " "); if (r[2] >= top && r[4] <= bottom) { printf "%d %d %s\n", (r[1] + r[3]) / 2, (r[2] + r[4]) / 2, $3; exit } }'
}
double_click_row() {
  local x y name
  read -r x y name <<<"$(row_centre "$1")"
  [ -n "${x:-}" ] || return 1
  picked=$name
  xdotool mousemove --window "$id" "$x" "$y" click --repeat 2 --delay 80 1
  sleep 0.2
  xdotool mousemove --window "$id" 5 300
}
status_is() { [ "$(head_field status)" = "$1" ]; }
# An area option, then the list's new rows and places (the state follows the layout).
show_area() {
  click "$1"
  if [ "$1" = allopt ]; then
    wait_state '[ "$(head_field visible)" = "$(head_field rows)" ]' 10
  else
    wait_state '[ "$(head_field visible)" -lt "$(head_field rows)" ]' 10
  fi
  sleep 1
}
connections() { tr -d '\r' <"$dir/nimbrook.log" 2>/dev/null | grep -c " | VPN_TYPE " || true; }
child_running() { pgrep -f 'openvpn\.exe.*--config client\.ovpn' >/dev/null 2>&1; }
shot() { bash "$gui" screenshot "$shots/connect-$lang-$1.png" "$window_title" >/dev/null; }

# start_window LANG [OPTION...]: a program directory with the stand-in, the window up, the list filled.
start_window() {
  lang=$1
  shift
  dir=$work/program-$lang
  rm -rf "$dir"
  mkdir -p "$dir/openvpn"
  cp -r "$program/config" "$program/language" "$program/skin" "$program/route" "$dir/"
  cp "$program/openvpn/template.ovpn" "$standins/openvpn.exe" "$dir/openvpn/"
  : >"$dir/openvpn/tap_installed.txt"
  echo success >"$dir/openvpn/scenario.txt"
  local try
  for try in 1 2 3; do
    "${runner[@]}" "$program/nimbrook-cli.exe" fetch "http://127.0.0.1:$port/clientupdate/update/raw/master/version.ini" \
      "$(native_path "$dir/config/version.ini")" </dev/null >/dev/null 2>&1
    [ -s "$dir/config/version.ini" ] && break
  done
  log=$work/notify-$lang.log
  state=$work/state-$lang.txt
  exitf=$work/exit-$lang
  id=""
  rm -f "$state"
  launch_gallery "ready" --program-dir "$(native_path "$dir")" --endpoint "$endpoint" --user alice01 \
    --password secret123 --lang "$lang" --state-file "$(native_path "$state")" --no-echo "$@" || return 1
  window_title=$(tr -d '\r' <"$log" | sed -n 's/^ready .* title //p' | head -n 1)
  id=$(bash "$gui" wait-window "$window_title" 30)
  [ -n "$id" ] && wait_state '[ -n "$(head_field rows)" ] && [ "$(head_field rows)" -gt 0 ]' 60
}

for lang in eng chs; do
  start_window "$lang" --reconn
  check "[$lang] the main window opens with the catalogue" test -n "$id"
  [ -n "$id" ] || { tr -d '\r' <"$log" | head -n 5; continue; }
  shot idle
  # The service's notice (its descriptor announces one) pops up a few seconds after the window.
  check "[$lang] the service's notice pops up over the window" wait_state 'notice_window >/dev/null' 60
  sleep 1
  bash "$gui" screenshot "$shots/connect-$lang-notice.png" >/dev/null
  check "[$lang] and its close button takes it away" close_notice

  # AUTO on a server whose first protocol is OVPN-UDP.
  show_area americaopt
  check "[$lang] a double click on a server offering OVPN-UDP first" double_click_row '^OVPN-UDP='
  check "[$lang] shows the connecting state" wait_state 'status_is str_connecting || status_is str_connect_ok' 10
  shot connecting
  check "[$lang] connects" wait_state 'status_is str_connect_ok' 60
  check "[$lang] with the connected tray icon and the button usable" \
    wait_state '[ "$(head_field tray)" = 129 ] && [ "$(head_field connect)" = 1 ]' 5
  check "[$lang] the log names the server, protocol 2 and the route mode" \
    grep -q "^$picked | VPN_TYPE 2 | ROUTE_TYPE [0-9]" <(tr -d '\r' <"$dir/nimbrook.log")
  sleep 0.5
  shot connected

  click btn_connect
  check "[$lang] the button disconnects" wait_state 'status_is str_un_connected && [ "$(head_field tray)" = 127 ]' 30
  check "[$lang] and the child is gone" wait_state '! child_running' 20
  shot disconnected

  if [ "$lang" = eng ]; then
    # AUTO on a server offering PPTP first: the dial-up attempt fails here and OpenVPN follows.
    show_area allopt
    check "AUTO on a PPTP-then-OVPN-UDP server" double_click_row '^PPTP=[0-9]*#OVPN-UDP='
    check "falls back to OpenVPN and connects" wait_state 'status_is str_connect_ok' 60
    check "after a dial-up attempt and then an OpenVPN one" \
      grep -q "^$picked | VPN_TYPE 2 |" <(tr -d '\r' <"$dir/nimbrook.log")
    check "the failed dial-up attempt stays in the error line" test -n "$(tr -d '\r' <"$dir/nimbrook.log" | grep "^$picked | VPN_TYPE 0 |")"
    shot auto-fallback
    click btn_connect
    check "disconnects again" wait_state 'status_is str_un_connected' 30

    # A link that drops is reconnected (the reconnection after about three seconds).
    echo drop >"$dir/openvpn/scenario.txt"
    show_area americaopt
    before=$(connections)
    check "a server connected with a link that drops" double_click_row '^OVPN-UDP='
    check "is connected again after the drop" wait_state '[ "$(connections)" -ge $((before + 2)) ]' 40
    echo success >"$dir/openvpn/scenario.txt"
    # The attempt that reads the new scenario holds: connected, and still so a while later (a dropping
    # link goes down within a second of coming up).
    held() { status_is str_connect_ok && sleep 3 && status_is str_connect_ok; }
    check "and stays connected once the link holds" wait_state held 40
  else
    show_area americaopt
    double_click_row '^OVPN-UDP=' >/dev/null
    wait_state 'status_is str_connect_ok' 60
  fi

  # The close button while connected asks first; OK disconnects and ends the program.
  check "[$lang] connected before the exit" wait_state 'status_is str_connect_ok' 10
  click closebtn
  sleep 1.5
  bash "$gui" screenshot "$shots/connect-$lang-exit-question.png" >/dev/null
  # The box (400 x 210) is centred on the window; its OK button sits 132, 74 right of and below the centre.
  click_from_centre 132 74
  check "[$lang] OK ends the program" wait_line "^ended$" 40
  check "[$lang] with the child gone" wait_state '! child_running' 10
  wait "$pid" 2>/dev/null
done
finish
