#!/usr/bin/env bash
# Checks "nimbrook-cli update" against the reference service: release files replaced (directories
# created), the new descriptor installed, a download cut mid-body failing cleanly with the old file
# intact, and hostile file names refused without touching anything; all without a release key, as
# before signing. Then with the service's test key as the release key: a signed release updates, and
# a file that differs from its signed digest, a descriptor signed with another key or none at all
# replace nothing.
# Usage: cli_update_check.sh PATH-TO-nimbrook-cli PORT
set -u
cli=${1:?usage: cli_update_check.sh PATH-TO-nimbrook-cli PORT}
port=${2:?usage: cli_update_check.sh PATH-TO-nimbrook-cli PORT}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"
base="http://127.0.0.1:$port"
release="$(cd "$(dirname "$0")/../service/data/releases/1.5.1" && pwd)"
testkey=$(tr -d '\r\n' <"$release/../../signing/release-key.pub")

cd "$work" || exit 1

encipher() {
  local value
  value=$("${runner[@]}" "$cli" descriptor encode "$1" 2>/dev/null </dev/null)
  printf '%s' "$value" | tr -d '\r\n'
}

# make_program DIR BASE NAME...: a program directory with the hand-over files as the client leaves
# them: config/update.ini (enciphered base, one "name=stamp" line per file), new_version.ini, version.ini.
make_program() {
  local dir=$1 url=$2
  shift 2
  mkdir -p "$dir/config"
  {
    printf '[URL]\r\ndownloadURL=%s\r\n[FILES]\r\n' "$(encipher "$url")"
    for name in "$@"; do printf '%s=stamp-%s\r\n' "$name" "$name"; done
  } >"$dir/config/update.ini"
  printf '[FILES]\r\nNimbrook.exe=new\r\n' >"$dir/config/new_version.ini"
  printf '[FILES]\r\nNimbrook.exe=old\r\n' >"$dir/config/version.ini"
}

# Without a release key, as a build without one: the hand-made descriptors here are unsigned.
update_keyless() { run update --release-public-key '' "$@"; }
update_keyed() { run update --release-public-key "$testkey" "$@"; }

result_is() { [ "$out" = "$1" ]; }
same_file() { cmp -s "$1" "$2"; }
no_file() { [ ! -e "$1" ]; }
has_text() { [ "$(cat "$1")" = "$2" ]; }
no_tmp() { [ -z "$(find "$1" -name '*.tmp')" ]; }

# 1. A whole update: every file replaced, the subdirectory created, the descriptor installed.
make_program p1 "$base/releases/1.5.1/" 'Nimbrook.exe' 'docs\changelog.txt' 'readme.txt'
printf 'old exe' >p1/Nimbrook.exe
update_keyless --program-dir p1 --lang eng
check "update: '$out' status $status" result_is '{"success": true, "listed": 3, "replaced": 3}'
check "update: exit status 0" [ "$status" -eq 0 ]
check "update: Nimbrook.exe replaced" same_file p1/Nimbrook.exe "$release/Nimbrook.exe"
check "update: docs/changelog.txt created" same_file p1/docs/changelog.txt "$release/docs/changelog.txt"
check "update: readme.txt" same_file p1/readme.txt "$release/readme.txt"
check "update: descriptor installed" has_text p1/config/version.ini "$(printf '[FILES]\r\nNimbrook.exe=new\r')"
check "update: new_version.ini moved" no_file p1/config/new_version.ini
check "update: update.ini removed" no_file p1/config/update.ini
check "update: no temporary files" no_tmp p1

# 2. A download cut mid-body (twice): the run fails, the old file stays, nothing is installed.
make_program p2 "$base/fault/close/releases/1.5.1" 'Nimbrook.exe'
printf 'old exe' >p2/Nimbrook.exe
update_keyless --program-dir p2 --lang eng
check "cut download: '$out'" result_is '{"success": false, "listed": 1, "replaced": 0}'
check "cut download: exit status 1" [ "$status" -eq 1 ]
check "cut download: old file intact" has_text p2/Nimbrook.exe 'old exe'
check "cut download: no temporary files" no_tmp p2
check "cut download: update.ini removed" no_file p2/config/update.ini
check "cut download: new_version.ini removed" no_file p2/config/new_version.ini
check "cut download: version.ini kept" has_text p2/config/version.ini "$(printf '[FILES]\r\nNimbrook.exe=old\r')"

# 3. A missing release file (404) fails the same way.
make_program p3 "$base/releases/1.5.1" 'missing.txt'
update_keyless --program-dir p3 --lang chs
check "404: '$out'" result_is '{"success": false, "listed": 1, "replaced": 0}'
check "404: no file" no_file p3/missing.txt

