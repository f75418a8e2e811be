# Shared by the checks that drive toolkit-gallery.exe on the test display (sourced after
# tests/check_lib.sh, with cli naming the gallery program): paths as the program sees them, waiting on
# its notification log, and starting and ending it. The caller sets log and exitf before a start.

# A path as the program sees it.
native_path() {
  if [ -n "${NIMBROOK_WINE:-}" ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi
}

# Waits up to $2 seconds (default 20) for a line matching the pattern in the notification log.
wait_line() {
  local pattern=$1 seconds=${2:-20} i=0
  while [ $i -lt $((seconds * 10)) ]; do
    tr -d '\r' <"$log" 2>/dev/null | grep -q -- "$pattern" && return 0
    sleep 0.1
    i=$((i + 1))
  done
  return 1
}

# launch_gallery READY OPTION...: starts the gallery with the options, a fresh log and no exit file,
# and waits up to 60 seconds for a log line matching READY; sets pid. A Wine desktop that was started
# before the display existed gives the first program no display driver ("create-failed"); it ends
# with that program, so the next start gets the display. False when READY never came.
launch_gallery() {
  local ready=$1 attempt
  shift
  for attempt in 1 2 3 4 5; do
    rm -f "$log" "$exitf"
    : >"$log"
    "${runner[@]}" "$cli" "$@" --notify-log "$(native_path "$log")" --exit-file "$(native_path "$exitf")" \
      </dev/null >/dev/null 2>&1 &
    pid=$!
    wait_line "^\($ready\|create-failed\)" 60 || return 1
    if tr -d '\r' <"$log" | grep -q "^create-failed"; then
      wait "$pid" 2>/dev/null
      sleep 1
      continue
    fi
    return 0
  done
  return 1
}

# Ends the gallery through its exit file; true when it ended by itself in time.
stop_gallery() {
  touch "$exitf"
  local i=0
  while kill -0 "$pid" 2>/dev/null && [ $i -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    return 1
  fi
  wait "$pid" 2>/dev/null
  return 0
}
