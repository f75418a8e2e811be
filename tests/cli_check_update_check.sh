#!/usr/bin/env bash
# Checks "nimbrook-cli check-update" against the reference service: first start without "version.ini",
# a release whose files all match, changed, missing and present-but-unlisted files, the updater fetched
# by the check itself, failures that leave no hand-over files, and junk first descriptors that are
# never kept. The service's current release is never switched: program directories are built from the
# release files, and other releases are reached through their own descriptor addresses. The service
# signs what it serves with its test key; with that key as the release key, its variants signed with
# another key or unsigned are refused (the unsigned one is accepted again without a key).
# Usage: cli_check_update_check.sh PATH-TO-nimbrook-cli PORT
set -u
cli=${1:?usage: cli_check_update_check.sh PATH-TO-nimbrook-cli PORT}
port=${2:?usage: cli_check_update_check.sh PATH-TO-nimbrook-cli PORT}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"
base="http://127.0.0.1:$port"
releases="$(cd "$(dirname "$0")/../service/data/releases" && pwd)"
current=$(tr -d '\r\n ' <"$releases/../current-release")
testkey=$(tr -d '\r\n' <"$releases/../signing/release-key.pub")

cd "$work" || exit 1

# One check with DIR (relative, so the same text works under Wine) as the program directory.
run_check() {  # run_check DIR [DEFAULT-DESCRIPTOR-URL [OPTION...]]
  local dir=$1 url=${2:-$base/clientupdate/update/raw/master/version.ini}
  shift $(($# < 2 ? $# : 2))
  out=$("${runner[@]}" "$cli" check-update --program-dir "$dir" --default-descriptor-url "$url" "$@" 2>"$work/stderr" </dev/null)
  status=$?
  out=$(printf '%s' "$out" | tr -d '\r')
}
state_is() { [ "$out" = "{\"state\": $1}" ]; }

# A program directory holding the files of release NAME.
install_release() {  # install_release NAME DIR
  mkdir -p "$2/config"
  cp -R "$releases/$1/." "$2/"
}
# The descriptor of release NAME as the service serves it.
fetch_descriptor() {  # fetch_descriptor NAME FILE
  curl -sf "$base/descriptor/$1/version.ini" -o "$2"
}
# An INI file (UTF-16LE or UTF-8) as UTF-8 text without BOM and CR.
ini_text() {
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "fffe" ]; then
    iconv -f UTF-16LE -t UTF-8 "$1" | sed '1s/^\xEF\xBB\xBF//' | tr -d '\r'
  else
    sed '1s/^\xEF\xBB\xBF//' "$1" | tr -d '\r'
  fi
}
# The lines of SECTION of an INI file.
section() {  # section FILE SECTION
  ini_text "$1" | awk -v s="[$2]" '/^\[/ { on = ($0 == s); next } on && NF { print }'
}
# Drops every line starting with PREFIX from a UTF-16LE descriptor.
drop_line() {  # drop_line FILE PREFIX
  iconv -f UTF-16LE -t UTF-8 "$1" | grep -vF -- "$2" | iconv -f UTF-8 -t UTF-16LE >"$1.tmp" && mv "$1.tmp" "$1"
}
stamp() { md5sum "$1" | cut -d' ' -f1; }
log_has() { tr -d '\r' <"$1/nimbrook.log" | sed '1s/^\xEF\xBB\xBF//' | grep -qxF -- "$2"; }

# The expected FILES lines of "update.ini" for a directory built from OLD with OLD's descriptor, when
# NEW is the latest release and the names in SKIP are left out of the installed list.
expected_list() {  # expected_list OLD NEW SKIP-NAME
  (cd "$releases/$2" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) | while read -r rel; do
    name=${rel//\//\\}
    [ "$name" = "update.exe" ] && continue
    if [ ! -f "$releases/$1/$rel" ]; then
      echo "$name=$(stamp "$releases/$2/$rel")"
    elif [ "$name" != "$3" ] && [ "$(stamp "$releases/$1/$rel")" != "$(stamp "$releases/$2/$rel")" ]; then
      echo "$name=$(stamp "$releases/$2/$rel")"
    fi
  done | LC_ALL=C sort
}

# 1. First start without "version.ini": the descriptor is fetched from the default address.
mkdir -p first
run_check first "$base/descriptor/1.5.0/version.ini"
check "first start: state 1 (nothing installed yet)" state_is 1
check "first start: version.ini fetched" test -s first/config/version.ini
check "first start: descriptor fetch logged" log_has first "下载version .0.0.1:$port/descriptor/1.5.0/version.ini"
check "first start: update.ini written" test -f first/config/update.ini
section first/config/update.ini FILES >"$work/first.txt"
check "first start: every file but the updater listed" test "$(wc -l <"$work/first.txt")" -eq "$(find "$releases/$current" -type f ! -name update.exe | wc -l)"
check "first start: update.exe never listed" bash -c "! grep -qi '^update.exe=' '$work/first.txt'"
check "first start: the updater was fetched into the program directory" cmp -s first/update.exe "$releases/$current/update.exe"

# 2. A release whose files all match: no update.ini, version.ini replaced by the latest descriptor.
install_release "$current" same
fetch_descriptor "$current" same/config/version.ini
drop_line same/config/version.ini "qqURL="
curl -sf "$base/clientupdate/release/version.ini" -o "$work/latest.ini"
run_check same
check "matching release: state 2" state_is 2
check "matching release: no update.ini" test ! -e same/config/update.ini
check "matching release: no new_version.ini" test ! -e same/config/new_version.ini
check "matching release: version.ini is the latest descriptor" cmp -s same/config/version.ini "$work/latest.ini"
check "matching release: updater untouched" cmp -s same/update.exe "$releases/$current/update.exe"

# 3. An older release: changed and missing files listed in name order, a present file missing from
# the installed list is not, update.exe never; the stamps are the release files' MD5.
install_release 1.5.0 old
fetch_descriptor 1.5.0 old/config/version.ini
drop_line old/config/version.ini 'docs\changelog.txt='
run_check old
check "older release: state 1" state_is 1
section old/config/update.ini FILES >"$work/got.txt"
expected_list 1.5.0 "$current" 'docs\changelog.txt' >"$work/want.txt"
check "older release: update.ini lists changed and missing files in order" cmp -s "$work/got.txt" "$work/want.txt"
check "older release: at least one file listed" test -s "$work/want.txt"
check "older release: a present file missing from the installed list is not listed" \
  bash -c "! grep -q '^docs\\\\changelog.txt=' '$work/got.txt'"
check "older release: update.exe never listed" bash -c "! grep -qi '^update.exe=' '$work/got.txt'"
section old/config/update.ini URL >"$work/url.txt"
section old/config/new_version.ini URL | grep '^downloadURL=' >"$work/url-want.txt"
check "older release: download base handed over still enciphered" cmp -s "$work/url.txt" "$work/url-want.txt"
check "older release: new_version.ini left for the updater" test -s old/config/new_version.ini
if cmp -s "$releases/1.5.0/update.exe" "$releases/$current/update.exe"; then
  check "older release: unchanged updater kept" cmp -s old/update.exe "$releases/1.5.0/update.exe"
else
  check "older release: changed updater fetched by the check" cmp -s old/update.exe "$releases/$current/update.exe"
  check "older release: updater fetch logged" log_has old "更新update.exe"
fi
check "older release: change note logged" bash -c "tr -d '\r' <old/nimbrook.log | grep -q '!='"

# 4. Failures remove update.ini and new_version.ini.
mkdir -p unreachable
run_check unreachable "$base/fault/404/descriptor/1.5.0/version.ini"
check "default unreachable: state 3" state_is 3
check "default unreachable: no version.ini left" test ! -e unreachable/config/version.ini
check "default unreachable: no update.ini" test ! -e unreachable/config/update.ini
check "default unreachable: no new_version.ini" test ! -e unreachable/config/new_version.ini

for key in versionURL loginURL; do
  dir="no-$key"
  install_release "$current" "$dir"
  fetch_descriptor "$current" "$dir/config/version.ini"
  drop_line "$dir/config/version.ini" "$key="
  printf '[FILES]\r\nstale=1\r\n' >"$dir/config/update.ini"
  printf 'stale' >"$dir/config/new_version.ini"
  run_check "$dir"
  check "$key missing: state 3" state_is 3
  check "$key missing: stale update.ini removed" test ! -e "$dir/config/update.ini"
  check "$key missing: stale new_version.ini removed" test ! -e "$dir/config/new_version.ini"
  check "$key missing: version.ini kept" test -s "$dir/config/version.ini"
done

# 5. A junk first descriptor (an empty answer, a page that is no descriptor) is not kept, so the next
#    start with the real address works.
for junk in "$base/fault/empty/clientupdate/update/raw/master/version.ini" "$base/releases/$current/readme.txt"; do
  rm -rf junk
  mkdir -p junk
  run_check junk "$junk"
  check "junk first descriptor ($junk): state 3" state_is 3
  check "junk first descriptor ($junk): nothing kept" test ! -e junk/config/version.ini
  run_check junk
  check "junk first descriptor ($junk): the next start installs the real one" test -s junk/config/version.ini
  check "junk first descriptor ($junk): and its check works" test "$out" != '{"state": 3}'
done

# 6. Signatures. A signed release was checked above; its descriptor verifies with the test key.
verdict=$("${runner[@]}" "$cli" release verify --public-key "$testkey" old/config/new_version.ini 2>/dev/null </dev/null | tr -d '\r')
check "signed release: new_version.ini verifies ($verdict)" test "$verdict" = '{"valid":true,"reason":"signature valid"}'

# A first descriptor signed with another key, or unsigned, is not installed.
for variant in otherkey unsigned; do
  mkdir -p "first-$variant"
  run_check "first-$variant" "$base/descriptor/1.5.1-$variant/version.ini" --release-public-key "$testkey"
  check "first start, $variant descriptor: state 3" state_is 3
  check "first start, $variant descriptor: not installed" test ! -e "first-$variant/config/version.ini"
done
check "first start, other key: logged" log_has first-otherkey "下载的version.ini签名无效: signature does not match"
# Without a key an unsigned descriptor works as before.
mkdir -p first-keyless
run_check first-keyless "$base/descriptor/1.5.1-unsigned/version.ini" --release-public-key ''
check "first start, unsigned descriptor without a key: state 1" state_is 1

# The latest descriptor signed with another key: no update offered, the installed descriptor (and so
# its login list) unchanged.
install_release 1.5.0 foreign
fetch_descriptor 1.5.1-otherkey foreign/config/version.ini
cp foreign/config/version.ini "$work/foreign.ini"
run_check foreign "$base/descriptor/1.5.1-otherkey/version.ini" --release-public-key "$testkey"
check "latest signed by another key: state 3" state_is 3
check "latest signed by another key: no update.ini" test ! -e foreign/config/update.ini
check "latest signed by another key: no new_version.ini" test ! -e foreign/config/new_version.ini
check "latest signed by another key: version.ini unchanged" cmp -s foreign/config/version.ini "$work/foreign.ini"
check "latest signed by another key: logged" log_has foreign "下载的version.ini签名无效: signature does not match"

finish
