#!/usr/bin/env bash
# Nimbrook.exe on the test display against the reference service: a fresh program directory fetches
# the descriptor and reaches the login window; a second start ends by itself without a window of its
# own; a wrong password is refused in the tips line; the right one opens the main window; auto-login
# logs in without a click on the next start. Screenshots of the update check and login windows in
# English and traditional Chinese.
# Usage: nimbrook_gui_check.sh NIMBROOK_EXE PROGRAM_DIR SERVICE_EXE SERVICE_DATA UPDATE_STANDIN
set -u
exe=$1
program=$2
service=$3
data=$4
standin=$5
cli=$exe
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/gallery/tests/gallery_check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}
mkdir -p "$shots"

# --- the services: a private one for the releases this check switches, and the built-in default
# descriptor address's (127.0.0.1:8080), which a fresh program directory fetches from.
cp -r "$data" "$work/data"
service_pids=()
port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
start_service() {  # PORT LOG
  setsid "$service" --port "$1" --data-dir "$work/data" --log "$2" </dev/null >/dev/null 2>&1 9>&- &
  service_pids+=($!)
  local i
  for i in $(seq 1 100); do port_open "$1" && return 0; sleep 0.1; done
  return 1
}
stop_services() {
  local p
  for p in "${service_pids[@]}"; do kill "$p" 2>/dev/null; done
}
trap 'stop_services; rm -rf "$work"' EXIT
port=""
for candidate in $(shuf -i 20000-40000 -n 40); do
  port_open "$candidate" || { port=$candidate; break; }
done
check "a free port for the private service" test -n "$port"
check "the private service starts" start_service "$port" "$work/service.log"
# Another copy of the reference service may already serve the default address; it serves the same
# descriptor. Otherwise this check serves it, holding the lock so two checks never race for the port.
exec 9>/tmp/nimbrook-default-service.lock
flock -o -w 120 9
own_default=0
if ! port_open 8080; then
  start_service 8080 "$work/default-service.log" && own_default=1 || fail "the default-address service starts"
fi
check "the default descriptor address answers" port_open 8080

