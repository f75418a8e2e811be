#!/usr/bin/env bash
# Update.exe on the test display against the reference service, in English, simplified and traditional
# Chinese: one row per listed file, the files replaced with the served bytes, the new descriptor
# installed, Escape ignored; Complete starts the client beside the updater (a stand-in that records
# its start), Cancel ends the updater without it; a failed run shows its message box and keeps
# Complete disabled. Screenshots of the finished and the failed window for review.
# Usage: updater_gui_check.sh UPDATE_EXE CLIENT_STANDIN_EXE NIMBROOK_CLI_EXE PORT
set -u
updater=$1
standin=$2
cli=$3
port=$4
source "$(dirname "${BASH_SOURCE[0]}")/../../../tests/check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}
release="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../../service/data/releases/1.5.1" && pwd)"
base="http://127.0.0.1:$port/releases/1.5.1/"
mkdir -p "$shots"

# Client-area points of the buttons (the layout's 490 x 320 window at 96 dpi).
complete_x=313 complete_y=288 cancel_x=411 cancel_y=288

enciphered=$("${runner[@]}" "$cli" descriptor encode "$base" 2>/dev/null </dev/null | tr -d '\r\n')

# make_program DIR: the updater and the client stand-in, and the hand-over files the client leaves.
make_program() {
  local dir=$1
  mkdir -p "$dir/config"
  cp "$updater" "$dir/Update.exe"
  cp "$standin" "$dir/Nimbrook.exe"
  printf 'old readme' >"$dir/readme.txt"
  printf '[URL]\r\ndownloadURL=%s\r\n[FILES]\r\nreadme.txt=r2\r\ndocs\\changelog.txt=c2\r\ndocs\\license.txt=l2\r\n' \
    "$enciphered" >"$dir/config/update.ini"
  # The new descriptor as the service signs it (the build trusts the service's test key).
  curl -sf "http://127.0.0.1:$port/descriptor/1.5.1/version.ini" -o "$dir/config/new_version.ini"
  cp "$dir/config/new_version.ini" "$dir.descriptor"
  printf '[FILES]\r\nreadme.txt=r1\r\n' >"$dir/config/version.ini"
}

wait_for() {  # wait_for SECONDS COMMAND...
  local seconds=$1 i=0
  shift
  while [ $i -lt $((seconds * 10)) ]; do
    "$@" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}
same_file() { cmp -s "$1" "$2"; }
updated() {
  same_file "$dir/readme.txt" "$release/readme.txt" && same_file "$dir/docs/changelog.txt" "$release/docs/changelog.txt" &&
    same_file "$dir/docs/license.txt" "$release/docs/license.txt" && [ ! -e "$dir/config/update.ini" ]
}
window_gone() { [ -z "$(xdotool search --name '^UpdateFrame$' 2>/dev/null)" ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
click() {
  xdotool mousemove --window "$id" "$1" "$2" click 1
  sleep 0.2
}

for lang in eng chs cht; do
  dir=$work/program-$lang
  make_program "$dir"
  (cd "$dir" && exec "${runner[@]}" ./Update.exe "$lang" </dev/null >/dev/null 2>&1) &
  pid=$!
  id=$(bash "$gui" wait-window UpdateFrame 30)
  check "[$lang] the updater window opens" test -n "$id"
  [ -n "$id" ] || { kill "$pid" 2>/dev/null; continue; }
  check "[$lang] every listed file is replaced with the served bytes" wait_for 30 updated
  check "[$lang] the new descriptor is installed" \
    wait_for 5 cmp -s "$dir/config/version.ini" "$dir.descriptor"
  check "[$lang] new_version.ini is gone" test ! -e "$dir/config/new_version.ini"
  check "[$lang] no temporary files are left" test -z "$(find "$dir" -name '*.tmp')"
  sleep 0.5
  bash "$gui" screenshot "$shots/updater-$lang.png" UpdateFrame >/dev/null
  check "[$lang] the screenshot is written" test -s "$shots/updater-$lang.png"

  xdotool key --window "$id" Escape
  sleep 0.5
  check "[$lang] Escape leaves the window open" test -n "$(xdotool search --name '^UpdateFrame$' 2>/dev/null)"

  if [ "$lang" = eng ]; then
    click "$complete_x" "$complete_y"
    check "Complete starts the client from the program directory" wait_for 15 test -s "$dir/started.txt"
    check "and ends the updater" wait_for 15 ended
  else
    click "$cancel_x" "$cancel_y"
    check "[$lang] Cancel ends the updater" wait_for 15 ended
    check "[$lang] without starting the client" test ! -e "$dir/started.txt"
  fi
  check "[$lang] the window is gone" wait_for 5 window_gone
  ended || kill "$pid" 2>/dev/null
done

# A release file the service does not have: the run fails with its message box, the status line says
# so, Complete cannot be pressed, Cancel ends the updater; the file replaced before stays replaced.
dir=$work/program-failed
make_program "$dir"
printf '[URL]\r\ndownloadURL=%s\r\n[FILES]\r\nreadme.txt=r2\r\nmissing.txt=m2\r\n' "$enciphered" >"$dir/config/update.ini"
(cd "$dir" && exec "${runner[@]}" ./Update.exe eng </dev/null >/dev/null 2>&1) &
pid=$!
id=$(bash "$gui" wait-window UpdateFrame 30)
check "failed run: the updater window opens" test -n "$id"
box=$(bash "$gui" wait-window Error 30)
check "failed run: the failure is shown in a message box" test -n "$box"
sleep 0.5
bash "$gui" screenshot "$shots/updater-failed-eng.png" >/dev/null
[ -n "$box" ] && xdotool key --window "$box" Return
check "failed run: the file replaced before the failure stays" same_file "$dir/readme.txt" "$release/readme.txt"
check "failed run: the hand-over files are removed" test ! -e "$dir/config/update.ini" -a ! -e "$dir/config/new_version.ini"
check "failed run: the installed descriptor stays" test "$(tr -d '\r' <"$dir/config/version.ini")" = "$(printf '[FILES]\nreadme.txt=r1')"
if [ -n "$id" ]; then
  click "$complete_x" "$complete_y"
  sleep 1
  check "failed run: Complete cannot be pressed" test ! -e "$dir/started.txt"
  check "failed run: the updater still runs" test -n "$(xdotool search --name '^UpdateFrame$' 2>/dev/null)"
  click "$cancel_x" "$cancel_y"
  check "failed run: Cancel ends the updater" wait_for 15 ended
fi
ended || kill "$pid" 2>/dev/null
finish
