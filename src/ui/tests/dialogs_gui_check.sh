#!/usr/bin/env bash
# The client's dialogs on the test display (Windows build, NEEDS_DISPLAY), opened through the gallery
# program: every dialog opens in English and in simplified Chinese, its screenshot is written for
# review, the theme's colours are where the layouts put them, scripted clicks give the close codes and
# picks the client relies on, the menu opened at the bottom-right corner stays inside the work area,
# a click elsewhere hides a menu without a pick, and a four-protocol picker is 112 pixels high at
# 96 dpi. The Chinese pass opens one message box of the three (their Chinese renders are the
# off-screen render test's) and the menu below its button instead of at the corner.
# Usage: dialogs_gui_check.sh TOOLKIT_GALLERY_EXE
set -u
cli=$1
source "$(dirname "${BASH_SOURCE[0]}")/../../../tests/check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/gallery/tests/gallery_check_lib.sh"
shots=${NIMBROOK_SCREENSHOT_DIR:?}
mkdir -p "$shots"

hidden_at() { ! shown_at "$@"; }
line_of() { tr -d '\r' <"$log" | grep -m1 -- "$1"; }
no_line() { ! tr -d '\r' <"$log" | grep -q -- "$1"; }

# Starts the gallery with a dialog; sets pid, log, exitf and the dialog's rectangle (l t r b).
open_dialog() {
  local dialog=$1 lang=$2
  log=$work/$dialog-$lang.log
  exitf=$work/exit-$dialog-$lang
  l="" t="" r="" b=""
  launch_gallery "window $dialog " --lang "$lang" --dialog "$dialog" || return
  read -r _ _ l t r b <<<"$(line_of "^window $dialog ")"
  # Painted once: the paint manager's first layout sends windowinit to the dialog's notifiers.
  wait_line "^windowinit " 10
  sleep 1
}

