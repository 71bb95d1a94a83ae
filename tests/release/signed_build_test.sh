#!/usr/bin/env bash
# A signed program carries one valid SHA-256 signature, and without it is the unsigned build byte
# for byte. Signed with a throwaway certificate whose key is in a PKCS#12 file, then in SoftHSM.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: signed_build_test.sh WIN_BUILD_DIR SCRATCH_DIR}" && pwd)
scratch=${2:?usage: signed_build_test.sh WIN_BUILD_DIR SCRATCH_DIR}
unsigned="$build/Quorin Cleaner.exe"
rm -rf "$scratch"
mkdir -p "$scratch/tokens"
cd "$scratch"
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quorin Cleaner test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout key.pem -out cert.pem 2>/dev/null
echo "1234" >password  # the PKCS#12 file's password and the token's PIN
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout file:password -out key.p12
export SOFTHSM2_CONF=$scratch/softhsm2.conf
echo "directories.tokendir = $scratch/tokens" >"$SOFTHSM2_CONF"
softhsm2-util --init-token --free --label qc-test --pin 1234 --so-pin 4321 >/dev/null
openssl pkcs8 -topk8 -nocrypt -in key.pem -out key.pk8
softhsm2-util --import key.pk8 --token qc-test --label signer --id 01 --pin 1234 >/dev/null

export QC_SIGN_URL=https://example.invalid/quorin-cleaner
# sign_and_check NAME VARIABLE=VALUE...: signs a copy with the key the variables name, then checks it.
sign_and_check() {
  local name=$1
  shift
  cp "$unsigned" "$name.exe"
  env "$@" bash "$root/scripts/sign.sh" "$name.exe" || { fail "$name: sign.sh failed"; return; }
  osslsigncode verify -CAfile cert.pem -in "$name.exe" >"$name.verify" 2>&1 ||
    fail "$name: osslsigncode verify rejects the signature (see $scratch/$name.verify)"
  grep -q "^Number of verified signatures: 1$" "$name.verify" || fail "$name: not one verified signature"
  grep -Eq "^Message digest algorithm +: SHA256" "$name.verify" || fail "$name: not SHA-256"
  grep -q "Text description: Quorin Cleaner$" "$name.verify" || fail "$name: no program name"
  grep -q "URL description: $QC_SIGN_URL$" "$name.verify" || fail "$name: no project address"
  osslsigncode remove-signature -in "$name.exe" -out "$name.removed.exe" >/dev/null
  cmp "$unsigned" "$name.removed.exe" || fail "$name: without its signature it is not the unsigned build"
}
sign_and_check pkcs12 QC_SIGN_PKCS12=key.p12 QC_SIGN_PASSWORD_FILE=password
sign_and_check pkcs11 QC_SIGN_PKCS11_MODULE=/usr/lib/softhsm/libsofthsm2.so QC_SIGN_PKCS11_CERTS=cert.pem \
  "QC_SIGN_PKCS11_KEY=pkcs11:token=qc-test;object=signer;type=private" QC_SIGN_PASSWORD_FILE=password
exit $status
