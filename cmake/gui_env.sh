#!/usr/bin/env bash
# The virtual display for tests that open windows: Xvfb on a free display number, a compositor so
# layered windows blend in screenshots, and the Wine prefix's font replacements so Chinese text
# renders. State (display name, process ids) lives in a directory of the build tree.
#   gui_env.sh start STATE_DIR [WINEPREFIX]   start the display, write STATE_DIR/display (":97")
#   gui_env.sh stop STATE_DIR                 stop what start started
#   gui_env.sh fonts WINEPREFIX               font replacements and links (wine_env.sh start runs it)
#   gui_env.sh wait-window TITLE [SECONDS]    print the X id of the first window with that title
#   gui_env.sh screenshot FILE [TITLE]        PNG of the whole screen, or of the window with that title
# Tests see DISPLAY through run_test.sh --display-from STATE_DIR/display.
set -u
action=${1:-}
shift || true

log() { echo "gui_env.sh: $*" >&2; }

# A process that has ended but not been reaped (a zombie) counts as gone.
alive() {
  [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null || return 1
  [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]
}

start_display() {
  local state=$1
  mkdir -p "$state"
  if [ -f "$state/display" ] && alive "$(cat "$state/xvfb.pid" 2>/dev/null)" &&
     xdpyinfo -display "$(cat "$state/display")" >/dev/null 2>&1; then
    echo "display $(cat "$state/display") already running"
    return 0
  fi
  local n pid
  for n in $(seq 97 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Detached stdio: a child holding ctest's pipes keeps ctest waiting forever.
    setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
    pid=$!
    local tries=0
    while [ $tries -lt 50 ]; do
      if ! alive "$pid"; then break; fi
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        echo ":$n" >"$state/display"
        echo "$pid" >"$state/xvfb.pid"
        echo "display :$n ready"
        return 0
      fi
      sleep 0.1
      tries=$((tries + 1))
    done
    # Another server took the number between the probe and the start, or it never answered.
    kill "$pid" 2>/dev/null
  done
  log "no free display between :97 and :140"
  return 1
}

start_compositor() {
  local state=$1
  command -v xcompmgr >/dev/null 2>&1 || { log "xcompmgr missing: layered windows show unblended"; return 0; }
  DISPLAY=$(cat "$state/display") setsid xcompmgr </dev/null >/dev/null 2>&1 &
  echo $! >"$state/xcompmgr.pid"
}

# Font replacements and font links: without them the faces the skin names fall back to fonts without
# Chinese glyphs. Written once per prefix; the query makes later starts cheap.
setup_fonts() {
  local prefix=$1
  [ -f "$prefix/system.reg" ] || { log "no Wine prefix at $prefix"; return 1; }
  export WINEPREFIX=$prefix WINEDEBUG=-all
  unset DISPLAY
  if wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v "Microsoft YaHei" </dev/null >/dev/null 2>&1; then
    return 0
  fi
  local f
  for f in SimSun NSimSun "Microsoft YaHei" "Microsoft YaHei UI" SimHei "微软雅黑"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d "WenQuanYi Micro Hei" /f \
      </dev/null >/dev/null 2>&1 || { log "could not set the font replacement for $f"; return 1; }
  done
  for f in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" Arial "Segoe UI"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$f" /t REG_MULTI_SZ \
      /d 'wqy-microhei.ttc,WenQuanYi Micro Hei\0NotoSansCJK-Regular.ttc,Noto Sans CJK SC' /f \
      </dev/null >/dev/null 2>&1 || { log "could not set the font link for $f"; return 1; }
  done
  echo "font replacements written to $prefix"
}

stop_display() {
  local state=$1 name pid
  for name in xcompmgr xvfb; do
    pid=$(cat "$state/$name.pid" 2>/dev/null)
    if alive "$pid"; then
      kill "$pid" 2>/dev/null
      for _ in 1 2 3 4 5 6 7 8 9 10; do alive "$pid" || break; sleep 0.1; done
      alive "$pid" && kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$state/$name.pid"
  done
  rm -f "$state/display"
  echo "display stopped"
}

wait_window() {
  local title=$1 seconds=${2:-20} id="" waited=0
  [ -n "${DISPLAY:-}" ] || { log "DISPLAY is not set"; return 1; }
  while [ "$waited" -lt $((seconds * 10)) ]; do
    id=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
    waited=$((waited + 1))
  done
  log "no window titled '$title' after ${seconds}s"
  return 1
}

screenshot() {
  local file=$1 title=${2:-} target=root
  [ -n "${DISPLAY:-}" ] || { log "DISPLAY is not set"; return 1; }
  mkdir -p "$(dirname "$file")"
  if [ -n "$title" ]; then
    target=$(wait_window "$title" 10) || return 1
  fi
  import -window "$target" "$file" 2>/dev/null || { log "could not capture $target into $file"; return 1; }
  echo "$file"
}

case "$action" in
  start)
    state=${1:?state directory}
    prefix=${2:-}
    start_display "$state" || exit 1
    [ -f "$state/xcompmgr.pid" ] && alive "$(cat "$state/xcompmgr.pid")" || start_compositor "$state"
    if [ -n "$prefix" ]; then setup_fonts "$prefix" || exit 1; fi
    # The prefix's desktop process was started before the display existed and has no display driver:
    # programs that join it cannot open windows. Ending it lets the next program start it on the display.
    if [ -n "$prefix" ]; then
      # No desktop process yet (taskkill then fails) is just as good.
      WINEPREFIX=$prefix WINEDEBUG=-all DISPLAY=$(cat "$state/display") wine taskkill /f /im explorer.exe \
        </dev/null >/dev/null 2>&1 || true
    fi
    ;;
  stop) stop_display "${1:?state directory}" ;;
  fonts) setup_fonts "${1:?Wine prefix}" ;;
  wait-window) wait_window "$@" ;;
  screenshot) screenshot "$@" ;;
  *) echo "usage: gui_env.sh start STATE_DIR [WINEPREFIX] | stop STATE_DIR | fonts WINEPREFIX | wait-window TITLE [SECONDS] | screenshot FILE [TITLE]" >&2
     exit 2 ;;
esac
