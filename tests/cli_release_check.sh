#!/usr/bin/env bash
# Checks "nimbrook-cli release" against the reference service: verify on the descriptors it serves
# (signed with its test key, with another key, unsigned, in UTF-16LE and UTF-8), digests written for
# the release files, and where the build can sign (native): a new key, signing, re-signing and a
# change after signing. The Windows build verifies and writes digests but says it cannot sign.
# Usage: cli_release_check.sh PATH-TO-nimbrook-cli PORT [BUILD-RELEASE-KEY]
set -u
cli=${1:?usage: cli_release_check.sh PATH-TO-nimbrook-cli PORT [BUILD-RELEASE-KEY]}
port=${2:?usage: cli_release_check.sh PATH-TO-nimbrook-cli PORT [BUILD-RELEASE-KEY]}
buildkey=${3:-}
source "$(dirname "${BASH_SOURCE[0]}")/check_lib.sh"
base="http://127.0.0.1:$port"
data="$(cd "$(dirname "$0")/../service/data" && pwd)"
testkey=$(tr -d '\r\n' <"$data/signing/release-key.pub")

cd "$work" || exit 1

result_is() { [ "$out" = "$1" ]; }
# The lines of SECTION of a UTF-16LE or UTF-8 INI file, without CR.
section() {  # section FILE SECTION
  local text
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "fffe" ]; then text=$(iconv -f UTF-16LE -t UTF-8 "$1"); else text=$(cat "$1"); fi
  printf '%s\n' "$text" | tr -d '\r' | awk -v s="[$2]" '/^\[/ { on = ($0 == s); next } on && NF { print }'
}
signature_lines() { iconv -f UTF-16LE -t UTF-8 "$1" | grep -c '^;signature='; }

check "the test key's text is known" test "${#testkey}" -eq 88

# 1. Verify what the service serves.
curl -sf "$base/descriptor/1.5.1/version.ini" -o signed.ini
curl -sf "$base/descriptor/1.5.1/version.ini?encoding=utf-8" -o signed-utf8.ini
curl -sf "$base/descriptor/1.5.1-otherkey/version.ini" -o foreign.ini
curl -sf "$base/descriptor/1.5.1-unsigned/version.ini" -o unsigned.ini
run release verify --public-key "$testkey" signed.ini
check "signed: '$out'" result_is '{"valid":true,"reason":"signature valid"}'
check "signed: status 0" [ "$status" -eq 0 ]
run release verify --public-key "$testkey" signed-utf8.ini
check "signed, UTF-8: '$out'" result_is '{"valid":true,"reason":"signature valid"}'
run release verify --public-key "$testkey" foreign.ini
check "another key: '$out'" result_is '{"valid":false,"reason":"signature does not match"}'
check "another key: status 1" [ "$status" -eq 1 ]
run release verify --public-key "$testkey" unsigned.ini
check "unsigned: '$out'" result_is '{"valid":false,"reason":"no signature line"}'
run release verify --public-key "not-a-key" signed.ini
check "a text that is no key: '$out'" result_is '{"valid":false,"reason":"the release public key is not valid"}'
run release verify --public-key "$testkey" missing.ini
check "no file: '$out'" result_is '{"valid":false,"reason":"the descriptor cannot be read"}'
run release verify
check "no descriptor: usage error" [ "$status" -eq 2 ]
# Without --public-key: the key the program was built with.
run release verify signed.ini
if [ "$buildkey" = "$testkey" ]; then
  check "the build's key (the test key): '$out'" result_is '{"valid":true,"reason":"signature valid"}'
elif [ -z "$buildkey" ]; then
  check "a build without a key needs --public-key: status $status" [ "$status" -eq 2 ]
else
  check "the build's key (another key): '$out'" result_is '{"valid":false,"reason":"signature does not match"}'
fi

# 2. Digests for the release files, in the descriptor's own encoding; the signature line goes.
cp signed.ini digests.ini
run release digests "$data/releases/1.5.1" digests.ini
check "digests: '$out'" result_is '{"digests":5}'
section digests.ini DIGESTS >got.txt
(cd "$data/releases/1.5.1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r rel; do
  echo "${rel//\//\\}=$(sha256sum "$rel" | cut -d' ' -f1)"
done) >want.txt
check "digests: one SHA-256 per FILES name" cmp -s got.txt want.txt
check "digests: still UTF-16LE" test "$(head -c 2 digests.ini | od -An -tx1 | tr -d ' ')" = "fffe"
check "digests: the signature line is dropped" test "$(signature_lines digests.ini)" -eq 0
check "digests: the other sections kept" test "$(section digests.ini URL)" = "$(section signed.ini URL)"
run release digests "$data/releases/1.5.0" digests.ini
check "digests: a listed file the directory lacks: status 1" [ "$status" -eq 1 ]

# 3. Keys and signatures.
run release keygen --out key.pem
if [ "$status" -eq 0 ]; then
  pub=$out
  check "keygen: a public key text of 88 characters" test "${#pub}" -eq 88
  check "keygen: the private key is its owner's only" test "$(stat -c %a key.pem)" = 600
  run release keygen --out key.pem
  check "keygen: an existing key is never overwritten: status $status" [ "$status" -eq 1 ]
  run release sign --key key.pem digests.ini
  check "sign: '$out'" result_is "{\"signed\":true,\"public_key\":\"$pub\"}"
  run release verify --public-key "$pub" digests.ini
  check "sign: verifies with the new key" result_is '{"valid":true,"reason":"signature valid"}'
  run release verify --public-key "$testkey" digests.ini
  check "sign: not with the test key" result_is '{"valid":false,"reason":"signature does not match"}'
  run release sign --key "$data/signing/release-key.pem" digests.ini
  run release verify --public-key "$testkey" digests.ini
  check "re-sign: verifies with the key that signed last" result_is '{"valid":true,"reason":"signature valid"}'
  check "re-sign: one signature line" test "$(signature_lines digests.ini)" -eq 1
  iconv -f UTF-16LE -t UTF-8 digests.ini | sed 's/^display=1/display=0/' | iconv -f UTF-8 -t UTF-16LE >changed.ini
  run release verify --public-key "$testkey" changed.ini
  check "a change after signing: '$out'" result_is '{"valid":false,"reason":"signature does not match"}'
  printf '[URL]\na=1' >plain.ini
  run release sign --key key.pem plain.ini
  run release verify --public-key "$pub" plain.ini
  check "sign, 8-bit LF text: verifies" result_is '{"valid":true,"reason":"signature valid"}'
  check "sign, 8-bit LF text: LF line ends kept" test "$(head -c 12 plain.ini | od -An -c | tr -d ' ')" = '[URL]\na=1\n;s'
  run release sign --key "$data/signing/README.md" plain.ini
  check "sign with a file that is no key: status 1" [ "$status" -eq 1 ]
else
  check "keygen where signing is not available: status 1" [ "$status" -eq 1 ]
  check "keygen: says why" grep -q 'not available' "$work/stderr"
  check "keygen: no key file" test ! -e key.pem
  run release sign --key "$data/signing/release-key.pem" digests.ini
  check "sign where signing is not available: status 1" [ "$status" -eq 1 ]
  check "sign: the descriptor is untouched" test "$(signature_lines digests.ini)" -eq 0
fi

finish
