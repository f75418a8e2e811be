# The scripted subscriber's eyes and hands (sourced by subscriber.sh): the client's windows told apart
# by what they look like (size, a pixel of the login window's brand panel), clicks at the places the
# layouts give the controls, the notice pop-up, the protocol picker, the tray icon and its menu, and
# the lines the client writes to nimbrook.log. Needs DISPLAY, xdotool and ImageMagick's import.

# Client-area points of the controls (the layouts at 96 dpi).
# Login window (800 x 572).
username_at=(565 204)
password_at=(565 256)
login_at=(565 355)
# Message box (400 x 210): OK.
box_ok_at=(320 179)
# Update.exe (490 x 320): Complete.
complete_at=(313 288)
# Main window (900 x 640): the protocol drop-down, the connect button, the server list's first row.
protocol_button_at=(857 310)
connect_at=(756 406)
first_row_at=(300 193)
# The protocol box's text (the chosen protocol), and a point over plain text where the pointer
# highlights nothing.
protocol_box=(740 302 80 16)
neutral_at=(700 232)
# The notice pop-up (560 x 420) sits centred on the main window; its close button 260, -190 from
# the centre.
notice_close_from_centre=(260 -190)

visible_windows() { xdotool search --onlyvisible --name '.*' 2>/dev/null; }
window_size() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | awk -F= '/^WIDTH/ { w = $2 } /^HEIGHT/ { h = $2 } END { print w "x" h }'; }
window_origin() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | awk -F= '/^X=/ { x = $2 } /^Y=/ { y = $2 } END { print x, y }'; }
window_up() { xdotool getwindowgeometry "$1" >/dev/null 2>&1 && xdotool search --onlyvisible --name '.*' 2>/dev/null | grep -qx "$1"; }
# Pixels are read from the root window: a capture of a window that goes meanwhile can hang.
grab() { timeout 10 import -window root -crop "$1" +repage -depth 8 "$2" 2>/dev/null; }
grab_root() { timeout 10 import -window root "$1" 2>/dev/null; }
grab_window() {
  local x y
  read -r x y <<<"$(window_origin "$1")"
  [ -n "$x" ] && grab "$(window_size "$1")+$x+$y" "$2"
}
pixel_blue() {  # WINDOW X Y: true when the pixel is the login window's brand blue
  local x y
  read -r x y <<<"$(window_origin "$1")"
  [ -n "$x" ] || return 1
  grab "1x1+$(($x + $2))+$(($y + $3))" txt:- |
    awk -F'[(),]' 'NR == 2 { r = $3 + 0; g = $4 + 0; b = $5 + 0; exit !(b > r + 60 && b > 90) }'
}
# Red text in the login window's tips line (the form's message area): a refusal or an error.
tips_red_pixels() {  # LOGIN_WINDOW
  local x y
  read -r x y <<<"$(window_origin "$1")"
  grab "350x44+$((x + 390))+$((y + 383))" txt:- |
    awk -F'[(),]' 'NR > 1 { if ($3 + 0 > 170 && $4 + 0 < 130 && $5 + 0 < 130) n++ } END { print n + 0 }'
}
kind_of() {  # WINDOW: update, login, main, box, updater, notice or other
  case "$(window_size "$1")" in
    900x640) echo main ;;
    400x210) echo box ;;
    490x320) echo updater ;;
    560x420) echo notice ;;
    800x572) if pixel_blue "$1" 60 300; then echo login; else echo update; fi ;;
    *) echo other ;;
  esac
}
find_window() {  # KIND...: prints the first visible window of one of the kinds
  local id k want
  for id in $(visible_windows); do
    k=$(kind_of "$id")
    for want in "$@"; do
      [ "$k" = "$want" ] && { echo "$id"; return 0; }
    done
  done
  return 1
}
wait_any() {  # SECONDS KIND...: the first window of one of the kinds
  local seconds=$1 i
  shift
  for i in $(seq 1 $((seconds * 4))); do
    find_window "$@" && return 0
    sleep 0.25
  done
  return 1
}
click_in() {  # WINDOW X Y
  local x y
  read -r x y <<<"$(window_origin "$1")"
  [ -n "$x" ] || return 1
  xdotool mousemove $((x + $2)) $((y + $3)) click 1
  sleep 0.3
}
wait_gone() {  # SECONDS: the client's process has ended
  local i
  for i in $(seq 1 $(($1 * 4))); do
    client_running || return 0
    sleep 0.25
  done
  return 1
}
# The programs of this program directory (the client, the updater): Wine programs of the same names
# elsewhere do not count.
program_pids() {
  local p win
  win=$(winepath -w "$program" 2>/dev/null | tr 'A-Z' 'a-z')
  for p in $(pgrep -f -i 'nimbrook\.exe|update\.exe'); do
    if [ "$(readlink "/proc/$p/cwd" 2>/dev/null)" = "$program" ] ||
       tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | tr 'A-Z' 'a-z' | grep -qF "$win\\"; then
      echo "$p"
    fi
  done
}
client_running() {
  local p
  for p in $(program_pids); do
    tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -qi 'nimbrook\.exe' && return 0
  done
  return 1
}

