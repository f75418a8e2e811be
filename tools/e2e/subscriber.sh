#!/usr/bin/env bash
# The scripted subscriber: drives a staged program directory under Wine on an X display as a person
# would, with real mouse and keyboard input, and reports what happened as one JSON line.
#   subscriber.sh --program-dir DIR --user U --password P [--lang eng|chs|cht] [--screenshots DIR]
#                 [--display :N] [--cli NIMBROOK_CLI]
# Steps: start Nimbrook.exe; take an offered update and let Update.exe finish and restart the client;
# log in; wait for the main window and the end of the delay pass; pick the first server offering
# OVPN-UDP and that protocol; connect; disconnect; exit through the tray menu. A screenshot follows
# each step. The program's state is read from its windows (which ones are up, their sizes and a few
# pixels) and from nimbrook.log; nothing is asked of the program that a person could not see.
# Which server offers OVPN-UDP is read from the service's own catalogue (a login with nimbrook-cli on
# a copy of the installed descriptor), as a subscriber reads it off the service's server list; the log
# line of the connection then shows the server and the protocol the client really used.
# Without --display a virtual display is started (and stopped); WINEPREFIX names the Wine prefix
# (default: build/e2e/wineprefix). Exit status 0 when every step worked.
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
started=$(date +%s)

program="" user="" password="" lang=eng shots="" display="" cli=""
while [ $# -gt 0 ]; do
  case "$1" in
    --program-dir) program=$2; shift 2 ;;
    --user) user=$2; shift 2 ;;
    --password) password=$2; shift 2 ;;
    --lang) lang=$2; shift 2 ;;
    --screenshots) shots=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    *) echo "subscriber: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$program" ] || [ -z "$user" ] || [ -z "$password" ]; then
  echo "usage: subscriber.sh --program-dir DIR --user U --password P [--lang eng|chs|cht] [--screenshots DIR] [--display :N]" >&2
  exit 2
fi
case "$lang" in eng | chs | cht) ;; *) echo "subscriber: --lang is eng, chs or cht" >&2; exit 2 ;; esac
[ -f "$program/Nimbrook.exe" ] || { echo "subscriber: no Nimbrook.exe in $program" >&2; exit 2; }
program=$(cd "$program" && pwd)
shots=${shots:-$program/screenshots}
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
cli=${cli:-$ROOT/build/native/program/nimbrook-cli}
[ -x "$cli" ] || { echo "subscriber: $cli is missing (build the native tree)" >&2; exit 2; }

source "$ROOT/tools/e2e/window_lib.sh"

# --- the outcome, printed whatever happens
updated=false login=false servers=0 delays=0 connected=false disconnected=false exited=false
work=$(mktemp -d "${TMPDIR:-/tmp}/nimbrook-subscriber.XXXXXX")
own_display_state=""
report() {
  local status=$?
  # Whatever is left of the programs of this directory ends with the run.
  for p in $(program_pids); do kill "$p" 2>/dev/null; done
  if [ -n "$own_display_state" ]; then bash "$ROOT/cmake/gui_env.sh" stop "$own_display_state" >/dev/null 2>&1; fi
  rm -rf "$work"
  printf '{"updated": %s, "login": %s, "servers": %d, "delays": %d, "connected": %s, "disconnected": %s, "exited": %s, "seconds": %d}\n' \
    "$updated" "$login" "$servers" "$delays" "$connected" "$disconnected" "$exited" "$(($(date +%s) - started))"
  exit $status
}
trap report EXIT
trap 'exit 130' INT TERM
step() { echo "subscriber: $*" >&2; }
give_up() { echo "subscriber: $*" >&2; shot failed root; exit 1; }

# --- display and Wine
if [ -z "$display" ]; then
  own_display_state=$work/display
  bash "$ROOT/cmake/gui_env.sh" start "$own_display_state" >/dev/null || give_up "no virtual display could be started"
  display=$(cat "$own_display_state/display")
  DISPLAY=$display setsid xcompmgr </dev/null >/dev/null 2>&1 &
fi
export DISPLAY=$display
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$ROOT/build/e2e/wineprefix
  bash "$ROOT/cmake/wine_env.sh" start "$WINEPREFIX" >/dev/null || give_up "the Wine prefix could not be made"
fi

