#!/bin/sh
# Signs a release for the updater: writes ARCHIVE.manifest, the signed release manifest
# that the updater fetches before it downloads the archive (format in README.md, "Signed
# updates"). The version is read from the quill.exe inside the archive; the manifest
# expires VALID_DAYS days (default 30) from now, by the system clock. Run it again on the
# same archive to refresh the manifest before it expires.
#   sign-release.sh PRIVATE_KEY ARCHIVE [VALID_DAYS]
# The key must be RSA of 3072 bits or more (the updater trusts no shorter key). The
# signature is checked against the key's public half before the manifest is replaced.
set -eu
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 PRIVATE_KEY ARCHIVE [VALID_DAYS]" >&2
  exit 2
fi
key=$1
archive=$2
days=${3:-30}
case $days in
  '' | *[!0-9]* | 0) echo "$0: VALID_DAYS must be a whole number of days, 1 or more" >&2; exit 2 ;;
esac

description=$(openssl pkey -in "$key" -noout -text)
bits=$(printf '%s\n' "$description" | sed -n '1s/^Private-Key: (\([0-9]*\) bit.*/\1/p')
if ! printf '%s\n' "$description" | grep -q '^modulus:' || [ -z "$bits" ] || [ "$bits" -lt 3072 ]; then
  echo "$0: $key is not an RSA key of 3072 bits or more" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The manifest's fields: the version of quill.exe (its version resource's fixed part), the
# archive's size and SHA-256, the expiry in UTC.
python3 - "$archive" "$days" >"$work/manifest" <<'PY'
import datetime, hashlib, os, struct, sys, zipfile

archive, days = sys.argv[1], int(sys.argv[2])
PASSWORD = b"marigoldstep"  # the updater's archive password
try:
    with zipfile.ZipFile(archive) as z:
        names = [n for n in z.namelist() if n.lower() == "quill.exe"]
        if not names:
            sys.exit(f"sign-release.sh: {archive} holds no quill.exe")
        exe = z.read(names[0], pwd=PASSWORD)
except (zipfile.BadZipFile, RuntimeError, OSError) as error:
    sys.exit(f"sign-release.sh: {archive} cannot be read as the update archive: {error}")
key = "VS_VERSION_INFO\0".encode("utf-16-le")
at = exe.find(key)
signature = exe.find(struct.pack("<I", 0xFEEF04BD), at) if at >= 0 else -1
if at < 0 or signature < 0 or signature - (at + len(key)) > 4 or signature + 16 > len(exe):
    sys.exit(f"sign-release.sh: the quill.exe in {archive} has no version resource")
ms, ls = struct.unpack_from("<II", exe, signature + 8)
version = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
digest = hashlib.sha256()
with open(archive, "rb") as f:
    for block in iter(lambda: f.read(1 << 20), b""):
        digest.update(block)
expires = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=days)
sys.stdout.write("quillora-release-manifest 1\n"
                 "product: Quillora\n"
                 f"version: {version}\n"
                 f"size: {os.path.getsize(archive)}\n"
                 f"sha256: {digest.hexdigest()}\n"
                 f"expires: {expires.strftime('%Y-%m-%dT%H:%M:%SZ')}\n")
PY
openssl dgst -sha256 -sign "$key" -out "$work/signature" "$work/manifest"
openssl pkey -in "$key" -pubout -out "$work/public.pem"
openssl dgst -sha256 -verify "$work/public.pem" -signature "$work/signature" "$work/manifest" >/dev/null
printf 'signature: %s\n' "$(openssl base64 -A -in "$work/signature")" >>"$work/manifest"
# Replaced whole: a client never reads half a manifest.
cp "$work/manifest" "$archive.manifest.tmp"
mv -f "$archive.manifest.tmp" "$archive.manifest"
echo "signed $archive: $archive.manifest ($(sed -n 's/^version: //p' "$archive.manifest"), expires $(sed -n 's/^expires: //p' "$archive.manifest"))"
