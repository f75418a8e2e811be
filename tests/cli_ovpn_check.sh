#!/usr/bin/env bash
# Checks "nimbrook-cli ovpn-config" and "ovpn-proxy": the exact client configuration of each OpenVPN
# protocol variant, the proxy line of each proxy mode, refused inputs, and (natively, with Debian's
# openvpn installed) that every written configuration of the shipped template passes OpenVPN's own
# option checks.
# Usage: cli_ovpn_check.sh PATH-TO-nimbrook-cli PATH-TO-template.ovpn
set -u
cli=${1:?usage: cli_ovpn_check.sh PATH-TO-nimbrook-cli PATH-TO-template.ovpn}
shipped=${2:?usage: cli_ovpn_check.sh PATH-TO-nimbrook-cli PATH-TO-template.ovpn}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

same() {  # same DESCRIPTION FILE EXPECTED-TEXT
  if printf '%s' "$3" | cmp -s - "$2"; then pass; else
    fail "$1: file differs"
    printf '%s' "$3" | diff - "$2" | head -20
  fi
}

# --- client configuration, the four protocol variants -------------------------------------------
t="$work/template.ovpn"
printf 'client\nproto {proto_name}\nremote {ip} {port}\nexplicit-exit-notify 2\nsetenv opt use-obfs 1\nping 10\nping-exit 120\nhand-window 60\nconnect-retry 5\nconnect-retry-max 3\n' >"$t"

config() {  # config PROTOCOL HOST PORT -> $work/client.ovpn
  run ovpn-config --template "$t" --out "$work/client.ovpn" --host "$2" --port "$3" --protocol "$1"
}

config 2 10.1.2.3 1194
check "ovpn-config 2: status $status" test "$status" -eq 0
same "OVPN-UDP" "$work/client.ovpn" $'client\nproto udp\nremote 10.1.2.3 1194\nexplicit-exit-notify 2\nsetenv opt use-obfs 0\nping 10\nping-exit 120\nhand-window 60\n;connect-retry 5\n;connect-retry-max 3\n\n'
config 3 vpn.example.com 443
same "OVPN-TCP" "$work/client.ovpn" $'client\nproto tcp-client\nremote vpn.example.com 443\nsetenv opt use-obfs 0\n;ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n'
config 4 10.1.2.3 1194
same "OVPN-UDP+" "$work/client.ovpn" $'client\nproto udp\nremote 10.1.2.3 1194\nexplicit-exit-notify 2\nsetenv opt use-obfs 1\nping 10\nping-exit 120\nhand-window 60\n;connect-retry 5\n;connect-retry-max 3\n\n'
config 5 10.1.2.3 8443
same "OVPN-TCP+" "$work/client.ovpn" $'client\nproto tcp-client\nremote 10.1.2.3 8443\nsetenv opt use-obfs 1\n;ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n'
check "ovpn-config prints what it wrote" grep -q '"transport":"tcp-client"' <<<"$out"
# A server name that holds a keyword is left alone; the option lines are still edited.
config 3 shipping.example.com 443
same "server name holding 'ping'" "$work/client.ovpn" $'client\nproto tcp-client\nremote shipping.example.com 443\nsetenv opt use-obfs 0\n;ping 10\n;ping-exit 120\n;hand-window 60\nconnect-retry 5\nconnect-retry-max 3\n\n'

# Windows line ends in the template: the line of the exit notification goes through its CR.
printf 'a\r\nexplicit-exit-notify 2\r\nb\r\n' >"$work/crlf.ovpn"
run ovpn-config --template "$work/crlf.ovpn" --out "$work/crlf-client.ovpn" --host h --port 1 --protocol 3
same "CRLF template" "$work/crlf-client.ovpn" $'a\r\n\nb\r\n\n'

