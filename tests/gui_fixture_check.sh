#!/usr/bin/env bash
# Checks the test display: it answers, the screenshot helper writes PNGs of the screen and of one
# window, a missing window is reported in time, and (Windows build) a Wine program's window appears
# on it. Usage: gui_fixture_check.sh (run with NEEDS_DISPLAY).
set -u
cli=""
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}

check "DISPLAY is set" test -n "${DISPLAY:-}"
answers() { xdpyinfo -display "${DISPLAY:-}" >/dev/null 2>&1; }
check "the display answers" answers
size=$(xdpyinfo -display "${DISPLAY:-}" 2>/dev/null | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')
check "the screen is 1280x800 (got '$size')" test "$size" = 1280x800

bash "$gui" screenshot "$work/root.png" >/dev/null
check "a screenshot of the screen is written" test -s "$work/root.png"
check "the screenshot is a 1280x800 PNG" test "$(identify -format '%m %wx%h' "$work/root.png" 2>/dev/null)" = "PNG 1280x800"

start=$(date +%s)
bash "$gui" wait-window "no window has this title" 1 >/dev/null 2>&1
status=$?
check "waiting for a missing window fails" test "$status" -ne 0
check "and gives up after its time-out" test $(( $(date +%s) - start )) -le 5

if [ -n "${NIMBROOK_WINE:-}" ]; then
  # Wine's own notepad stands in for our windows: a real top-level window through the X driver.
  wine notepad </dev/null >/dev/null 2>&1 &
  id=$(bash "$gui" wait-window "Untitled - Notepad" 30)
  check "a Wine window appears on the display" test -n "$id"
  if [ -n "$id" ]; then
    bash "$gui" screenshot "$shots/gui_fixture_notepad.png" "Untitled - Notepad" >/dev/null
    check "a screenshot of one window is written into the build tree" test -s "$shots/gui_fixture_notepad.png"
    geometry=$(identify -format '%w %h' "$shots/gui_fixture_notepad.png" 2>/dev/null)
    check "the window screenshot is smaller than the screen ($geometry)" test "${geometry%% *}" -lt 1280 -a "${geometry%% *}" -gt 50
  fi
  wine taskkill /f /im notepad.exe </dev/null >/dev/null 2>&1
fi
finish
