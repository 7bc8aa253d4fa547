#!/usr/bin/env bash
# Signs the three shipped programs in dist/ with Authenticode (SHA-256), with an RFC 3161
# timestamp, verifies every signature, then moves the signed files into place and writes
# dist/SHA256SUMS. On any failure nothing in dist/ changes and one line says which step failed
# and why. Run scripts/build.sh first: it leaves the unsigned programs there.
#
#   Key and certificate in a PKCS#12 file (the password never goes on a command line):
#     SIGN_PASSWORD=... scripts/sign.sh --pkcs12 release.p12 --password-env SIGN_PASSWORD \
#       --url https://www.example.com/ --timestamp-url http://timestamp.example.com/
#   Key on a PKCS#11 token (certificate from a file or from the token):
#     scripts/sign.sh --pkcs11-module /usr/lib/x86_64-linux-gnu/opensc-pkcs11.so \
#       --key 'pkcs11:token=Release;object=signing;type=private' --certs release-chain.pem \
#       --password-file pin.txt --url ... --timestamp-url ...
#
# Options:
#   --dist DIR              folder of the programs (default dist/)
#   --pkcs12 FILE           certificate, chain and key
#   --pkcs11-module SO      the token's PKCS#11 module, with --key URI and --certs FILE or
#                           --pkcs11-cert URI; --pkcs11-engine SO picks the OpenSSL engine
#                           (default: the pkcs11 engine of libengine-pkcs11-openssl)
#   --password-env VAR      the PKCS#12 password or the token's PIN is in this variable
#   --password-file FILE    ... or on the first line of this file
#   --url URL               the maker's address, shown by Windows with the signature
#   --timestamp-url URL     RFC 3161 time-stamp authority; repeat it to name fallbacks
#   --no-timestamp          sign without (the signatures then die with the certificate)
#   --ca-file FILE          roots that the verification trusts (default: the system's)
#   --tsa-ca-file FILE      roots for the timestamps (default: the --ca-file)
# OSSLSIGNCODE names another osslsigncode binary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Each program with the product it belongs to, which becomes the signature's description.
declare -A product=(
  [VCXLauncher.exe]="Vintorra Corrindel"
  [VPTLauncher.exe]="Vintorra Paltrun"
  [VPTUninstaller.exe]="Vintorra Paltrun"
)
programs=(VCXLauncher.exe VPTLauncher.exe VPTUninstaller.exe)
call_limit=60  # seconds for one osslsigncode call, the time-stamp exchange included

fail() {  # step, reason
  echo "sign: $1 failed: $2" >&2
  echo "sign: nothing in ${dist:-dist/} was changed" >&2
  exit 1
}

dist=$root/dist pkcs12= module= engine= key= certs= token_cert= password_env= password_file=
url= ca_file=/etc/ssl/certs/ca-certificates.crt tsa_ca_file= no_timestamp=
timestamp_urls=()
while [[ $# -gt 0 ]]; do
  option=$1
  case $option in
    --no-timestamp) no_timestamp=1; shift; continue ;;
    --dist | --pkcs12 | --pkcs11-module | --pkcs11-engine | --key | --certs | --pkcs11-cert | \
      --password-env | --password-file | --url | --timestamp-url | --ca-file | --tsa-ca-file)
      [[ $# -ge 2 ]] || fail "reading the options" "$option needs a value" ;;
    *) fail "reading the options" "unknown option $option (see the head of $0)" ;;
  esac
  value=$2
  shift 2
  case $option in
    --dist) dist=$value ;;
    --pkcs12) pkcs12=$value ;;
    --pkcs11-module) module=$value ;;
    --pkcs11-engine) engine=$value ;;
    --key) key=$value ;;
    --certs) certs=$value ;;
    --pkcs11-cert) token_cert=$value ;;
    --password-env) password_env=$value ;;
    --password-file) password_file=$value ;;
    --url) url=$value ;;
    --timestamp-url) timestamp_urls+=("$value") ;;
    --ca-file) ca_file=$value ;;
    --tsa-ca-file) tsa_ca_file=$value ;;
  esac
done
tsa_ca_file=${tsa_ca_file:-$ca_file}