# --- the program's files as the steps read them
log_file() { ls "$program"/[Nn]imbrook.log 2>/dev/null | head -n 1; }
log_text() { local f; f=$(log_file); [ -n "$f" ] && tr -d '\r' <"$f" | sed '1s/^\xEF\xBB\xBF//'; }
log_lines() { log_text | wc -l; }
# Lines written since line $1.
log_since() { log_text | tail -n +$(($1 + 1)); }
descriptor_text() { iconv -f UTF-16LE -t UTF-8 "$program/config/version.ini" 2>/dev/null | tr -d '\r\357\273\277' || cat "$program/config/version.ini"; }
set_language() {
  local ini=$program/config/config.ini
  mkdir -p "$program/config"
  if [ -f "$ini" ] && grep -qa '^language=' <(tr -d '\r' <"$ini"); then
    sed -i "s/^language=[a-z]*/language=$lang/" "$ini"
  elif [ -f "$ini" ] && grep -qa '^\[Setting\]' <(tr -d '\r' <"$ini"); then
    sed -i "s/^\[Setting\]\r\{0,1\}$/&\nlanguage=$lang\r/" "$ini"
  else
    printf '[Setting]\r\nlanguage=%s\r\n' "$lang" >>"$ini"
  fi
}

step_no=0
shot() {  # NAME [WINDOW|root] [keep]
  step_no=$((step_no + 1))
  local file
  file=$shots/$(printf '%02d' "$step_no")-$lang-$1.png
  # The pointer leaves the picture, except over a pop-up that closes when it loses the pointer.
  [ "${3:-}" = keep ] || xdotool mousemove 0 799 2>/dev/null
  sleep 0.3
  if [ "${2:-root}" = root ]; then grab_root "$file"; else grab_window "$2" "$file"; fi
}

launch() {
  (cd "$program" && exec wine ./Nimbrook.exe </dev/null >/dev/null 2>&1 9>&-) &
}

# --- 1. start, and take an offered update
set_language
before_descriptor=$(descriptor_text | md5sum)
step "starting Nimbrook.exe in $program ($lang)"
launch
first_window=""
for attempt in 1 2; do
  first_window=$(wait_any 90 update box login main) && break
  # A Wine desktop started before the display gives the first program no window: start again.
  client_running && give_up "no window appeared after the start"
  launch
done
[ -n "$first_window" ] || give_up "Nimbrook.exe shows no window"
if [ "$(kind_of "$first_window")" = update ]; then shot update-check "$first_window"; fi

kind=$(kind_of "$(wait_any 120 box login main)")
if [ "$kind" = box ]; then
  win=$(find_window box)
  shot update-offered "$win"
  step "an update is offered: taking it"
  prompt=$win
  click_in "$win" "${box_ok_at[@]}"
  updater=$(wait_any 90 updater) || give_up "Update.exe did not open its window"
  for i in $(seq 1 40); do window_up "$prompt" || break; sleep 0.25; done
  shot updater-running "$updater"
  # Complete becomes usable when the job has finished: a person clicks it until the window goes.
  finished=false
  for i in $(seq 1 240); do
    if ! window_up "$updater"; then finished=true; break; fi
    box=$(find_window box) && [ "$box" != "$prompt" ] && sleep 1 && window_up "$box" && window_up "$updater"
    if [ $? = 0 ]; then
      shot updater-failed root
      give_up "the updater reported a failure"
    fi
    if updater_complete_enabled "$updater"; then
      [ "$i" -gt 1 ] && shot updater-finished "$updater"
      click_in "$updater" "${complete_at[@]}"
      sleep 1
      continue
    fi
    sleep 0.5
  done
  $finished || give_up "the updater did not finish"
  # Complete starts the new client; it checks again and finds nothing newer.
  kind=$(kind_of "$(wait_any 120 box login main)")
  [ "$kind" = box ] && give_up "the update is offered again after it was applied"
  [ "$(descriptor_text | md5sum)" != "$before_descriptor" ] && updated=true
fi
[ "$kind" = login ] || [ "$kind" = main ] || give_up "the login window did not appear"