# A template far beyond 4096 bytes arrives whole.
{ cat "$t"; for i in $(seq 1 200); do printf '# filler line %03d ..........................................\n' "$i"; done; printf 'verb 3\n'; } >"$work/big.ovpn"
run ovpn-config --template "$work/big.ovpn" --out "$work/big-client.ovpn" --host 10.0.0.1 --port 1194 --protocol 2
check "big template: status $status" test "$status" -eq 0
check "big template keeps its last line" test "$(tail -c 8 "$work/big-client.ovpn" | od -An -c | tr -d ' ')" = 'verb3\n\n'
check "big template size" test "$(wc -c <"$work/big-client.ovpn")" -eq $(( $(wc -c <"$work/big.ovpn") - 9 + 4 - 2 + 2 + 1 ))

# Refused: hosts and ports that could carry extra options, bad numbers, missing files.
printf 'previous\n' >"$work/keep.ovpn"
run ovpn-config --template "$t" --out "$work/keep.ovpn" --host $'1.2.3.4\nup /tmp/x.sh' --port 1194 --protocol 2
check "host with a line break: status $status" test "$status" -eq 1
run ovpn-config --template "$t" --out "$work/keep.ovpn" --host '1.2.3.4 5' --port 1194 --protocol 2
check "host with a blank: status $status" test "$status" -eq 1
run ovpn-config --template "$t" --out "$work/keep.ovpn" --host 1.2.3.4 --port 70000 --protocol 2
check "port out of range: status $status" test "$status" -eq 1
check "refused writes leave the old file" test "$(cat "$work/keep.ovpn")" = previous
run ovpn-config --template "$work/none.ovpn" --out "$work/x.ovpn" --host h --port 1 --protocol 2
check "missing template: status $status" test "$status" -eq 1
check "missing template writes nothing" test ! -e "$work/x.ovpn"
run ovpn-config --template "$t" --out "$work/x.ovpn" --host h --port 1 --protocol two
check "protocol not a number: status $status" test "$status" -eq 2
run ovpn-config --template "$t" --out "$work/x.ovpn" --host h --port 1
check "no protocol: status $status" test "$status" -eq 2

# --- proxy line -----------------------------------------------------------------------------------
p="$work/proxy.ovpn"
base=$'client\n;http-proxy [proxy server] [proxy port #]\nverb 3\n'
printf '%s' "$base" >"$p"
run ovpn-proxy --template "$p" --mode 2 --host proxy.lan --port 8080
check "mode 2: status $status" test "$status" -eq 0
same "mode 2" "$p" $'client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy proxy.lan 8080\nverb 3\n'
run ovpn-proxy --template "$p" --mode 2 --host other.lan --port 3128
same "mode 2 twice" "$p" $'client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy other.lan 3128\nverb 3\n'
check "mode 2 twice: one proxy line" test "$(grep -c '^http-proxy' "$p")" -eq 1
run ovpn-proxy --template "$p" --mode 0
same "mode 0 after mode 2" "$p" "$base"
run ovpn-proxy --template "$p" --mode 1 --system-proxy 'ftp=f.lan:21;http=web.lan:8000;https=s.lan:8443'
same "mode 1, scheme list" "$p" $'client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy web.lan 8000\nverb 3\n'
run ovpn-proxy --template "$p" --mode 1 --system-proxy 'single.lan:3128'
same "mode 1, one proxy" "$p" $'client\n;http-proxy [proxy server] [proxy port #]\nhttp-proxy single.lan 3128\nverb 3\n'
run ovpn-proxy --template "$p" --mode 1
check "mode 1 without a system proxy: status $status" test "$status" -eq 0
same "mode 1 without a system proxy" "$p" "$base"
run ovpn-proxy --template "$p" --mode 2 --host 'evil.lan 80\nup' --port 80
check "mode 2 with a blank in the host: status $status" test "$status" -eq 1
same "mode 2 refused: template unchanged" "$p" "$base"
run ovpn-proxy --template "$p" --mode 3
check "mode 3: status $status" test "$status" -eq 2