# 3b. An empty 200 answer never replaces an installed file; a body without a length is read whole.
make_program pe "$base/fault/empty/releases/1.5.1" 'readme.txt'
printf 'old readme' >pe/readme.txt
update_keyless --program-dir pe --lang eng
check "empty body: '$out'" result_is '{"success": false, "listed": 1, "replaced": 0}'
check "empty body: old file intact" has_text pe/readme.txt 'old readme'
check "empty body: no temporary files" no_tmp pe
make_program pc "$base/fault/chunked/releases/1.5.1" 'docs\license.txt'
update_keyless --program-dir pc --lang eng
check "chunked: '$out'" result_is '{"success": true, "listed": 1, "replaced": 1}'
check "chunked: content" same_file pc/docs/license.txt "$release/docs/license.txt"

# 4. Hostile names: refused before anything is fetched; nothing outside the program directory touched.
printf 'sentinel' >"$work/x"
i=0
for hostile in '..\x' '../x' 'C:\x' '\\host\x' '/etc/x' 'docs\..\..\x'; do
  i=$((i + 1))
  make_program "h$i" "$base/releases/1.5.1" 'readme.txt' "$hostile"
  update_keyless --program-dir "h$i" --lang eng
  check "hostile '$hostile': '$out'" result_is '{"success": false, "listed": 2, "replaced": 0}'
  check "hostile '$hostile': nothing fetched" no_file "h$i/readme.txt"
  check "hostile '$hostile': hand-over removed" no_file "h$i/config/update.ini"
done
check "hostile: file beside the program dir untouched" has_text "$work/x" 'sentinel'
check "hostile: /etc/x not created" no_file /etc/x

# 5. An empty list ends at once and removes both hand-over files.
make_program p5 "$base/releases/1.5.1"
update_keyless --program-dir p5 --lang cht
check "empty list: '$out'" result_is '{"success": true, "listed": 0, "replaced": 0}'
check "empty list: update.ini removed" no_file p5/config/update.ini
check "empty list: new_version.ini removed" no_file p5/config/new_version.ini

# 6. No hand-over file: nothing is done.
mkdir -p p6
update_keyless --program-dir p6 --lang eng
check "no update.ini: '$out'" result_is '{"success": false, "listed": 0, "replaced": 0}'

# 7. Usage errors.
run update --program-dir p1
check "no language: status $status" [ "$status" -eq 2 ]

# 8. With the test key as the release key. program_from DIR RELEASE NAME...: update.ini as the client writes it
# from release RELEASE's descriptor (its download base and the names), which is new_version.ini.
program_from() {
  local dir=$1 from=$2
  shift 2
  make_program "$dir" "$base/releases/$from" "$@"
  curl -sf "$base/descriptor/$from/version.ini" -o "$dir/config/new_version.ini"
  check "$from: descriptor served" test -s "$dir/config/new_version.ini"
  cp "$dir/config/new_version.ini" "$work/$dir.descriptor"
  printf 'old exe' >"$dir/Nimbrook.exe"
}
program_from s1 1.5.1 'Nimbrook.exe' 'docs\changelog.txt' 'readme.txt'
update_keyed --program-dir s1 --lang eng
check "signed: '$out'" result_is '{"success": true, "listed": 3, "replaced": 3}'
check "signed: Nimbrook.exe replaced" same_file s1/Nimbrook.exe "$release/Nimbrook.exe"
check "signed: the signed descriptor installed" same_file s1/config/version.ini "$work/s1.descriptor"

program_from s2 1.5.1-tampered 'Nimbrook.exe' 'readme.txt'
update_keyed --program-dir s2 --lang eng
check "bytes differ from the digest: '$out'" result_is '{"success": false, "listed": 2, "replaced": 0}'
check "bytes differ from the digest: old file intact" has_text s2/Nimbrook.exe 'old exe'
check "bytes differ from the digest: no temporary files" no_tmp s2
check "bytes differ from the digest: logged" grep -qF '文件校验失败 Nimbrook.exe: digest does not match' s2/Nimbrook.log
check "bytes differ from the digest: version.ini kept" has_text s2/config/version.ini "$(printf '[FILES]\r\nNimbrook.exe=old\r')"

for variant in otherkey unsigned; do
  program_from "s-$variant" "1.5.1-$variant" 'Nimbrook.exe' 'readme.txt'
  update_keyed --program-dir "s-$variant" --lang eng
  check "$variant descriptor: '$out'" result_is '{"success": false, "listed": 2, "replaced": 0}'
  check "$variant descriptor: nothing fetched" no_file "s-$variant/readme.txt"
  check "$variant descriptor: old file intact" has_text "s-$variant/Nimbrook.exe" 'old exe'
done
check "other key: logged" grep -qF 'new_version.ini签名无效: signature does not match' s-otherkey/Nimbrook.log
check "unsigned: logged" grep -qF 'new_version.ini签名无效: no signature line' s-unsigned/Nimbrook.log
program_from s3 1.5.1-unsigned 'Nimbrook.exe' 'readme.txt'
update_keyless --program-dir s3 --lang eng
check "unsigned descriptor without a key: '$out'" result_is '{"success": true, "listed": 2, "replaced": 2}'

finish
