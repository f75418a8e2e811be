#!/usr/bin/env bash
# Checks "nimbrook-cli descriptor decode|encode" against known descriptor values and its own round
# trip. Usage: cli_descriptor_check.sh PATH-TO-nimbrook-cli
set -u
cli=${1:?usage: cli_descriptor_check.sh PATH-TO-nimbrook-cli}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"

# Runs the program; sets out (standard output without the final line end), err and status.
run() {
  local errfile
  errfile=$(mktemp)
  out=$("${runner[@]}" "$cli" "$@" 2>"$errfile" </dev/null)
  status=$?
  out=${out%$'\r'}
  err=$(tr -d '\r' <"$errfile")
  rm -f "$errfile"
}

hex() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }

# enciphered value, hex of its plain text, what it shows
vectors=(
  "AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7Ep|687474703a2f2f3132372e302e302e313a383038302f636c6f67696e2e706870|login endpoint"
  "AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7EpQ|687474703a2f2f3132372e302e302e313a383038302f636c6f67696e2e706870|odd length"
  "AkDaChEpEgKdDkHbBxMdA8GaAwAsFuArGfDpExAoDlAdAMAXNfJdAbBoDyAzEAEeCvLeEpAADcAwFoAMKeCxEkBxDyBw|687474703a2f2f612e6578616d706c652f783b687474703a2f2f622e6578616d706c652f636c6f67696e2e706870|endpoint list"
  "ArMgA3Cf|73697465|site"
  "ArMgA3CfQ|73697465|site, odd length"
  "AkDaChEpEgKdDkKfAYNdGeAdDqA4CrBzDiFsEt|687474703a2f2fc0fdd7d32eb2e2cad42fd2b3|Chinese host name in code page 936"
  "AdBdA4DrBlDnAn|616263|cut at a zero byte"
  "zz00AZaz|62e5eedc|arbitrary pairs"
  "A||single character"
)

for v in "${vectors[@]}"; do
  IFS='|' read -r enciphered plain_hex what <<<"$v"
  run descriptor decode "$enciphered"
  if [ "$status" -ne 0 ]; then
    fail "decode ($what): exit status $status"
  elif [ "$(hex "$out")" != "$plain_hex" ]; then
    fail "decode ($what): got hex $(hex "$out"), expected $plain_hex"
  else
    pass
  fi
done

texts=(
  "http://127.0.0.1:8080/clogin.php"
  "http://a.example/x;http://b.example/clogin.php"
  "site"
  "x"
  "notfound"
  "a b;c=d&e?f#g%20~!"
)
for t in "${texts[@]}"; do
  run descriptor encode "$t"
  enciphered=$out
  if [ "$status" -ne 0 ]; then
    fail "encode '$t': exit status $status"
    continue
  fi
  if [[ ! "$enciphered" =~ ^[A-Za-z0-9]+$ ]] || [ $((${#enciphered} % 2)) -ne 0 ] ||
     [ "${#enciphered}" -ne $((2 * ${#t})) ]; then
    fail "encode '$t': '$enciphered' is not two letters or digits per character"
  else
    pass
  fi
  run descriptor decode "$enciphered"
  if [ "$status" -eq 0 ] && [ "$out" = "$t" ]; then pass; else fail "round trip of '$t' gave '$out'"; fi
done

# The operators' pair choice: re-enciphering the installed value gives the same text.
run descriptor encode "http://127.0.0.1:8080/clogin.php"
if [ "$out" = "AkDaChEpEgKdDkEoCiEkDtGcDnBdHgHeAADAEdCAAyGoCtAnACGoEnHfGjDeA7Ep" ]; then pass; else fail "encode gave '$out'"; fi

run descriptor encode ""
if [ "$status" -eq 0 ] && [ -z "$out" ]; then pass; else fail "encode of the empty text: status $status, '$out'"; fi

# Usage errors: exit status 2 and a message on standard error, nothing on standard output.
usage_cases=("descriptor" "descriptor frob x" "descriptor decode" "descriptor encode" "descriptor decode a b")
for c in "${usage_cases[@]}"; do
  read -r -a words <<<"$c"
  run "${words[@]}"
  if [ "$status" -eq 2 ] && [ -n "$err" ] && [ -z "$out" ]; then
    pass
  else
    fail "'$c': status $status, stderr '$err', stdout '$out'"
  fi
done

finish