printf 'client\nverb 3\n' >"$work/nomarker.ovpn"
run ovpn-proxy --template "$work/nomarker.ovpn" --mode 2 --host h --port 1
check "no marker: status $status" test "$status" -eq 1
check "no marker: message" grep -q '配置文件不完整，请联系客服人员' "$work/stderr"
run ovpn-proxy --template "$work/absent.ovpn" --mode 0
check "missing template: status $status" test "$status" -eq 1
check "missing template: message" grep -q 'openvpn配置文件缺失,请联系客服人员' "$work/stderr"
check "missing template stays missing" test ! -e "$work/absent.ovpn"

# --- the shipped template through real OpenVPN ------------------------------------------------------
openvpn_bin=$(command -v openvpn || { [ -x /usr/sbin/openvpn ] && echo /usr/sbin/openvpn; })
if [ -n "${NIMBROOK_WINE:-}" ]; then
  echo "note: OpenVPN option checks run in the native build only"
elif [ -z "$openvpn_bin" ]; then
  echo "note: openvpn is not installed; OpenVPN option checks skipped"
else
  # OpenVPN checks every option, then stops at the empty credentials file before it opens a socket.
  cp "$shipped" "$work/shipped.ovpn"
  for mode in 0 1 2; do
    case $mode in
      0) run ovpn-proxy --template "$work/shipped.ovpn" --mode 0 ;;
      1) run ovpn-proxy --template "$work/shipped.ovpn" --mode 1 --system-proxy 'http=127.0.0.1:3128;https=127.0.0.1:3129' ;;
      2) run ovpn-proxy --template "$work/shipped.ovpn" --mode 2 --host 127.0.0.1 --port 8080 ;;
    esac
    check "shipped template, proxy mode $mode: status $status" test "$status" -eq 0
    for protocol in 2 3 4 5; do
      run ovpn-config --template "$work/shipped.ovpn" --out "$work/real.ovpn" --host 127.0.0.1 --port 1194 --protocol "$protocol"
      : >"$work/empty-auth"
      chmod 600 "$work/empty-auth"
      result=$(cd "$work" && timeout 30 "$openvpn_bin" --config real.ovpn --auth-user-pass empty-auth 2>&1)
      if grep -q 'Options error' <<<"$result"; then
        fail "OpenVPN refuses protocol $protocol with proxy mode $mode: $(grep 'Options error' <<<"$result")"
      elif grep -q 'Error reading username' <<<"$result"; then
        pass
      else
        fail "OpenVPN did not reach its credentials for protocol $protocol, proxy mode $mode: $(tail -n 3 <<<"$result")"
      fi
    done
  done
fi