# Lines of nimbrook.log: waits for a line matching PATTERN written after line MARK (default 0).
wait_log_line() {  # PATTERN SECONDS [MARK]
  local i
  for i in $(seq 1 $(($2 * 4))); do
    log_since "${3:-0}" | grep -q -- "$1" && return 0
    close_notice_if_up "${main:-}" >/dev/null 2>&1
    sleep 0.25
  done
  return 1
}

# The service's notice pops up over a new main window a few seconds after it opens: a person closes it.
close_notice_if_up() {  # MAIN_WINDOW
  local w cx cy x y i
  [ -n "${1:-}" ] || return 1
  w=$(find_window notice) || return 1
  read -r x y <<<"$(window_origin "$1")"
  cx=$((x + 450)) cy=$((y + 320))
  shot notice "$w"
  xdotool mousemove $((cx + notice_close_from_centre[0])) $((cy + notice_close_from_centre[1])) click 1
  for i in $(seq 1 40); do
    find_window notice >/dev/null || return 0
    sleep 0.25
  done
  return 1
}

# The first server of the list (the catalogue's order) that offers PROTOCOL: prints its row index,
# the protocol's row in the picker (AUTO first, then the server's protocols), the picker's row count
# and the server's name. Status 2 when the catalogue could not be read, 1 when no server offers it.
first_server_offering() {  # PROTOCOL
  local dir=$work/lookup endpoints
  mkdir -p "$dir/config"
  cp "$program/config/version.ini" "$dir/config/version.ini" 2>/dev/null || return 2
  "$cli" login --program-dir "$dir" --endpoints "" --user "$user" --password "$password" --locale "$lang" \
    </dev/null >"$dir/login.json" 2>/dev/null || return 2
  jq -r --arg p "$1" '
    [.catalogue.entries // [] | to_entries[] | select(.value.offered["10"] | index($p))] | first |
    if . == null then empty else
      "\(.key) \(.value.offered["10"] | index($p)) \(.value.offered["10"] | length) \(.value.nasname)" end' \
    "$dir/login.json" 2>/dev/null | grep .
}

# Selects row INDEX the way a person does with the keyboard: a click into the list, Home, then Down.
select_row() {  # MAIN_WINDOW INDEX
  click_in "$1" "${first_row_at[@]}"
  xdotool key Home
  sleep 0.2
  local i
  for ((i = 0; i < $2; i++)); do
    xdotool key Down
    sleep 0.05
  done
  sleep 0.5
}

# The protocol picker: a small pop-up 25 pixels a row plus 12.
wait_picker() {  # ROWS SECONDS
  local i id want=$(($1 * 25 + 12))
  for i in $(seq 1 $(($2 * 4))); do
    for id in $(visible_windows); do
      [ "$(window_size "$id" | cut -dx -f2)" = "$want" ] && [ "$(window_size "$id" | cut -dx -f1)" -lt 300 ] &&
        { echo "$id"; return 0; }
    done
    sleep 0.25
  done
  return 1
}
click_picker_row() {  # PICKER ROW
  local w
  w=$(window_size "$1" | cut -dx -f1)
  click_in "$1" $((w / 2)) $((6 + 25 * $2 + 12))
}

# The notification area: Wine shows the icons in a small window of their own.
wait_tray() {  # SECONDS
  local i id
  for i in $(seq 1 $(($1 * 4))); do
    id=$(xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  return 1
}
open_tray_menu() {  # TRAY_WINDOW: a right click on the (only) icon; true once the menu is up
  local x y attempt id
  read -r x y <<<"$(window_origin "$1")"
  for attempt in 1 2 3 4; do
    # A balloon tip over the icon takes the first click.
    xdotool mousemove $((x + 10)) $((y + 10)) click 3
    sleep 1
    for id in $(visible_windows); do
      [ "$(window_origin "$id")" = "$((x + 10)) $((y + 10))" ] && return 0
    done
    xdotool key Escape
    sleep 1
  done
  return 1
}

# Update.exe's Complete button turns from pale to full blue when the job has finished.
updater_complete_enabled() {  # UPDATER_WINDOW
  local x y
  read -r x y <<<"$(window_origin "$1")"
  [ -n "$x" ] || return 1
  grab "1x1+$((x + complete_at[0] - 28))+$((y + complete_at[1] - 10))" txt:- |
    awk -F'[(),]' 'NR == 2 { r = $3 + 0; b = $5 + 0; exit !(r < 100 && b > 150) }'
}

# A print of what the protocol box shows, to tell whether a pick changed it.
protocol_display_print() {  # MAIN_WINDOW
  local x y
  read -r x y <<<"$(window_origin "$1")"
  grab "${protocol_box[2]}x${protocol_box[3]}+$((x + protocol_box[0]))+$((y + protocol_box[1]))" rgb:- | md5sum
}
rest_pointer() {  # MAIN_WINDOW
  local x y
  read -r x y <<<"$(window_origin "$1")"
  xdotool mousemove $((x + neutral_at[0])) $((y + neutral_at[1]))
  sleep 0.5
}
