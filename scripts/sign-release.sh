#!/bin/sh
# Signs a release for the updater: writes ARCHIVE.sig, the detached signature (RSA,
# PKCS#1 v1.5 over SHA-256) that the updater fetches beside the archive and verifies.
#   sign-release.sh PRIVATE_KEY ARCHIVE
# The key must be RSA of 3072 bits or more (the updater trusts no shorter key). The
# signature is checked against the key's public half before ARCHIVE.sig is written.
set -eu
if [ $# -ne 2 ]; then
  echo "usage: $0 PRIVATE_KEY ARCHIVE" >&2
  exit 2
fi
key=$1
archive=$2

description=$(openssl pkey -in "$key" -noout -text)
bits=$(printf '%s\n' "$description" | sed -n '1s/^Private-Key: (\([0-9]*\) bit.*/\1/p')
if ! printf '%s\n' "$description" | grep -q '^modulus:' || [ -z "$bits" ] || [ "$bits" -lt 3072 ]; then
  echo "$0: $key is not an RSA key of 3072 bits or more" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl dgst -sha256 -sign "$key" -out "$work/signature" "$archive"
openssl pkey -in "$key" -pubout -out "$work/public.pem"
openssl dgst -sha256 -verify "$work/public.pem" -signature "$work/signature" "$archive" >/dev/null
cp "$work/signature" "$archive.sig"
echo "signed $archive: $archive.sig"
