#!/usr/bin/env bash
# The gallery program on the test display (Windows build, run with NEEDS_DISPLAY): it opens at its
# layout size, a scripted click on a button and typed text (Latin and Chinese) reach its notification
# log, the exit file ends it, and screenshots in English and simplified Chinese are written for
# review. Usage: gallery_gui_check.sh TOOLKIT_GALLERY_EXE
set -u
cli=$1
source "$(dirname "${BASH_SOURCE[0]}")/../../../tests/check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/gallery_check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}
title="Nimbrook Toolkit Gallery"
mkdir -p "$shots"

# The centre of a named control from the gallery's layout dump (logical = device pixels at 96 dpi).
centre_of() {
  awk -v n="$1" '$1 == n { printf "%d %d\n", ($3 + $5) / 2, ($4 + $6) / 2; exit }' "$dump" 2>/dev/null
}

# Starts the gallery in a language and waits for its window; sets pid, id, log, dump, exitf.
start_gallery() {
  local lang=$1
  log=$work/notify-$lang.log
  dump=$work/layout-$lang.txt
  exitf=$work/exit-$lang
  id=""
  rm -f "$dump"
  launch_gallery "ready" --lang "$lang" --layout-dump "$(native_path "$dump")" || return
  id=$(bash "$gui" wait-window "$title" 30)
}

# --- English: open, click, type, screenshot, exit
start_gallery eng
check "the gallery window appears" test -n "$id"
if [ -n "$id" ]; then
  check "the gallery reports ready in English" wait_line "^ready eng$"
  check "windowinit is logged" wait_line "^windowinit "
  i=0; while [ ! -s "$dump" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  check "the layout dump is written after the first paint" test -s "$dump"
  geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/^ *Geometry: *//p')
  layout_size=$(tr -d '\r' <"$log" | sed -n 's/^layout-size //p' | head -n 1)
  check "the layout names a window size ($layout_size)" test -n "$layout_size"
  check "the window has the layout's size at 96 dpi ($geometry)" test "$geometry" = "$layout_size"

  read -r x y <<<"$(centre_of ok)"
  if [ -n "${x:-}" ]; then
    xdotool mousemove --window "$id" "$x" "$y" click 1
    check "a scripted click on the button logs its click" wait_line "^click ok$"
  else
    fail "the button ok is in the layout dump"
  fi
  read -r x y <<<"$(centre_of gallery_disabled)"
  if [ -n "${x:-}" ]; then
    xdotool mousemove --window "$id" "$x" "$y" click 1
    sleep 0.5
    check "a click on a disabled button logs nothing" bash -c "! tr -d '\r' <'$log' | grep -q '^click gallery_disabled$'"
  fi
  read -r x y <<<"$(centre_of freeopt)"
  if [ -n "${x:-}" ]; then
    xdotool mousemove --window "$id" "$x" "$y" click 1
    check "an option click logs selectchanged" wait_line "^selectchanged freeopt$"
  fi
  read -r x y <<<"$(centre_of row_jp)"
  if [ -n "${x:-}" ]; then
    xdotool mousemove --window "$id" "$x" "$y" click 1
    check "a list row click logs itemselect" wait_line "^itemselect "
    check "and itemclick for the row" wait_line "^itemclick row_jp$"
  fi

  read -r x y <<<"$(centre_of username)"
  if [ -n "${x:-}" ]; then
    xdotool mousemove --window "$id" "$x" "$y" click 1
    check "a click into the edit gives it the focus" wait_line "^setfocus username$"
    sleep 0.3
    xdotool type --delay 50 "nimbrook"
    check "typing into the edit logs textchanged" wait_line "^textchanged username$"
    # Characters outside the keyboard map are typed through a remapped key: slower, one at a time.
    for ch in 中 文; do xdotool type --delay 150 "$ch"; sleep 0.2; done
    xdotool key Return
    check "Return in the edit logs return" wait_line "^return username$"
  else
    fail "the edit username is in the layout dump"
  fi
  xdotool mousemove --window "$id" 890 630
  sleep 0.5
  bash "$gui" screenshot "$shots/gallery-eng.png" "$title" >/dev/null
  check "the English screenshot is written" test -s "$shots/gallery-eng.png"
  check "the gallery ends when the exit file appears" stop_gallery
  typed=$(tr -d '\r' <"$log" | sed -n 's/^text username //p' | head -n 1)
  check "the edit holds the typed Latin and Chinese text (got '$typed')" test "$typed" = "nimbrook中文"
fi

# --- Simplified Chinese: texts from chs.lng, screenshot
start_gallery chs
check "the Chinese gallery window appears" test -n "$id"
if [ -n "$id" ]; then
  check "the gallery reports ready in Chinese" wait_line "^ready chs$"
  i=0; while [ ! -s "$dump" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
  sleep 0.5
  bash "$gui" screenshot "$shots/gallery-chs.png" "$title" >/dev/null
  check "the Chinese screenshot is written" test -s "$shots/gallery-chs.png"
  check "the Chinese gallery ends when the exit file appears" stop_gallery
fi

# --- A bad option is refused without a window
rm -f "$work/bad.log"
: >"$work/bad.log"
"${runner[@]}" "$cli" --notify-log "$(native_path "$work/bad.log")" --bogus </dev/null >/dev/null 2>&1
status=$?
check "an unknown option ends with status 2" test "$status" -eq 2
check "and says why in the log" grep -q "usage-error unknown option --bogus" "$work/bad.log"
finish
