#!/usr/bin/env bash
# Checks "nimbrook-cli login" against the reference service: an unreachable first URL followed by one
# that accepts, a refusal that stops the walk, empty and unusable answers that move on to the next URL,
# and what "version.ini" is left holding. Usage: cli_login_check.sh PATH-TO-nimbrook-cli PORT
set -u
cli=${1:?usage: cli_login_check.sh PATH-TO-nimbrook-cli PORT}
port=${2:?usage: cli_login_check.sh PATH-TO-nimbrook-cli PORT}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"
base="http://127.0.0.1:$port"
login="$base/clogin.php"
closed="http://127.0.0.1:1/clogin.php"  # nothing listens on port 1

cd "$work" || exit 1

# A login with DIR as the program directory (relative, so the same text works under Wine).
login_run() {  # login_run DIR ENDPOINTS USER PASSWORD [more options]
  local dir=$1 endpoints=$2 user=$3 password=$4
  shift 4
  run login --program-dir "$dir" --endpoints "$endpoints" --user "$user" --password "$password" "$@"
}

# The value at a dotted path of the JSON output, as text ("null" for null, "missing" when absent).
field() {
  printf '%s' "$out" | perl -MJSON::PP -e '
    my $v = eval { JSON::PP->new->decode(join("", <STDIN>)) };
    if (!defined $v) { print "unparsable"; exit; }
    for my $k (split /\./, $ARGV[0]) {
      if (ref $v ne "HASH" || !exists $v->{$k}) { print "missing"; exit; }
      $v = $v->{$k};
    }
    print defined $v ? (ref $v ? JSON::PP->new->canonical->encode($v) : $v) : "null";' "$1"
}
is() { [ "$(field "$1")" = "$2" ]; }
not_empty() { local v; v=$(field "$1"); [ -n "$v" ] && [ "$v" != "null" ] && [ "$v" != "missing" ]; }

# Lines of DIR's log that the walk writes.
log_text() { tr -d '\r' <"$1/nimbrook.log" | sed '1s/^\xEF\xBB\xBF//'; }
login_lines() { log_text "$1" | grep -c "^登录服务器 "; }
log_has() { log_text "$1" | grep -qxF -- "$2"; }
# loginURL of DIR's version.ini, deciphered.
stored_list() {
  local enc
  enc=$(tr -d '\r\000' <"$1/config/version.ini" 2>/dev/null | sed -n 's/^loginURL=//p' | head -n 1)
  [ -n "$enc" ] || return 0
  "${runner[@]}" "$cli" descriptor decode "$enc" </dev/null | tr -d '\r'
}
no_descriptor() { [ ! -e "$1/config/version.ini" ]; }
present() { [ "$(field "$1")" != "missing" ]; }
has_entries() { [[ "$(field catalogue.entries)" == "[{"* ]]; }
equals() { [ "$1" = "$2" ]; }

# Unreachable first URL, then one that accepts: two attempts, the second URL becomes the endpoint.
login_run p1 "$closed;$login" alice01 secret123
check "accept after unreachable: status $status, out $out" equals "$status" 0
check "accept after unreachable: code" is code 15
check "accept after unreachable: state" is state 3
check "accept after unreachable: loginEndpoint $(field loginEndpoint)" is loginEndpoint "$login"
check "accept after unreachable: urlList" is urlList "$closed;$login"
check "accept after unreachable: head.srvtype" is head.srvtype vip
check "accept after unreachable: head.srvid" is head.srvid 11
check "accept after unreachable: head.expiration" is head.expiration "2031-12-31 23:59:59"
check "accept after unreachable: answer" not_empty answer
check "accept after unreachable: catalogue entries" has_entries
check "accept after unreachable: two attempts" equals "$(login_lines p1)" 2
check "accept after unreachable: log line of the first URL" log_has p1 "登录服务器 .0.0.1:1/clogin.php"
check "accept after unreachable: log line of the second URL" log_has p1 "登录服务器 .0.0.1:$port/clogin.php"
check "accept after unreachable: dwRet 0 logged" log_has p1 "dwRet:0"
check "accept after unreachable: version.ini holds the list ($(stored_list p1))" equals "$(stored_list p1)" "$closed;$login"

# A new list that fails falls back to the installed one, which stays in version.ini.
login_run p1 "$closed" alice01 secret123
check "fallback to installed list: code" is code 15
check "fallback to installed list: three attempts" equals "$(login_lines p1)" 3
check "fallback to installed list: version.ini kept" equals "$(stored_list p1)" "$closed;$login"

# A refusal stops the walk: the second URL is never tried.
login_run p2 "$login;$login" refuse refuse123
check "refusal: status $status" equals "$status" 1
check "refusal: code" is code 16
check "refusal: state" is state 2
check "refusal: failureText" is failureText "您的账号已在其他设备登录，请稍后再试"
check "refusal: no answer" is answer ""
check "refusal: no head" is head null
check "refusal: no catalogue" is catalogue null
check "refusal: one attempt" equals "$(login_lines p2)" 1
check "refusal: endpoint unchanged" is loginEndpoint "http://127.0.0.1:8080/clogin.php"
# With no installed list, a failed new list is not written.
check "refusal: nothing written" no_descriptor p2
check "refusal: no local list logged" log_has p2 "无法获取本地LoginUrl信息"

# The English refusal text with locale eng.
login_run p2e "$login" refuse refuse123 --locale eng
check "refusal (eng): code" is code 16
check "refusal (eng): failureText $(field failureText)" not_empty failureText

# Empty answers and failed statuses move on to the next URL.
login_run p3 "$base/fault/empty/clogin.php;$base/fault/status/500/clogin.php;$login" alice01 secret123
check "empty answers fall through: code $(field code)" is code 15
check "empty answers fall through: loginEndpoint" is loginEndpoint "$login"
check "empty answers fall through: three attempts" equals "$(login_lines p3)" 3
login_run p4 "$login;$login" emptybody empty123
check "empty body twice: code" is code 16
check "empty body twice: two attempts" equals "$(login_lines p4)" 2
login_run p5 "$login;$login" status500 status123
check "status 500 twice: code" is code 16
check "status 500 twice: two attempts" equals "$(login_lines p5)" 2

# An answer without "|" is no login: the next URL is tried and, at the end, the login fails.
login_run p6 "$login;$login" nobar nobar123
check "answer without bar: code" is code 16
check "answer without bar: no answer" is answer ""
check "answer without bar: two attempts" equals "$(login_lines p6)" 2

# A list ending in ";" ends with an attempt at an empty URL, which fails in the transport.
login_run p7 "$login;" emptybody empty123
check "trailing separator: code" is code 16
check "trailing separator: two attempts" equals "$(login_lines p7)" 2
check "trailing separator: empty URL logged" log_has p7 "登录服务器 "

# No list at all.
login_run p8 "" alice01 secret123
check "no list: code" is code 16
check "no list: logged" log_has p8 "无法获取任何loginUrl信息"
check "no list: nothing written" no_descriptor p8

# Usage errors.
run login --program-dir p9 --user alice01
check "missing options: status $status" equals "$status" 2

finish