# --- a real handshake in a private network namespace -------------------------------------------------
# An OpenVPN server on the namespace's loopback (UDP and TCP, a throwaway CA made here), and one client
# per protocol variant from the configuration nimbrook-cli writes, with the test CA in the <ca> block.
# Needs root, "ip netns" and /dev/net/tun; skipped with a note otherwise. Everything started here is
# stopped, and the namespace removed, before the script ends.
ns=""
stop_handshake() {
  [ -n "$ns" ] || return 0
  local pid
  for f in "$work"/hs/*.pid; do
    [ -f "$f" ] && pid=$(cat "$f") && kill "$pid" 2>/dev/null
  done
  for _ in $(seq 1 50); do
    [ -z "$(ip netns pids "$ns" 2>/dev/null)" ] && break
    sleep 0.1
  done
  for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$pid" 2>/dev/null; done
  wait 2>/dev/null
  ip netns del "$ns" 2>/dev/null
  ns=""
}
trap 'stop_handshake; rm -rf "$work"' EXIT

make_pki() {
  local d=$1
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$d/ca.key" -out "$d/ca.crt" \
    -days 2 -subj "/CN=Handshake Test CA" &&
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$d/server.key" -out "$d/server.csr" \
    -subj "/CN=handshake-server" &&
  printf 'basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyAgreement\nextendedKeyUsage=serverAuth\n' >"$d/server.ext" &&
  openssl x509 -req -in "$d/server.csr" -CA "$d/ca.crt" -CAkey "$d/ca.key" -CAcreateserial -out "$d/server.crt" \
    -days 2 -extfile "$d/server.ext"
}

# Waits for the client's log to show the tunnel up (or its end); prints the outcome line.
wait_client() {
  local log=$1
  for _ in $(seq 1 300); do
    if grep -q 'Initialization Sequence Completed' "$log" 2>/dev/null; then echo up; return; fi
    if grep -qE 'AUTH_FAILED|Exiting due to|Options error|process exiting' "$log" 2>/dev/null; then echo ended; return; fi
    sleep 0.1
  done
  echo timeout
}

if [ -n "${NIMBROOK_WINE:-}" ] || [ -z "$openvpn_bin" ]; then
  :
elif [ "$(id -u)" -ne 0 ] || [ ! -c /dev/net/tun ] || ! command -v ip >/dev/null || ! command -v openssl >/dev/null; then
  echo "note: OpenVPN handshake skipped (needs root, /dev/net/tun, ip and openssl)"
elif ! ip netns add "nimbrook-ovpn-$$" 2>/dev/null; then
  echo "note: OpenVPN handshake skipped: network namespaces are not available here"
else
  ns="nimbrook-ovpn-$$"
  hs="$work/hs"
  mkdir -p "$hs"
  ip netns exec "$ns" ip link set lo up
  if ! make_pki "$hs" >"$hs/pki.log" 2>&1; then
    fail "handshake: test certificates could not be made: $(tail -n 2 "$hs/pki.log")"
  else
    printf '#!/bin/sh\n{ read u; read p; } < "$1"\n[ "$u" = subscriber ] && [ "$p" = "s3cret" ]\n' >"$hs/verify.sh"
    chmod 755 "$hs/verify.sh"
    printf 'subscriber\ns3cret\n' >"$hs/credentials"
    chmod 600 "$hs/credentials"
    serve() {  # serve NAME PROTO PORT SUBNET
      ip netns exec "$ns" "$openvpn_bin" --log "$hs/$1.log" --writepid "$hs/$1.pid" --cd "$hs" \
        --dev tun --proto "$2" --local 127.0.0.1 --port "$3" --server "$4" 255.255.255.0 --topology subnet \
        --ca ca.crt --cert server.crt --key server.key --dh none --verify-client-cert none \
        --script-security 2 --auth-user-pass-verify "$hs/verify.sh" via-file --username-as-common-name \
        --tmp-dir "$hs" --keepalive 10 60 </dev/null >/dev/null 2>&1 &
    }
    serve server-udp udp 11940 10.199.0.0
    serve server-tcp tcp-server 11941 10.199.1.0
    for protocol in 2 3 4 5; do
      port=11940
      [ "$protocol" = 3 ] || [ "$protocol" = 5 ] && port=11941
      run ovpn-config --template "$shipped" --out "$hs/client.ovpn" --host 127.0.0.1 --port "$port" --protocol "$protocol"
      # The test CA takes the place of the template's certificate block.
      sed -i '/^<ca>$/,/^<\/ca>$/d' "$hs/client.ovpn"
      { echo '<ca>'; cat "$hs/ca.crt"; echo '</ca>'; } >>"$hs/client.ovpn"
      rm -f "$hs/client.log"
      ip netns exec "$ns" "$openvpn_bin" --log "$hs/client.log" --writepid "$hs/client.pid" --cd "$hs" \
        --config client.ovpn --auth-user-pass credentials </dev/null >/dev/null 2>&1 &
      client=$!
      outcome=$(wait_client "$hs/client.log")
      if [ "$outcome" = up ]; then pass; else
        fail "handshake, protocol $protocol: $outcome: $(grep -vE '^\s*$' "$hs/client.log" | tail -n 3)"
      fi
      kill "$client" 2>/dev/null
      wait "$client" 2>/dev/null
      rm -f "$hs/client.pid"
    done
    # Through an HTTP proxy (proxy mode 2): OVPN-TCP tunnels through the proxy's CONNECT, OVPN-UDP
    # connects directly. The proxy is a small relay that records every CONNECT it serves.
    cat >"$hs/proxy.py" <<'PY'
import socket, sys, threading
log = open(sys.argv[2], "a", buffering=1)
def pipe(a, b):
    try:
        while True:
            data = a.recv(65536)
            if not data:
                break
            b.sendall(data)
    except OSError:
        pass
    finally:
        for s in (a, b):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
def serve(client):
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = client.recv(4096)
        if not chunk:
            client.close()
            return
        head += chunk
    request = head.split(b"\r\n", 1)[0].decode("latin-1")
    method, target = request.split(" ")[:2]
    if method != "CONNECT":
        client.sendall(b"HTTP/1.0 405 Method Not Allowed\r\n\r\n")
        client.close()
        return
    host, port = target.rsplit(":", 1)
    upstream = socket.create_connection((host, int(port)))
    log.write("CONNECT " + target + "\n")
    client.sendall(b"HTTP/1.0 200 Connection established\r\n\r\n")
    rest = head.split(b"\r\n\r\n", 1)[1]
    if rest:
        upstream.sendall(rest)
    threading.Thread(target=pipe, args=(client, upstream), daemon=True).start()
    pipe(upstream, client)
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", int(sys.argv[1])))
listener.listen(8)
while True:
    connection, _ = listener.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
PY
    if command -v python3 >/dev/null; then
      ip netns exec "$ns" python3 "$hs/proxy.py" 18080 "$hs/proxy.log" </dev/null >/dev/null 2>&1 &
      echo $! >"$hs/proxy.pid"
      cp "$shipped" "$hs/proxied-template.ovpn"
      run ovpn-proxy --template "$hs/proxied-template.ovpn" --mode 2 --host 127.0.0.1 --port 18080
      for protocol in 3 2; do
        port=11940
        [ "$protocol" = 3 ] && port=11941
        run ovpn-config --template "$hs/proxied-template.ovpn" --out "$hs/client.ovpn" --host 127.0.0.1 --port "$port" --protocol "$protocol"
        sed -i '/^<ca>$/,/^<\/ca>$/d' "$hs/client.ovpn"
        { echo '<ca>'; cat "$hs/ca.crt"; echo '</ca>'; } >>"$hs/client.ovpn"
        rm -f "$hs/client.log"
        ip netns exec "$ns" "$openvpn_bin" --log "$hs/client.log" --cd "$hs" --config client.ovpn \
          --auth-user-pass credentials </dev/null >/dev/null 2>&1 &
        client=$!
        outcome=$(wait_client "$hs/client.log")
        if [ "$outcome" = up ]; then pass; else
          fail "handshake with proxy mode 2, protocol $protocol: $outcome: $(grep -vE '^\s*$' "$hs/client.log" | tail -n 3)"
        fi
        kill "$client" 2>/dev/null
        wait "$client" 2>/dev/null
      done
      check "OVPN-TCP went through the proxy" grep -q 'CONNECT 127.0.0.1:11941' "$hs/proxy.log"
      check "OVPN-UDP did not use the proxy" test "$(grep -c CONNECT "$hs/proxy.log")" -eq 1
    else
      echo "note: python3 is missing; the proxy handshake was skipped"
    fi

    # The server really checks the credentials: a wrong password ends the client with AUTH_FAILED.
    printf 'subscriber\nwrong\n' >"$hs/wrong"
    chmod 600 "$hs/wrong"
    rm -f "$hs/client.log"
    ip netns exec "$ns" "$openvpn_bin" --log "$hs/client.log" --cd "$hs" --config client.ovpn \
      --auth-user-pass wrong </dev/null >/dev/null 2>&1 &
    client=$!
    outcome=$(wait_client "$hs/client.log")
    if [ "$outcome" = ended ] && grep -q AUTH_FAILED "$hs/client.log"; then pass; else
      fail "handshake with a wrong password: $outcome"
    fi
    kill "$client" 2>/dev/null
    wait "$client" 2>/dev/null
  fi
  stop_handshake
  if ip netns list | grep -q "nimbrook-ovpn-$$"; then fail "handshake: namespace left behind"; else pass; fi
fi

finish
