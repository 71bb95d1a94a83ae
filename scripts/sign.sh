#!/usr/bin/env bash
# Signs a Windows program in place with the maintainer's code-signing key, named by the
# environment, then makes sure that removing the signature gives back the program byte for byte
# (so the signed program still shows which commit it was built from). With no key named it
# leaves the program as it is and says so in one line.
#   sign.sh PROGRAM.exe
# A key in a PKCS#12 file:   QC_SIGN_PKCS12, and QC_SIGN_PASSWORD_FILE holding its password.
# A key in a PKCS#11 token:  QC_SIGN_PKCS11_MODULE (the token's module), QC_SIGN_PKCS11_KEY (the
#                            key's pkcs11: address), QC_SIGN_PKCS11_CERTS (the certificate chain,
#                            PEM), and QC_SIGN_PASSWORD_FILE holding the token's PIN.
# Either way:                QC_SIGN_URL, the project's address, which the signature carries;
#                            QC_SIGN_TIMESTAMP_URL, optional: an RFC 3161 time-stamp server.
set -euo pipefail
program=${1:?usage: sign.sh PROGRAM.exe}
product_name="Quorin Cleaner"

fail() {
  echo "sign: $*" >&2
  exit 1
}
# need_file VARIABLE: the variable names a file that can be read.
need_file() {
  [ -n "${!1:-}" ] && [ -r "${!1}" ] || fail "$1 must name a readable file (it is '${!1:-}')"
}

if [ -n "${QC_SIGN_PKCS12:-}" ] && [ -n "${QC_SIGN_PKCS11_MODULE:-}" ]; then
  fail "name one key: QC_SIGN_PKCS12 or QC_SIGN_PKCS11_MODULE, not both"
elif [ -n "${QC_SIGN_PKCS12:-}" ]; then
  need_file QC_SIGN_PKCS12
  key=(-pkcs12 "$QC_SIGN_PKCS12")
elif [ -n "${QC_SIGN_PKCS11_MODULE:-}" ]; then
  need_file QC_SIGN_PKCS11_MODULE
  need_file QC_SIGN_PKCS11_CERTS
  [ -n "${QC_SIGN_PKCS11_KEY:-}" ] || fail "QC_SIGN_PKCS11_KEY must name the key (pkcs11:token=...;object=...)"
  key=(-pkcs11module "$QC_SIGN_PKCS11_MODULE" -certs "$QC_SIGN_PKCS11_CERTS" -key "$QC_SIGN_PKCS11_KEY")
else
  echo "sign: no signing key given (QC_SIGN_PKCS12 or QC_SIGN_PKCS11_MODULE): $(basename "$program") is unsigned"
  exit 0
fi
# The password is read from its file by osslsigncode itself, never passed on a command line.
need_file QC_SIGN_PASSWORD_FILE
[ -n "${QC_SIGN_URL:-}" ] || fail "QC_SIGN_URL must give the project's address, which goes into the signature"
stamp=()
if [ -n "${QC_SIGN_TIMESTAMP_URL:-}" ]; then
  stamp=(-ts "$QC_SIGN_TIMESTAMP_URL")
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! osslsigncode sign "${key[@]}" -readpass "$QC_SIGN_PASSWORD_FILE" -h sha256 -n "$product_name" \
  -i "$QC_SIGN_URL" "${stamp[@]}" -in "$program" -out "$work/signed.exe" >"$work/sign.log" 2>&1; then
  cat "$work/sign.log" >&2
  fail "osslsigncode could not sign $program"
fi
osslsigncode remove-signature -in "$work/signed.exe" -out "$work/unsigned.exe" >"$work/remove.log" 2>&1 ||
  { cat "$work/remove.log" >&2; fail "osslsigncode could not remove the signature it made"; }
cmp -s "$program" "$work/unsigned.exe" ||
  fail "removing the signature does not give back $program byte for byte (padding or checksum?)"
cat "$work/signed.exe" >"$program"
echo "sign: $(basename "$program") signed with SHA-256${stamp:+ and time-stamped by $QC_SIGN_TIMESTAMP_URL}"
