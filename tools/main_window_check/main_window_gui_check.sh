#!/usr/bin/env bash
# The main window on the test display (Windows build, with the reference service): a real login opens
# it with the service's catalogue, the delay pass fills every row, a click on each sortable header and
# on an area option changes the rows as the list promises, and screenshots in English, simplified and
# traditional Chinese, unsorted and sorted by delay, are written for review.
# Usage: main_window_gui_check.sh MAIN_WINDOW_CHECK_EXE PROGRAM_DIR PORT
set -u
cli=$1
program=$2
port=$3
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../gallery/tests/gallery_check_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/window_check_lib.sh"
gui=${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}
shots=${NIMBROOK_SCREENSHOT_DIR:?}
endpoint="http://127.0.0.1:$port/clogin.php"
mkdir -p "$shots"

all_measured() { local n d; n=$(head_field rows); d=$(head_field delays); [ -n "$n" ] && [ "$n" -gt 0 ] && [ "$n" = "$d" ]; }
# Column 4 (delay) as numbers in list order, for rows that show milliseconds.
delays_in_order() { rows_of | awk -F'\t' '$4 ~ /^[0-9]+ms$/ { sub(/ms$/, "", $4); print $4 }'; }
loads_in_order() { rows_of | awk -F'\t' '{ gsub(/[ %]/, "", $5); print $5 }'; }
first_chars() { rows_of | awk -F'\t' '{ print $3 }' | while IFS= read -r name; do printf '%d\n' "'${name:0:1}"; done; }
is_sorted() { sort -n -c 2>/dev/null; }
is_sorted_desc() { sort -n -r -c 2>/dev/null; }

# start_window LANG: a program directory of its own (the login rewrites version.ini), the window up.
start_window() {
  local lang=$1 dir=$work/program-$1
  mkdir -p "$dir"
  cp -r "$program/config" "$program/language" "$program/skin" "$dir/"
  # The installed descriptor, as the update check leaves it (a second try on a busy machine).
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
    --password secret123 --lang "$lang" --state-file "$(native_path "$state")" || return 1
  local title
  title=$(tr -d '\r' <"$log" | sed -n 's/^ready .* title //p' | head -n 1)
  id=$(bash "$gui" wait-window "$title" 30)
  window_title=$title
}

expected=$(grep -c '^area' "$(dirname "${BASH_SOURCE[0]}")/../../service/data/catalogue/servers.txt")

for lang in eng chs cht; do
  start_window "$lang"
  check "[$lang] the main window opens after a real login" test -n "$id"
  [ -n "$id" ] || { tr -d '\r' <"$log" | head -n 5; continue; }
  if ! wait_state '[ "$(head_field rows)" = "$expected" ]' 60; then
    fail "[$lang] the state shows the catalogue"
    tr -d '\r' <"$log" | tail -n 5
    head -n 1 "$state" 2>/dev/null
  else
    pass
  fi
  check "[$lang] the delay pass fills every row" wait_state all_measured 40
  check "[$lang] the ping button is usable again after the pass" wait_state '[ "$(head_field ping)" = 1 ]' 10
  check "[$lang] a server is selected and named" test -n "$(head_field curnode)"
  # The service's notice pops up over the window a few seconds after it opens; it is closed first.
  check "[$lang] the service's notice pops up" wait_state 'notice_window >/dev/null' 60
  check "[$lang] and closes with its close button" close_notice
  sleep 0.5
  bash "$gui" screenshot "$shots/main-window-$lang.png" "$window_title" >/dev/null
  check "[$lang] the screenshot is written" test -s "$shots/main-window-$lang.png"

  before=$(rows_of | cut -f3 | tr '\n' ' ')
  click delay_header
  check "[$lang] a click on the delay header is a header click" wait_line "^headerclick delay_header$"
  sleep 0.5
  check "[$lang] rows with a delay in ms come first, ascending" wait_state 'delays_in_order | is_sorted' 5
  bash "$gui" screenshot "$shots/main-window-$lang-delay-sorted.png" "$window_title" >/dev/null

  if [ "$lang" = eng ]; then
    click usagerate_header
    check "loads ascend after the first click on the load header" wait_state 'loads_in_order | is_sorted' 5
    click usagerate_header
    check "and descend after the second" wait_state 'loads_in_order | is_sorted_desc' 5
    click server_header
    check "names ascend by their first character" wait_state 'first_chars | is_sorted' 5
    after=$(rows_of | cut -f3 | tr '\n' ' ')
    check "the name sort changed the order" test "$before" != "$after"

    click americaopt
    check "the America option shows only American servers" \
      wait_state '[ "$(rows_of | awk -F"\t" "\$2 == 1" | wc -l)" -gt 0 ] && [ -z "$(rows_of | awk -F"\t" "\$2 == 1 && \$6 !~ /美国/")" ]' 5
    american=$(rows_of | awk -F'\t' '$6 ~ /美国/ && $6 !~ /免费/' | wc -l)
    check "every American server is shown ($american)" wait_state '[ "$(head_field visible)" = "$american" ]' 5
    click allopt
    check "All shows every server again" wait_state '[ "$(head_field visible)" = "$expected" ]' 5
    click btn_ping
    check "the ping button starts a new pass" wait_line "^click btn_ping$"
    check "which ends with every row measured and the button back" wait_state '[ "$(head_field ping)" = 1 ] && all_measured' 40
  fi
  check "[$lang] the window ends when the exit file appears" stop_gallery
  check "[$lang] and reports its end" wait_line "^ended$" 10
done
finish