check_options() {
  local step="reading the options"
  [[ -n $url ]] || fail "$step" "--url (the maker's address) is required"
  if [[ -n $pkcs12 ]]; then
    [[ -z $module ]] || fail "$step" "give either --pkcs12 or --pkcs11-module, not both"
    [[ -r $pkcs12 ]] || fail "$step" "cannot read the PKCS#12 file $pkcs12"
    [[ -n $password_env || -n $password_file ]] ||
      fail "$step" "--pkcs12 needs --password-env VAR or --password-file FILE"
  elif [[ -n $module ]]; then
    [[ -r $module ]] || fail "$step" "cannot read the PKCS#11 module $module"
    [[ -n $key ]] || fail "$step" "--pkcs11-module needs --key with the key's PKCS#11 URI"
    [[ -n $certs || -n $token_cert ]] ||
      fail "$step" "--pkcs11-module needs --certs FILE or --pkcs11-cert URI"
    [[ -z $certs || -r $certs ]] || fail "$step" "cannot read the certificate file $certs"
  else
    fail "$step" "give --pkcs12 FILE or --pkcs11-module MODULE"
  fi
  [[ -z $password_env || $password_env =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] ||
    fail "$step" "--password-env takes the name of a variable, not \"$password_env\""
  [[ -z $password_env || -n ${!password_env+set} ]] ||
    fail "$step" "the variable $password_env named by --password-env is not set"
  [[ -z $password_file || -r $password_file ]] ||
    fail "$step" "cannot read the password file $password_file"
  [[ ${#timestamp_urls[@]} -gt 0 || -n $no_timestamp ]] ||
    fail "$step" "--timestamp-url is required (or --no-timestamp, for a test)"
  [[ ${#timestamp_urls[@]} -eq 0 || -z $no_timestamp ]] ||
    fail "$step" "give --timestamp-url or --no-timestamp, not both"
  [[ -r $ca_file ]] || fail "$step" "cannot read the trusted roots $ca_file"
  [[ -r $tsa_ca_file ]] || fail "$step" "cannot read the time-stamp roots $tsa_ca_file"
}

# The password or PIN, without its line end, for reading through a pipe: it never appears in
# a command line or in a file of ours.
password() {
  if [[ -n $password_env ]]; then
    printf '%s' "${!password_env}"
  elif [[ -n $password_file ]]; then
    local line=
    IFS= read -r line <"$password_file" || true
    printf '%s' "${line%$'\r'}"
  fi
}

# The telling line of a failed openssl or osslsigncode run: the tool's own message and the
# first OpenSSL error under it. Those read
# "<thread>:error:<code>:<library>:<function>:<reason>:<file>:<line>:<detail>".
reason_in() {  # output file
  awk -F: '
    /^[0-9A-F]+:error:/ {
      if (!openssl_error) {
        detail = $9; for (i = 10; i <= NF; i++) detail = detail ":" $i
        openssl_error = $6 (detail != "" ? " (" detail ")" : "")
      }
      next
    }
    /[Ww]rong password|invalid password|failure|Unsupported|Verify error|No signature|Unable to|Failed to/ &&
      !message { message = $0 }
    END {
      if (message && openssl_error) print message ": " openssl_error
      else if (message || openssl_error) print message openssl_error
      else print "no reason given"
    }' "$1" | head -c 300
}

# Runs a tool call of the step, its output kept in the log file to be quoted on failure.
run() {  # step, log file, command...
  local step=$1 log=$2 status=0
  shift 2
  timeout "$call_limit" "$@" >"$log" 2>&1 || status=$?
  [[ $status -ne 124 ]] || fail "$step" "no answer within $call_limit s"
  [[ $status -eq 0 ]] || fail "$step" "$(reason_in "$log")"
}

check_programs() {
  local name
  [[ -d $dist ]] || fail "finding the programs" "no folder $dist (run scripts/build.sh)"
  for name in "${programs[@]}"; do
    [[ -f $dist/$name ]] || fail "finding the programs" "$dist/$name is missing (run scripts/build.sh)"
    if "$osslsigncode" extract-signature -in "$dist/$name" -out "$work/existing.sig" >/dev/null 2>&1
    then
      fail "finding the programs" "$name is signed already: sign the unsigned build (scripts/build.sh)"
    fi
  done
}

# A certificate that Windows would refuse for code signing is refused before anything is
# signed with it: out of its validity period, or without the code-signing usage.
check_certificate() {  # PEM file, leaf first
  local step="checking the certificate" pem=$1 subject usage not_after
  subject=$(openssl x509 -in "$pem" -noout -subject -nameopt oneline 2>/dev/null) ||
    fail "$step" "cannot read a certificate from it"
  subject=${subject#subject=}
  not_after=$(openssl x509 -in "$pem" -noout -enddate | cut -d= -f2)
  openssl x509 -in "$pem" -noout -checkend 0 >/dev/null ||
    fail "$step" "$subject expired on $not_after"
  local not_before
  not_before=$(openssl x509 -in "$pem" -noout -startdate | cut -d= -f2)
  [[ $(date -d "$not_before" +%s) -le $(date +%s) ]] ||
    fail "$step" "$subject is valid only from $not_before"
  usage=$(openssl x509 -in "$pem" -noout -ext extendedKeyUsage 2>/dev/null | tail -n +2 |
    sed 's/^ *//')
  [[ $usage == *"Code Signing"* ]] ||
    fail "$step" "$subject has no code-signing usage (extended key usage: ${usage:-none})"
}

# The signing certificate from the PKCS#12 file, which also proves the password right. Files
# exported with old ciphers (RC2) need OpenSSL's legacy provider.
read_pkcs12() {
  local step="opening the PKCS#12 file $pkcs12" log=$work/openssl.log legacy
  for legacy in "" -legacy; do
    if openssl pkcs12 $legacy -in "$pkcs12" -passin file:<(password) -nokeys -clcerts \
      -out "$work/signer.pem" >"$log" 2>&1; then
      return
    fi
    grep -Eqi 'mac verify (failure|error)' "$log" &&
      fail "$step" "wrong password (or a damaged file: the integrity check failed)"
  done
  fail "$step" "$(reason_in "$log")"
}

sign_one() {  # program name
  local name=$1 command=("$osslsigncode" sign) url_option
  if [[ -n $pkcs12 ]]; then
    command+=(-pkcs12 "$pkcs12")
  else
    [[ -z $engine ]] || command+=(-pkcs11engine "$engine")
    command+=(-pkcs11module "$module" -key "$key")
    if [[ -n $certs ]]; then command+=(-certs "$certs"); else command+=(-pkcs11cert "$token_cert"); fi
  fi
  for url_option in "${timestamp_urls[@]}"; do command+=(-ts "$url_option"); done
  command+=(-h sha256 -n "${product[$name]}" -i "$url" -in "$dist/$name" -out "$work/signed/$name")
  local log=$work/$name.sign.log
  if [[ -n $password_env$password_file ]]; then
    run "signing $name" "$log" "${command[@]}" -readpass <(password) </dev/null
  else
    run "signing $name" "$log" "${command[@]}" </dev/null
  fi
}

# Checks with osslsigncode's own verification that the file carries a valid SHA-256
# signature by a trusted chain over its exact contents, with the description and address
# asked for, and a verified timestamp if one was asked for.
verify_one() {  # program name
  local name=$1 step="verifying $name" report=$work/$name.verify.log current calculated
  run "$step" "$report" "$osslsigncode" verify -CAfile "$ca_file" -TSA-CAfile "$tsa_ca_file" \
    -in "$work/signed/$name"
  grep -q '^Signature verification: ok' "$report" || fail "$step" "the signature does not verify"
  grep -Eq '^Message digest algorithm *: SHA256' "$report" ||
    fail "$step" "the file's digest is not SHA-256"
  current=$(awk -F': *' '/^Current message digest/ {print $2; exit}' "$report")
  calculated=$(awk -F': *' '/^Calculated message digest/ {print $2; exit}' "$report")
  [[ -n $current && $current == "$calculated" ]] ||
    fail "$step" "the signed digest ${current:-(none)} is not the file's ${calculated:-(none)}"
  grep -Fq "Text description: ${product[$name]}" "$report" ||
    fail "$step" "the description is not \"${product[$name]}\""
  grep -Fq "URL description: $url" "$report" || fail "$step" "the address is not $url"
  if [[ -z $no_timestamp ]]; then
    grep -q '^Timestamp Server Signature verification: ok' "$report" ||
      fail "$step" "no verified timestamp"
  fi
}

# Every shipped file of the folder (regular, not hidden), as `sha256sum -c` reads it, with
# the signed programs taken from the work folder.
write_checksums() {
  local file name
  for file in "$dist"/*; do
    name=${file##*/}
    [[ -f $file && $name != SHA256SUMS ]] || continue
    if [[ -f $work/signed/$name ]]; then
      printf '%s  %s\n' "$(sha256sum <"$work/signed/$name" | cut -d' ' -f1)" "$name"
    else
      printf '%s  %s\n' "$(sha256sum <"$file" | cut -d' ' -f1)" "$name"
    fi
  done >"$work/signed/SHA256SUMS"
}

check_options
"$root/scripts/ensure-packages.sh" osslsigncode openssl coreutils
[[ -z $module || -n $engine ]] || "$root/scripts/ensure-packages.sh" libengine-pkcs11-openssl
osslsigncode=${OSSLSIGNCODE:-osslsigncode}
dist=${dist%/}

# The signed files wait in a work folder inside dist/, so that moving them into place is a
# rename within one file system.
[[ -d $dist && -w $dist ]] || fail "finding the programs" "no writable folder $dist (run scripts/build.sh)"
work=$(mktemp -d "$dist/.signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/signed"

check_programs
if [[ -n $pkcs12 ]]; then
  read_pkcs12
  check_certificate "$work/signer.pem"
elif [[ -n $certs ]]; then
  check_certificate "$certs"
fi
for name in "${programs[@]}"; do sign_one "$name"; done
for name in "${programs[@]}"; do verify_one "$name"; done
write_checksums

for name in "${programs[@]}"; do
  chmod --reference="$dist/$name" "$work/signed/$name"
done
for name in "${programs[@]}" SHA256SUMS; do
  mv -f "$work/signed/$name" "$dist/$name"
done

echo "$dist/ (signed$([[ -n $no_timestamp ]] || echo ", timestamped") and verified):"
(cd "$dist" && while read -r sum name; do
  printf '  %-22s %7d bytes  sha256 %s\n' "$name" "$(stat -c %s "$name")" "$sum"
done <SHA256SUMS)
