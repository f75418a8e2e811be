#!/usr/bin/env bash
# Creates and starts (or stops) the Wine prefix kept in the build tree for the Windows tests.
#   wine_env.sh start|stop PREFIX
# The server and Wine's services are started with detached stdio: attached, they keep ctest waiting
# forever; not started at all, every test program waits seconds for them.
set -u
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
case "$action" in
  start)
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot -i </dev/null >/dev/null 2>&1 || { echo "wine_env.sh: wineboot failed" >&2; exit 1; }
      # The registry reaches the disk when the server ends.
      wineserver -w </dev/null >/dev/null 2>&1
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
    # Chinese text in every Windows test: the skin's font faces mapped to fonts that have the glyphs.
    bash "$(dirname "$0")/gui_env.sh" fonts "$WINEPREFIX" || exit 1
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine_env.sh: no prefix at $WINEPREFIX" >&2; exit 1; }
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1
    echo "wine prefix stopped"
    ;;
  *) echo "usage: wine_env.sh start|stop PREFIX" >&2; exit 2 ;;
esac
