#!/bin/sh
# Key pairs and signatures for the signature tests, made fresh in the build folder (no key
# is ever committed):
#   make_signing_keys.sh <sign-release.sh> <folder>
#   current.pem, previous.pem  3072-bit RSA, both built into the signed test updater
#                              (builtin.pub.pem: previous then current, as after a rotation)
#   stranger.pem               3072-bit RSA, built into nothing
#   weak.pem                   2048-bit RSA, too short to be trusted
#   ec.pem                     P-256, not RSA
#   <name>.pub.pem             the public half of each
#   data.bin                   150,000 random bytes (more than one read of the verifier)
#   data.bin.sig               data.bin signed by sign-release.sh with current.pem
#   data.bin.<name>.sig        data.bin signed with <name>.pem by openssl
set -eu
sign=$1
dir=$2
mkdir -p "$dir"
cd "$dir"
rsa() { openssl genpkey -algorithm RSA -pkeyopt "rsa_keygen_bits:$2" -out "$1.pem" 2>/dev/null; }
rsa current 3072
rsa previous 3072
rsa stranger 3072
rsa weak 2048
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out ec.pem
for key in current previous stranger weak ec; do
  openssl pkey -in "$key.pem" -pubout -out "$key.pub.pem"
done
cat previous.pub.pem current.pub.pem >builtin.pub.pem

head -c 150000 /dev/urandom >data.bin
sh "$sign" current.pem data.bin >/dev/null
for key in previous stranger weak ec; do
  openssl dgst -sha256 -sign "$key.pem" -out "data.bin.$key.sig" data.bin
done
