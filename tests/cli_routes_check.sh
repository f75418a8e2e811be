#!/usr/bin/env bash
# Checks "nimbrook-cli routes parse" on the shipped route files, on a file with every form of line,
# and on malformed files (line number on standard error, non-zero status). Under Wine it also runs
# cmroute.dll the way the client does, through rundll32.exe in a copy of the route directory.
# Usage: cli_routes_check.sh PATH-TO-nimbrook-cli ROUTE-SOURCE-DIR STAGED-ROUTE-DIR
set -u
cli=${1:?usage: cli_routes_check.sh PATH-TO-nimbrook-cli ROUTE-SOURCE-DIR STAGED-ROUTE-DIR}
sources=${2:?usage: cli_routes_check.sh PATH-TO-nimbrook-cli ROUTE-SOURCE-DIR STAGED-ROUTE-DIR}
staged=${3:?usage: cli_routes_check.sh PATH-TO-nimbrook-cli ROUTE-SOURCE-DIR STAGED-ROUTE-DIR}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

has() {  # has WHAT TEXT SUBSTRING
  if printf '%s' "$2" | grep -qF -- "$3"; then pass; else fail "$1: no '$3' in: $2"; fi
}

# --- shipped files ------------------------------------------------------------------------------
for name in addroute.tem delroute.tem china.tem; do
  run routes parse "$sources/$name"
  check "$name: status $status ($(cat "$work/stderr"))" test "$status" -eq 0
  routes=$(grep -c '^\(ADD\|DELETE\) ' "$sources/$name")
  objects=$(printf '%s' "$out" | grep -o '"action"' | wc -l)
  check "$name: $objects routes printed for $routes lines" test "$objects" -eq "$routes"
  check "$name is staged unchanged" cmp -s "$sources/$name" "$staged/$name"
done
run routes parse "$sources/china.tem"
has "china.tem" "$out" '"gateway":"default"'
run routes parse "$sources/delroute.tem"
has "delroute.tem" "$out" '"action":"DELETE"'
# delroute.tem names the same blocks as addroute.tem, in the same order.
run routes parse "$sources/addroute.tem"
adds=$(printf '%s' "$out" | grep -o '"destination":"[0-9.]*","gateway":"[a-z0-9.]*"' | tr '\n' ' ')
run routes parse "$sources/delroute.tem"
deletes=$(printf '%s' "$out" | grep -o '"destination":"[0-9.]*","gateway":"[a-z0-9.]*"' | tr '\n' ' ')
check "delroute.tem matches addroute.tem" test -n "$adds" -a "$adds" = "$deletes"

# --- every form of line -----------------------------------------------------------------------------
printf '\xEF\xBB\xBF; comment\r\nREM comment\r\n# comment\r\n\r\nADD 10.0.0.0 MASK 255.0.0.0 default METRIC default IF default\r\nadd 172.16.0.0 mask 255.240.0.0 192.168.1.1 metric 5 if 12\r\n\tDELETE 10.0.0.0 MASK 255.0.0.0 default\r\nADD 1.2.3.4 MASK 255.255.255.255 local\r\n' >"$work/all.tem"
run routes parse "$work/all.tem"
check "all forms: status $status" test "$status" -eq 0
expected='[{"action":"ADD","destination":"10.0.0.0","gateway":"default","interface":"default","line":5,"mask":"255.0.0.0","metric":"default"},{"action":"ADD","destination":"172.16.0.0","gateway":"192.168.1.1","interface":12,"line":6,"mask":"255.240.0.0","metric":5},{"action":"DELETE","destination":"10.0.0.0","gateway":"default","interface":null,"line":7,"mask":"255.0.0.0","metric":null},{"action":"ADD","destination":"1.2.3.4","gateway":"local","interface":"default","line":8,"mask":"255.255.255.255","metric":"default"}]'
check "all forms: JSON" test "$out" = "$expected"

: >"$work/empty.tem"
run routes parse "$work/empty.tem"
check "empty file: []" test "$status" -eq 0 -a "$out" = "[]"

