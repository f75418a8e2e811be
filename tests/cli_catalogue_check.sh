#!/usr/bin/env bash
# Checks "nimbrook-cli catalogue" on a small login answer (account head, groups, computed values of
# the servers) and "nimbrook-cli sign" / "encode-params" against known vectors.
# Usage: cli_catalogue_check.sh PATH-TO-nimbrook-cli
set -u
cli=${1:?usage: cli_catalogue_check.sh PATH-TO-nimbrook-cli}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

# Runs the program; its standard output goes to $work/out; sets status.
run() {
  "${runner[@]}" "$cli" "$@" >"$work/out" 2>"$work/err" </dev/null
  status=$?
}

hex() { od -An -v -tx1 | tr -d ' \n'; }

# --- catalogue ---------------------------------------------------------------------------------
# Entries: a free Hong Kong server above capacity; an empty entry (";;"); a British server whose
# description mentions "allow" but that has no allow field; an American server with zero capacity
# that this account may not use. The trailing ";" makes no entry.
{
  printf 'yes|srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11_'
  printf 'area,免费香港|nasname,甲_01|IP,127.0.1.2|info,x|allow,1|onlineusers,250|maxusers,200|connecttype,PPTP=1723#IPSEC=500#SSTP=443;'
  printf ';'
  printf 'area,英国|nasname,乙|IP,h.example|info,no allow here|onlineusers,35|maxusers,200|connecttype,OVPN-UDP=1000-1002;'
  printf 'area,美国|nasname,丙|IP,127.0.2.1|info,zero|allow,-1|onlineusers,5|maxusers,0|connecttype,L2TP=1701;'
} >"$work/answer.txt"

run catalogue "$work/answer.txt"
json=$(tr -d '\r' <"$work/out")
if [ "$status" -ne 0 ]; then fail "catalogue: exit status $status ($(cat "$work/err"))"; fi

has() {  # has WHAT TEXT SUBSTRING
  if printf '%s' "$2" | grep -qF -- "$3"; then pass; else fail "$1: no '$3' in: $2"; fi
}

has "head" "$json" '"head":{"expiration":"2031-12-31 23:59:59","srvid":"11","srvtype":"vip"}'
has "groups" "$json" '"groups":{"101":[0,1,2,3],"102":[0],"103":[3],"104":[],"105":[],"106":[],"107":[],"108":[],"109":[]}'

# One line per entry: each entry object starts with its first key, "IP".
entries=$(printf '%s' "$json" | sed 's/{"IP"/\n{"IP"/g' | tail -n +2)
entry() { printf '%s\n' "$entries" | sed -n "$(($1 + 1))p"; }
count=$(printf '%s\n' "$entries" | wc -l)
if [ "$count" -eq 4 ]; then pass; else fail "expected 4 entries, found $count"; fi

e0=$(entry 0)
has "entry 0" "$e0" '"nasname":"甲_01"'
has "entry 0" "$e0" '"area":"免费香港"'
has "entry 0" "$e0" '"areaCode":102'
has "entry 0" "$e0" '"flag":"hongkong.png"'
has "entry 0" "$e0" '"percent":125,'
has "entry 0" "$e0" '"percentText":"125%"'
has "entry 0" "$e0" '"bar":"jdt4.png"'
has "entry 0" "$e0" '"offered":{"10":["AUTO","PPTP","IPSEC","SSTP"],"5":["AUTO","PPTP"]}'
has "entry 0" "$e0" '"ports":{"IPSEC":"500","PPTP":"1723","SSTP":"443"}'
has "entry 0" "$e0" '"connecttype":"PPTP=1723#IPSEC=500#SSTP=443"'

e1=$(entry 1)
has "entry 1" "$e1" '"nasname":""'
has "entry 1" "$e1" '"areaCode":0'
has "entry 1" "$e1" '"offered":{"10":["AUTO"],"5":["AUTO"]}'

e2=$(entry 2)
has "entry 2" "$e2" '"allow":""'
has "entry 2" "$e2" '"flag":"uk.png"'
has "entry 2" "$e2" '"areaCode":0'
has "entry 2" "$e2" '"percentText":" 17%"'
has "entry 2" "$e2" '"bar":"jdt0.png"'
has "entry 2" "$e2" '"IP":"h.example"'
has "entry 2" "$e2" '"ports":{"OVPN-UDP":"1000-1002"}'

e3=$(entry 3)
has "entry 3" "$e3" '"allow":"-1"'
has "entry 3" "$e3" '"percentText":"  0%"'
has "entry 3" "$e3" '"areaCode":103'
has "entry 3" "$e3" '"flag":"usa.png"'
has "entry 3" "$e3" '"offered":{"10":["AUTO","L2TP"],"5":["AUTO","L2TP"]}'