# The screen, and the dialog cut out of it (with a margin) for review.
shoot() {
  local name=$1
  xdotool mousemove 2 798
  sleep 0.4
  import -window root "$work/screen.png" 2>/dev/null
  local x=$((l > 8 ? l - 8 : 0)) y=$((t > 8 ? t - 8 : 0))
  convert "$work/screen.png" -crop "$((r - l + 16))x$((b - t + 16))+$x+$y" +repage "$shots/$name.png" 2>/dev/null
}
pixel() { convert "$work/screen.png" -format "%[hex:u.p{$1,$2}]" info: 2>/dev/null | cut -c1-6; }
# True when two colours differ by at most 24 in every channel.
near() {
  local a=$1 b=$2 i
  for i in 0 2 4; do
    local d=$(( 16#${a:$i:2} - 16#${b:$i:2} ))
    [ ${d#-} -le 24 ] || return 1
  done
}
centre() {  # centre of a logged control: "control NAME l t r b"
  local cl ct cr cb
  read -r _ _ cl ct cr cb <<<"$(line_of "^control $1 ")"
  [ -n "${cl:-}" ] && echo "$(((cl + cr) / 2)) $(((ct + cb) / 2))"
}
click_at() { xdotool mousemove "$1" "$2" click 1; }
# True when a mapped window has exactly this position and size.
shown_at() {
  local w
  for w in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null | tr -d '\n' |
      grep -q "Position: $1,$2 .*Geometry: $3x$4" && return 0
  done
  return 1
}

for lang in eng chs; do
  # --- message boxes
  for dialog in ok okcancel update_now; do
    [ "$lang" = chs ] && [ "$dialog" != ok ] && continue
    open_dialog "$dialog" "$lang"
    check "$dialog opens ($lang)" test -n "$l"
    [ -n "$l" ] || { stop_gallery; continue; }
    check "$dialog has the layout's size ($lang)" test "$((r - l))x$((b - t))" = "400x210"
    shoot "dialog-$dialog-$lang"
    check "$dialog: navy title strip ($lang)" near "$(pixel $((l + 250)) $((t + 20)))" 173B63
    check "$dialog: white body ($lang)" near "$(pixel $((r - 20)) $((t + 130)))" FFFFFF
    read -r ox oy <<<"$(centre ok)"
    check "$dialog: blue primary button ($lang)" near "$(pixel $((ox - 40)) "$oy")" 1A6FD1
    if [ "$lang" = eng ]; then
      case $dialog in
        ok)
          click_at "$ox" "$oy"
          check "ok: the ok button closes with 1" wait_line "^modal 1$"
          ;;
        okcancel)
          read -r cx cy <<<"$(centre cancel)"
          click_at "$cx" "$cy"
          check "okcancel: cancel closes with 2" wait_line "^modal 2$"
          ;;
        update_now)
          read -r cx cy <<<"$(centre closebtn)"
          click_at "$cx" "$cy"
          check "update_now: the close button closes with 2" wait_line "^modal 2$"
          ;;
      esac
    fi
    stop_gallery
  done

  # --- a box kind without a layout: an empty window that Escape closes
  if [ "$lang" = eng ]; then
    open_dialog missing_box "$lang"
    check "a box without a layout still opens" test -n "$l"
    if [ -n "$l" ]; then
      click_at $((l + 50)) $((t + 50))
      sleep 0.3
      xdotool key Escape
      check "and Escape closes it with 2" wait_line "^modal 2$"
    fi
    stop_gallery
  fi

  # --- notice pop-up (the page itself needs the system browser control)
  open_dialog notify "$lang"
  check "notify opens ($lang)" test -n "$l"
  if [ -n "$l" ]; then
    shoot "dialog-notify-$lang"
    check "notify: navy title strip ($lang)" near "$(pixel $((l + 300)) $((t + 20)))" 173B63
    check "notify: the second navigation waits on a timer ($lang)" wait_line "^timer notifyweb$" 5
    if [ "$lang" = eng ]; then
      read -r cx cy <<<"$(centre closebtn)"
      click_at "$cx" "$cy"
      check "notify: the close button closes with 1" wait_line "^modal 1$"
    fi
  fi
  stop_gallery

  # --- menu at the bottom-right corner of the work area (English), below its button (Chinese)
  if [ "$lang" = chs ]; then
    open_dialog menu chs
    check "menu below its button opens (chs)" test -n "$l"
    if [ -n "$l" ]; then
      shoot "dialog-menu-chs"
      check "menu: white surface (chs)" near "$(pixel $((r - 10)) $((t + 3)))" FFFFFF
      check "the menu is on the screen" shown_at "$l" "$t" "$((r - l))" "$((b - t))"
      # A blank spot of the gallery window (its web pane).
      click_at 700 640
      sleep 2
      check "a click elsewhere hides the menu" hidden_at "$l" "$t" "$((r - l))" "$((b - t))"
      check "and picks nothing" no_line "^menu_"
    fi
    stop_gallery
  else
    open_dialog menu_corner eng
    check "menu opens (eng)" test -n "$l"
    if [ -n "$l" ]; then
      read -r _ wl wt wr wb <<<"$(line_of "^workarea ")"
      check "menu stays inside the work area ($l $t $r $b in $wl $wt $wr $wb)" \
        test "$l" -ge "$wl" -a "$t" -ge "$wt" -a "$r" -le "$wr" -a "$b" -le "$wb"
      check "menu was moved up and left to the corner" test "$r" -eq "$wr" -a "$b" -eq "$wb"
      shoot "dialog-menu-eng"
      check "menu: white surface (eng)" near "$(pixel $((r - 10)) $((t + 3)))" FFFFFF
      # Rows of 30 pixels below a 6-pixel margin: the fifth is "about".
      click_at $((l + 60)) $((t + 6 + 4 * 30 + 15))
      check "menu: a pick reaches the owner control as menu_About" wait_line "^menu_About ok$"
    fi
    stop_gallery
  fi

  # --- pickers
  open_dialog protocol "$lang"
  check "protocol picker opens ($lang)" test -n "$l"
  if [ -n "$l" ]; then
    check "a four-protocol picker is 112 pixels high ($((b - t)), $lang)" test "$((b - t))" -eq 112
    shoot "dialog-protocol-$lang"
    if [ "$lang" = eng ]; then
      click_at $((l + 50)) $((t + 6 + 3 * 25 + 12))
      check "protocol: a pick reaches the owner control as OVPN-UDP" wait_line "^OVPN-UDP ok$"
    fi
  fi
  stop_gallery

  open_dialog route "$lang"
  check "route picker opens ($lang)" test -n "$l"
  if [ -n "$l" ]; then
    check "the route picker is 62 pixels high ($lang)" test "$((b - t))" -eq 62
    shoot "dialog-route-$lang"
    if [ "$lang" = eng ]; then
      click_at $((l + 50)) $((t + 6 + 25 + 12))
      check "route: picking route_global sends route_global" wait_line "^route_global ok$"
    fi
  fi
  stop_gallery
done

finish
