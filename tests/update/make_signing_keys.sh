#!/bin/sh
# Key pairs and signatures for the signature tests, made fresh in the build folder (no key
# is ever committed):
#   make_signing_keys.sh <folder>
#   current.pem, previous.pem  3072-bit RSA, both built into the signed test updater
#                              (builtin.pub.pem: previous then current, as after a rotation)
#   stranger.pem               3072-bit RSA, built into nothing
#   weak.pem                   2048-bit RSA, too short to be trusted
#   ec.pem                     P-256, not RSA
#   <name>.pub.pem             the public half of each
#   data.bin                   150,000 random bytes
#   data.bin.sig               data.bin signed with current.pem
#   data.bin.<name>.sig        data.bin signed with <name>.pem
set -eu
dir=$1
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
openssl dgst -sha256 -sign current.pem -out data.bin.sig data.bin
for key in previous stranger weak ec; do
  openssl dgst -sha256 -sign "$key.pem" -out "data.bin.$key.sig" data.bin
done