# An answer without "_": no head, everything after the marker is the naslist.
printf 'yes|area,日本|nasname,丁' >"$work/nosep.txt"
run catalogue "$work/nosep.txt"
json=$(tr -d '\r' <"$work/out")
has "no separator" "$json" '"head":{"expiration":"","srvid":"","srvtype":""}'
has "no separator" "$json" '"104":[0]'

# Texts that JSON must escape (quote, backslash, control characters), a protocol listed twice (its
# first port text counts) and protocol names that sort by their UTF-8 bytes.
printf 'yes|srvtype,v"ip|expiration,x\\y|srvid,1\001_area,免费"q\\|nasname,a\tb\nc\rd\be\ff\037g|IP,1.2.3.4|connecttype,PPTP=1#PPTP=2#ÄB=3#AB=4#a"b=\\5' >"$work/escape.txt"
run catalogue "$work/escape.txt"
json=$(tr -d '\r' <"$work/out")
has "escaping" "$json" '"area":"免费\"q\\"'
has "escaping" "$json" '"nasname":"a\tb\nc\rd\be\ff\u001fg"'
has "escaping" "$json" '"ports":{"AB":"4","PPTP":"1","a\"b":"\\5","ÄB":"3"}'
has "escaping" "$json" '"offered":{"10":["AUTO","PPTP","PPTP","ÄB","AB","a\"b"]'
has "escaping" "$json" '"head":{"expiration":"x\\y","srvid":"1\u0001","srvtype":"v\"ip"}'

# An empty file: an empty catalogue with all nine groups.
: >"$work/empty.txt"
run catalogue "$work/empty.txt"
json=$(tr -d '\r' <"$work/out")
if [ "$status" -eq 0 ]; then pass; else fail "empty answer: exit status $status"; fi
has "empty answer" "$json" '"catalogue":{"entries":[],"groups":{"101":[],"102":[],"103":[],"104":[],"105":[],"106":[],"107":[],"108":[],"109":[]}}'

run catalogue "$work/does-not-exist.txt"
if [ "$status" -ne 0 ] && [ ! -s "$work/out" ]; then pass; else fail "missing file: status $status"; fi
run catalogue
if [ "$status" -eq 2 ]; then pass; else fail "catalogue without a file: status $status"; fi

# --- sign and encode-params ----------------------------------------------------------------------
# text|expected signature
sign_vectors=(
  "|490bf93cf840b9b084034b84f4361063"
  "abc|232a4aa0eeb4fd65fbb479253be42db4"
  "username=alice01;password=secret123|7b4164b6ea6fa123d0f2b81a9d044762"
)
for v in "${sign_vectors[@]}"; do
  text=${v%%|*}
  expected=${v#*|}
  run sign "$text"
  got=$(tr -d '\r\n' <"$work/out")
  if [ "$status" -eq 0 ] && [ "$got" = "$expected" ]; then pass; else fail "sign '$text': got '$got', expected $expected"; fi
done
long=$(printf 'x%.0s' $(seq 1 200))
run sign "$long"
got=$(tr -d '\r\n' <"$work/out")
if [ "$got" = "37717e6a6683c68cf10c2d6d4931f233" ]; then pass; else fail "sign of 200 x: got '$got'"; fi

# text|expected encoding (the output is the encoding and one line end; the encoding's own CR LF
# line breaks must arrive unchanged)
encode_vectors=(
  "|"
  "a|YwQ_LGLGLrLGLGLa"
  "ab|YwW_IrLGLGLa"
  "abc|YwW_Jrja"
  "username=abc|dwX_Nrlacvmi5shsbeWtU9YWJj"
  "username=alice;password=wonder1|dwX_Nrlacvmi5shsbeWtU9YWxpY2U7cGFzc3dvcmQ9d29uZGVyMQLGLGLLGLGL"
  "username=alice01;password=secret123;loginLog=0;locale=eng|dwX_Nrlacvmi5shsbeWtU9YWxpY2UwMTtwYXNzd29yZD1zZWNyZXQxMjM7bG9naW5Mb2c9MDtsb2NhbGU9ZW5n\r\n"
)
for v in "${encode_vectors[@]}"; do
  text=${v%%|*}
  expected=${v#*|}
  run encode-params "$text"
  got_hex=$(hex <"$work/out")
  expected_hex=$(printf "${expected}\n" | hex)
  if [ "$status" -eq 0 ] && [ "$got_hex" = "$expected_hex" ]; then
    pass
  else
    fail "encode-params '$text': got hex $got_hex, expected $expected_hex"
  fi
done

run sign
if [ "$status" -eq 2 ]; then pass; else fail "sign without TEXT: status $status"; fi
run encode-params a b
if [ "$status" -eq 2 ]; then pass; else fail "encode-params with two texts: status $status"; fi

finish