# --- windows by what they look like (sizes, the login window's blue brand panel) and the places of
# their controls: the scripted subscriber's library.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/e2e/window_lib.sh"
shot() {  # WINDOW FILE
  local x y size
  xdotool mousemove 0 0
  read -r x y <<<"$(window_origin "$1")"
  size=$(window_size "$1")
  [ -n "$x" ] && grab "${size}+${x}+${y}" "$2"
}
count_windows() {  # SIZE
  local id n=0
  for id in $(visible_windows); do [ "$(window_size "$id")" = "$1" ] && n=$((n + 1)); done
  echo "$n"
}
wait_window() {  # KIND SECONDS: sets win
  local i
  win=""
  for i in $(seq 1 $(($2 * 5))); do
    win=$(find_window "$1") && return 0
    sleep 0.2
  done
  return 1
}
gone() {  # KIND SECONDS
  local i
  for i in $(seq 1 $(($2 * 5))); do
    find_window "$1" >/dev/null || return 0
    sleep 0.2
  done
  return 1
}
wait_until() {  # COMMAND SECONDS
  local i
  for i in $(seq 1 $(($2 * 5))); do
    eval "$1" && return 0
    sleep 0.2
  done
  return 1
}
click() { click_in "$@"; }
wait_for_log() {  # TEXT SECONDS: in the request logs of the services this check started
  local i
  for i in $(seq 1 $(($2 * 10))); do
    cat "$work"/*service.log 2>/dev/null | grep -q -- "$1" && return 0
    sleep 0.1
  done
  return 1
}
wait_exit() {  # PID SECONDS
  local i
  for i in $(seq 1 $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || { wait "$1" 2>/dev/null; return 0; }
    sleep 0.1
  done
  return 1
}

# Where the login form's controls are (the layout's 800 x 572 at 96 dpi).
auto_lab_at=(665 301)
minbtn_at=(748 20)
closebtn_at=(780 20)
main_closebtn_at=(879 20)
# On the main window (900 x 640): the notice pop-up's close button and the exit question's OK, both
# pop-ups centred on it.
main_notice_close_at=(710 130)
main_exit_ok_at=(582 394)
# The notice pop-up: an untitled 560 x 420 window.
notice_up() {
  local w
  for w in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 560x420' && return 0
  done
  return 1
}
wait_notice() {  # SECONDS: true once the notice pop-up is up
  local i
  for i in $(seq 1 $(($1 * 10))); do
    notice_up && return 0
    sleep 0.1
  done
  return 1
}
# Closes the main window through its close button and the question that follows.
quit_main() {  # WINDOW
  click "$1" "${main_closebtn_at[@]}"
  sleep 1.5
  click "$1" "${main_exit_ok_at[@]}"
}

# stage NAME LANG RELEASE [DESCRIPTOR_PORT]: a program directory with the client, its data and the
# release's other files; with a port, the installed descriptor of RELEASE from that service.
stage() {
  local dir=$work/$1
  mkdir -p "$dir/config"
  cp "$exe" "$dir/Nimbrook.exe"
  cp -r "$program/language" "$program/skin" "$dir/"
  cp "$standin" "$dir/update.exe"
  (cd "$work/data/releases/$3" && find . -type f ! -name Nimbrook.exe ! -name update.exe -exec cp --parents {} "$dir/" \;)
  printf '[Setting]\r\nlanguage=%s\r\n' "$2" >"$dir/config/config.ini"
  if [ -n "${4:-}" ]; then
    curl -s -o "$dir/config/version.ini" "http://127.0.0.1:$4/descriptor/$3/version.ini"
  fi
  echo "$dir"
}
launch() {  # DIR: starts the client there; sets pid
  # Without the lock's descriptor: a Wine server started from here must not hold the lock.
  (cd "$1" && exec "${runner[@]}" ./Nimbrook.exe </dev/null >/dev/null 2>&1 9>&-) &
  pid=$!
}

# --- a fresh program directory: update check, login window, bring-forward, refusal, login.
dir=$(stage fresh eng 1.5.1)
launch "$dir"
first=$pid
if wait_window update 60; then
  pass
  shot "$win" "$shots/update-check-eng.png"
else
  fail "the update check window opens"
fi
check "the login window follows the check" wait_window login 60
login=$win
check "the descriptor was fetched and installed" test -s "$dir/config/version.ini"
check "nothing is left for the updater" test ! -e "$dir/config/update.ini"
check "the updater stand-in was not started" test ! -e "$dir/update-command-line.txt"
if [ -n "$login" ]; then
  sleep 0.5
  shot "$login" "$shots/login-eng.png"
  check "the login screenshot is written" test -s "$shots/login-eng.png"

  # A second start while the login window is minimised ends by itself without a window of its own.
  # (It shows the first one's window and asks for the foreground; without a window manager neither
  # changes what the display shows, so only the ending and the windows are checked here.)
  click "$login" "${minbtn_at[@]}"
  launch "$dir"
  second=$pid
  check "a second start ends by itself" wait_exit "$second" 30
  check "it opened no window of its own" test "$(count_windows 800x572)" = 1
  check "the first one still runs" kill -0 "$first"

  click "$login" "${username_at[@]}"
  xdotool type --delay 20 alice01
  click "$login" "${password_at[@]}"
  xdotool type --delay 20 wrongpass1
  click "$login" "${login_at[@]}"
  if [ "$own_default" = 1 ]; then
    check "the service refuses the wrong password" wait_for_log "refused: Incorrect" 20
  fi
  sleep 2
  red=$(tips_red_pixels "$login")
  check "the refusal text shows in the tips line ($red red pixels)" test "$red" -gt 20
  check "no main window opens for it" gone main 1
  shot "$login" "$shots/login-eng-refused.png"

  click "$login" "${password_at[@]}"
  xdotool key --delay 20 End $(printf 'BackSpace %.0s' $(seq 1 16))
  xdotool type --delay 20 secret123
  click "$login" "${auto_lab_at[@]}"
  click "$login" "${login_at[@]}"
  check "the right password opens the main window" wait_window main 40
  main=$win
  check "the login window closes" gone login 10
  if [ -n "$main" ]; then
    # The service's notice shows once a day: on this first main window, a few seconds after it opens.
    check "the service's notice pops up over the main window" wait_notice 60
    sleep 1
    bash "$gui" screenshot "$shots/main-notice-eng.png" >/dev/null
    click "$main" "${main_notice_close_at[@]}"
    check "its close button takes it away" bash -c 'for i in $(seq 1 200); do '"$(declare -f notice_up)"'; notice_up || exit 0; sleep 0.1; done; exit 1'
    quit_main "$main"
    check "closing the main window, with OK to its question, ends the client" wait_exit "$first" 30
  fi
  check "the remembered login is saved" grep -q 'auto_login=1' "$dir/config/config.ini"

  # The next start logs in by itself.
  launch "$dir"
  check "auto-login opens the main window without a click" wait_window main 60
  if [ -n "$win" ]; then
    check "the notice shown today does not come back the same day" bash -c '! { '"$(declare -f notice_up wait_notice)"'; wait_notice 12; }'
    quit_main "$win"
    wait_exit "$pid" 30 || kill "$pid" 2>/dev/null
  fi
fi
kill "$first" 2>/dev/null

# --- the windows in traditional Chinese (the scripted subscriber's check shows them in simplified
# Chinese, and takes an offered update through the real updater).
for lang in cht; do
  dir=$(stage "shots-$lang" "$lang" 1.5.1 "$port")
  launch "$dir"
  if wait_window update 60; then
    shot "$win" "$shots/update-check-$lang.png"
    pass
  else
    fail "[$lang] the update check window opens"
  fi
  if wait_window login 60; then
    pass
    sleep 0.5
    shot "$win" "$shots/login-$lang.png"
    check "[$lang] the login screenshot is written" test -s "$shots/login-$lang.png"
    click "$win" "${closebtn_at[@]}"
    check "[$lang] the close button ends the client" wait_exit "$pid" 20
  else
    fail "[$lang] the login window opens"
  fi
  kill "$pid" 2>/dev/null
done

finish