# --- 2. log in
if [ "$kind" = login ]; then
  win=$(find_window login)
  shot login "$win"
  step "logging in as $user"
  click_in "$win" "${username_at[@]}"
  xdotool key --delay 20 ctrl+a BackSpace
  xdotool type --delay 20 "$user"
  click_in "$win" "${password_at[@]}"
  xdotool key --delay 20 ctrl+a BackSpace
  xdotool type --delay 20 "$password"
  shot login-filled "$win"
  click_in "$win" "${login_at[@]}"
  # The main window follows an accepted login; a refusal shows in red in the login window's tips line.
  main=""
  for i in $(seq 1 60); do
    main=$(find_window main) && break
    if [ "$(tips_red_pixels "$win")" -gt 20 ]; then
      shot login-refused "$win"
      give_up "the login was refused (the tips line shows why)"
    fi
    sleep 1
  done
  [ -n "$main" ] || { shot login-failed root; give_up "the main window did not open after the login"; }
else
  main=$(find_window main)
fi
login=true
step "the main window is up"

# --- 3. the catalogue and the delay pass (the service's notice may pop up at any time from here on)
wait_log_line '^服务器列表: ' 30 || give_up "the main window did not build the server list"
servers=$(log_text | sed -n 's/^服务器列表: \([0-9]*\)$/\1/p' | tail -n 1)
if wait_log_line '^延迟测试结束: ' 120; then
  delays=$(log_text | sed -n 's/^延迟测试结束: \([0-9]*\)\/.*/\1/p' | tail -n 1)
else
  give_up "the delay pass did not end"
fi
close_notice_if_up "$main" && shot notice-closed "$main"
shot main-window "$main"

# --- 4. the first server that offers OVPN-UDP, and that protocol
step "looking the servers up in the service's catalogue"
lookup=$(first_server_offering OVPN-UDP)
case $? in
  0) ;;
  2) give_up "the service's catalogue could not be read (nimbrook-cli login failed)" ;;
  *) give_up "no server of the catalogue offers OVPN-UDP" ;;
esac
read -r row_index picker_row picker_rows server_name <<<"$lookup"
step "row $row_index ($server_name), picker row $picker_row of $picker_rows"
close_notice_if_up "$main"
select_row "$main" "$row_index"
shot server-selected "$main"
# A notice that pops up meanwhile takes the focus and closes the picker: then the pick is made again.
chosen=false
for attempt in 1 2 3; do
  close_notice_if_up "$main"
  rest_pointer "$main"
  shown_before=$(protocol_display_print "$main")
  click_in "$main" "${protocol_button_at[@]}"
  picker=$(wait_picker "$picker_rows" 10) || continue
  shot protocol-picker root keep
  click_picker_row "$picker" "$picker_row"
  # The protocol box shows the pick once the window has handled it.
  for i in $(seq 1 10); do
    rest_pointer "$main"
    find_window notice >/dev/null && break
    [ "$(protocol_display_print "$main")" != "$shown_before" ] && { chosen=true; break; }
  done
  $chosen && break
done
$chosen || give_up "the protocol picker did not open with $picker_rows rows or the pick did not show"
shot protocol-chosen "$main"

# --- 5. connect
close_notice_if_up "$main"
mark=$(log_lines)
step "connecting"
click_in "$main" "${connect_at[@]}"
if wait_log_line "^已连接: " 90 "$mark"; then
  # The first attempt after the click: the chosen server with OVPN-UDP (2), not an AUTO walk.
  line=$(log_since "$mark" | grep " | VPN_TYPE " | head -n 1)
  if [ "$line" = "${line#"$server_name | VPN_TYPE 2 |"}" ]; then
    give_up "the client connected another server or protocol: $line"
  fi
  connected=true
else
  shot connect-failed "$main"
  give_up "no connection (the window's status and error line show why)"
fi
sleep 1
shot connected "$main"

# --- 6. disconnect
close_notice_if_up "$main"
mark=$(log_lines)
step "disconnecting"
click_in "$main" "${connect_at[@]}"
wait_log_line "^已断开: " 60 "$mark" || give_up "the connection did not end"
disconnected=true
sleep 1
shot disconnected "$main"

# --- 7. exit through the tray menu
close_notice_if_up "$main"
step "exiting through the tray menu"
tray=$(wait_tray 10) || give_up "no tray icon"
open_tray_menu "$tray" || give_up "the tray menu did not open"
shot tray-menu root keep
# The menu's last item is the exit; the client asks before it ends.
xdotool key --delay 150 Up Return
if question=$(wait_any 10 box); then
  shot exit-question "$question"
  click_in "$question" "${box_ok_at[@]}"
fi
if wait_gone 40; then
  exited=true
else
  shot exit-failed root
  give_up "the client did not end"
fi
shot exited root
step "done"
exit 0
