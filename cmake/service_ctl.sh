#!/usr/bin/env bash
# Starts or stops the reference service for the network tests.
#   service_ctl.sh start|stop SERVICE_EXE PORT DATA_DIR STATE_DIR
# The service runs detached (stdio to a log in STATE_DIR) so that ctest does not wait for it.
set -u
action=$1 exe=$2 port=$3 data=$4 state=$5
pidfile="$state/service.pid"
case "$action" in
  start)
    mkdir -p "$state"
    if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
      kill "$(cat "$pidfile")" 2>/dev/null; sleep 0.2
    fi
    setsid "$exe" --port "$port" --data-dir "$data" </dev/null >"$state/service.log" 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 1 100); do
      if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        # Something answers; make sure it is ours and not a leftover holding the port.
        sleep 0.2
        kill -0 "$(cat "$pidfile")" 2>/dev/null || break
        echo "reference service listening on 127.0.0.1:$port"
        exit 0
      fi
      kill -0 "$(cat "$pidfile")" 2>/dev/null || break
      sleep 0.1
    done
    echo "service_ctl.sh: the reference service did not start; its log:" >&2
    cat "$state/service.log" >&2
    exit 1
    ;;
  stop)
    if [ -f "$pidfile" ]; then
      kill "$(cat "$pidfile")" 2>/dev/null
      rm -f "$pidfile"
    fi
    echo "reference service stopped"
    ;;
  *) echo "usage: service_ctl.sh start|stop SERVICE_EXE PORT DATA_DIR STATE_DIR" >&2; exit 2 ;;
esac