# --- malformed files --------------------------------------------------------------------------------
bad() {  # bad DESCRIPTION LINE-TEXT EXPECTED-STDERR-PART
  printf '; header\nADD 10.0.0.0 MASK 255.0.0.0 default\n%s\nADD 11.0.0.0 MASK 255.0.0.0 default\n' "$2" >"$work/bad.tem"
  run routes parse "$work/bad.tem"
  local err
  err=$(tr -d '\r' <"$work/stderr")
  if [ "$status" -ne 0 ] && [ -z "$out" ] && printf '%s' "$err" | grep -qF "line 3: $3"; then pass; else
    fail "$1: status $status, stdout '$out', stderr '$err'"
  fi
}
bad "mask not contiguous" "ADD 10.0.0.0 MASK 255.0.255.0 default" "mask 255.0.255.0 is not contiguous"
bad "host bits" "ADD 10.1.0.0 MASK 255.0.0.0 default" "destination 10.1.0.0 has bits outside the mask"
bad "octet above 255" "ADD 10.0.0.256 MASK 255.255.255.255 default" "destination '10.0.0.256'"
bad "leading zero" "ADD 10.0.0.010 MASK 255.255.255.255 default" "destination '10.0.0.010'"
bad "unknown command" "CHANGE 10.0.0.0 MASK 255.0.0.0 default" "unknown command 'CHANGE'"
bad "missing gateway" "ADD 10.0.0.0 MASK 255.0.0.0" "too few words"
bad "bad gateway" "ADD 10.0.0.0 MASK 255.0.0.0 gw" "gateway 'gw'"
bad "metric zero" "ADD 10.0.0.0 MASK 255.0.0.0 default METRIC 0" "metric '0'"
bad "trailing word" "DELETE 10.0.0.0 MASK 255.0.0.0 default now" "unexpected 'now'"
bad "shell text" 'ADD $(reboot) MASK 255.0.0.0 default' "destination '\$(reboot)'"

run routes parse "$work/does-not-exist.tem"
check "missing file: status $status" test "$status" -eq 1
run routes parse
check "no file: status $status" test "$status" -eq 2
run routes list "$work/all.tem"
check "unknown sub-command: status $status" test "$status" -eq 2

# --- cmroute.dll through rundll32 (Windows only) ------------------------------------------------------
if [ -n "${NIMBROOK_WINE:-}" ]; then
  dir="$work/route"
  mkdir -p "$dir"
  cp "$staged/cmroute.dll" "$dir/"
  printf 'ADD 10.0.0.0 MASK 255.0.0.0 default\nADD 10.1.0.0 MASK 255.0.0.0 default\n' >"$dir/bad.tem"
  printf 'DELETE 198.51.100.0 MASK 255.255.255.0 default\n' >"$dir/del.tem"
  # The launcher's three command lines, first without the blank between the last two switches.
  (cd "$dir" && "${runner[@]}" rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME bad.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK </dev/null >/dev/null 2>&1)
  (cd "$dir" && "${runner[@]}" rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME del.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK </dev/null >/dev/null 2>&1)
  (cd "$dir" && "${runner[@]}" rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME gone.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK </dev/null >/dev/null 2>&1)
  # The shipped pair, as the client runs it before dialling and after the tunnel ends. Wine's route
  # table is the host's: "local" resolves when the host has a default route.
  if [ -n "$(ip route show default 2>/dev/null)" ]; then
    cp "$staged/addroute.tem" "$staged/delroute.tem" "$dir/"
    (cd "$dir" && "${runner[@]}" rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME addroute.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK </dev/null >/dev/null 2>&1)
    (cd "$dir" && "${runner[@]}" rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME delroute.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK </dev/null >/dev/null 2>&1)
    count=$(grep -c '^ADD ' "$staged/addroute.tem")
    log=$(tr -d '\r' <"$dir/cmroute.log" 2>/dev/null)
    has "rundll32, addroute.tem" "$log" "路由文件addroute.tem已处理: 成功${count}条, 跳过0条, 拒绝访问0条, 失败0条"
    has "rundll32, delroute.tem" "$log" "路由文件delroute.tem已处理: 成功${count}条, 跳过0条, 拒绝访问0条, 失败0条"
  else
    echo "note: the host has no default route; the shipped route files were not run through rundll32"
  fi
  log=$(tr -d '\r' <"$dir/cmroute.log" 2>/dev/null)
  has "rundll32, malformed file" "$log" "路由文件bad.tem第2行有误: destination 10.1.0.0 has bits outside the mask 255.0.0.0"
  has "rundll32, delete through a VPN that is down" "$log" "路由文件del.tem已处理: 成功0条, 跳过1条, 拒绝访问0条, 失败0条"
  has "rundll32, missing file" "$log" "路由文件无法读取: gone.tem"
fi

finish
