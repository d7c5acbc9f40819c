#!/usr/bin/env python3
"""Makes the engine tests' archives with real tools: Info-ZIP `zip -P`, `7z` with ZipCrypto and
python's zipfile. Deterministic contents; usage: make-test-archives.py <output folder>"""
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

out = os.path.abspath(sys.argv[1])
shutil.rmtree(out, ignore_errors=True)
src = os.path.join(out, 'src')
rng = random.Random(7)
PASSWORD = 'secret'
STAMP = (2020, 6, 15, 12, 0, 0)


def text(size):
    words = ['quill', 'ledger', 'invoice', 'total', 'client', 'marigold', 'step', 'factura']
    lines, length = [], 0
    while length < size:
        lines.append(' '.join(rng.choice(words) for _ in range(12)) + '\n')
        length += len(lines[-1])
    return ''.join(lines)[:size].encode()


def write(root, relative, data):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def run(*args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


write(src, 'top.txt', text(1000))
write(src, 'dir/a.txt', text(50000))
write(src, 'dir/sub/b.bin', rng.randbytes(300000))
os.makedirs(os.path.join(src, 'emptydir'))
run('zip', '-q', '-r', '-P', PASSWORD, os.path.join(out, 'infozip.zip'), 'top.txt', 'dir', 'emptydir', cwd=src)
run('7z', 'a', '-tzip', '-p' + PASSWORD, '-mem=ZipCrypto', os.path.join(out, 'sevenzip.zip'), 'top.txt', 'dir', cwd=src)

large = os.path.join(out, 'src-large')
write(large, 'big.txt', text(4 * 1024 * 1024))
write(large, 'small.txt', text(100))
run('zip', '-q', '-P', PASSWORD, os.path.join(out, 'large.zip'), 'big.txt', 'small.txt', cwd=large)


def python_zip(name, entries, compression=zipfile.ZIP_STORED, force_zip64=False):
    with zipfile.ZipFile(os.path.join(out, name), 'w', compression) as archive:
        for entry_name, data in entries:
            info = zipfile.ZipInfo(entry_name, STAMP)
            info.compress_type = compression
            if data is None:
                info.external_attr = 0o40755 << 16 | 0x10
                archive.writestr(info, b'')
            else:
                with archive.open(info, 'w', force_zip64=force_zip64) as f:
                    f.write(data)


python_zip('stored.zip', [('readme.txt', b'read me\n'), ('docs/', None),
                          ('docs/guide.txt', text(3000)), ('bin/tool.dat', rng.randbytes(5000))])
python_zip('zip64.zip', [('big/part.txt', text(20000))], zipfile.ZIP_DEFLATED, force_zip64=True)
# A release over an installed one (built by the test): replaced files, one unchanged, new ones in
# new folders, and the main executable.
INSTALL = [('quill.exe', rng.randbytes(9000)), ('a.txt', text(4000)), ('sub/b.bin', rng.randbytes(20000)),
           ('same.txt', b'unchanged between releases\n'), ('new.txt', b'new\n'),
           ('newdir/deeper/c.txt', text(700))]
python_zip('install.zip', INSTALL, zipfile.ZIP_DEFLATED)
for relative, data in INSTALL:
    write(os.path.join(out, 'src-install'), relative, data)
python_zip('samename.zip', [('a/x.txt', b'first'), ('b/x.txt', b'second')])
python_zip('hostile.zip', [
    ('../evil.txt', b'evil'),
    ('/abs.txt', b'evil'),
    ('C:/drive.txt', b'evil'),
    ('\\\\server\\share\\unc.txt', b'evil'),
    ('dir/../../up.txt', b'evil'),
    ('dir\\..\\..\\back.txt', b'evil'),
    ('CON', b'evil'),
    ('sub/aux.txt', b'evil'),
    ('stream.txt:hidden', b'evil'),
    ('trail. ', b'evil'),
    ('ok.txt', b'fine'),
    ('./dot/fine.txt', b'fine too'),
])

# Romanian names: Info-ZIP on Linux stores UTF-8 without the UTF-8 flag (host Unix); 7-Zip sets
# the flag. The DOS archive holds the same names in code page 852, as old Windows tools wrote
# them (python's zipfile would store UTF-8, so ASCII stand-ins are replaced in the bytes).
NAMES = {'Contabilitate Firmă/bilanț.xls': text(7000), 'Îndrumar.pdf': rng.randbytes(3000),
         'Știință/ştiri.txt': text(500)}
names = os.path.join(out, 'src-names')
for relative, data in NAMES.items():
    write(names, relative, data)
run('zip', '-q', '-r', '-P', PASSWORD, os.path.join(out, 'names-infozip.zip'), '.', cwd=names)
run('7z', 'a', '-tzip', '-p' + PASSWORD, '-mem=ZipCrypto', os.path.join(out, 'names-7zip.zip'), '.', cwd=names)
DOS_NAMES = {'bilanţ.xls': text(800), 'Îndrumar.pdf': b'pdf', 'ştiri.txt': b'stiri'}
dos = os.path.join(out, 'names-dos852.zip')


def stand_in(name, index):
    return (b'@%d' % index).ljust(len(name.encode('cp852')), b'@')



with zipfile.ZipFile(dos, 'w', zipfile.ZIP_DEFLATED) as archive:
    for index, (name, data) in enumerate(DOS_NAMES.items()):
        info = zipfile.ZipInfo(stand_in(name, index).decode(), STAMP)
        info.create_system = 0
        info.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(info, data)
with open(dos, 'rb') as f:
    content = f.read()
for index, name in enumerate(DOS_NAMES):
    encoded = name.encode('cp852')
    assert content.count(stand_in(name, index)) == 2, name  # the local and the central header
    content = content.replace(stand_in(name, index), encoded)
with open(dos, 'wb') as f:
    f.write(content)
for name, data in DOS_NAMES.items():
    write(os.path.join(out, 'src-dos852'), name, data)


def unicode_path(stored, name):
    data = struct.pack('<BI', 1, zlib.crc32(stored.encode())) + name.encode()
    return struct.pack('<HH', 0x7075, len(data)) + data


# Harmless stored names whose Unicode Path fields (CRC matching) name something hostile.
with zipfile.ZipFile(os.path.join(out, 'hostile-unicode.zip'), 'w') as archive:
    for stored, name in [('a.txt', '../evil.txt'), ('b.txt', 'CON'), ('c.txt', 'x/y:z'),
                         ('d.txt', 'Știință/bun.txt')]:
        info = zipfile.ZipInfo(stored, STAMP)
        info.extra = unicode_path(stored, name)
        archive.writestr(info, b'from ' + stored.encode())

# Written from standard input: local header sizes 0xFFFFFFFF with a Zip64 extra field, a Zip64
# data descriptor, 32-bit sizes in the central directory.
STREAMED = text(20000)
subprocess.run(['zip', '-q', '-P', PASSWORD, os.path.join(out, 'streamed.zip'), '-'],
               input=STREAMED, cwd=out, check=True)
write(out, 'src-streamed/-', STREAMED)

# Archives the format allows but careful readers refuse or read with care.
faults = os.path.join(out, 'src-faults')
STUBBED = text(5000)
write(faults, 'payload.txt', STUBBED)
# Info-ZIP writing from standard input adds a Zip64 end record; a shell-script stub in front
# (the way self-extracting archives are made) leaves the locator's offset short by its length.
plain_zip64 = os.path.join(faults, 'plain.zip')
with open(plain_zip64, 'wb') as f:  # zip stores (-0) only into a file, not a pipe
    subprocess.run(['zip', '-q', '-0', '-', '-'], input=STUBBED, check=True, stdout=f)
with open(plain_zip64, 'rb') as f:
    zipped = f.read()
stub = ('#!/bin/sh\n# self-extracting stub\n' + 'echo unpacking\n' * 60).encode()[:713]
with open(os.path.join(out, 'stubbed-zip64.zip'), 'wb') as f:
    f.write(stub + zipped)

# 7-Zip writes the NTFS time field (100 ns); the fraction tells it from the DOS time.
NTFS_NS = 1600000000 * 10**9 + 500000000
write(faults, 'ntfs/stamped.txt', b'made on Windows\n')
os.utime(os.path.join(faults, 'ntfs/stamped.txt'), ns=(NTFS_NS, NTFS_NS))
run('7z', 'a', '-tzip', os.path.join(out, 'ntfs-time.zip'), 'stamped.txt',
    cwd=os.path.join(faults, 'ntfs'))

# The old Info-ZIP Unix field (access, then modification time) beside a DOS time of 2020.
with zipfile.ZipFile(os.path.join(out, 'old-unix-time.zip'), 'w') as archive:
    info = zipfile.ZipInfo('old.txt', STAMP)
    info.extra = struct.pack('<HHII', 0x5855, 8, 1400000000, 1500000000)
    archive.writestr(info, b'old unix field\n')


# Byte by byte: records no tool writes on purpose.
def local_header(name, data, method=0, sizes=None):
    csize, usize = sizes or (len(data), len(data))
    return struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, method, 0, 0x50cf,
                       zlib.crc32(data), csize, usize, len(name), 0) + name + data


def central_header(name, offset, data, method=0, usize=None):
    extra = b''
    stored_usize = len(data) if usize is None else 0xFFFFFFFF
    if usize is not None:
        extra = struct.pack('<HHQ', 1, 8, usize)
    return struct.pack('<IBBHHHHHIIIHHHHHII', 0x02014b50, 45, 0, 45, 0, method, 0, 0x50cf,
                       zlib.crc32(data), len(data), stored_usize, len(name), len(extra), 0, 0,
                       0, 0, offset) + name + extra


def raw_zip(name, locals_, centrals):
    body = b''.join(locals_)
    directory = b''.join(centrals)
    end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(centrals), len(centrals),
                      len(directory), len(body), 0)
    with open(os.path.join(out, name), 'wb') as f:
        f.write(body + directory + end)


A, B = b'first entry\n', b'second entry\n'
# Two directory entries naming one local header.
raw_zip('overlap-full.zip', [local_header(b'a.txt', A)],
        [central_header(b'a.txt', 0, A), central_header(b'a.txt', 0, A)])
# One entry's stored data holds the other's local header.
inner = local_header(b'b.txt', B)
raw_zip('overlap-quoted.zip', [local_header(b'a.txt', inner)],
        [central_header(b'a.txt', 0, inner), central_header(b'b.txt', 35, B)])
# A local header that names another file than its directory entry.
raw_zip('name-mismatch.zip', [local_header(b'a.txt', A)], [central_header(b'z.txt', 0, A)])
# Deflated entries declaring enormous sizes through Zip64 fields.
packer = zlib.compressobj(9, zlib.DEFLATED, -15)
tiny = packer.compress(b'x') + packer.flush()
first = local_header(b'one.bin', tiny, 8, (len(tiny), 0xFFFFFFFF))
raw_zip('sizes-overflow.zip',
        [first, local_header(b'two.bin', tiny, 8, (len(tiny), 0xFFFFFFFF))],
        [central_header(b'one.bin', 0, tiny, 8, 2**63 - 1),
         central_header(b'two.bin', len(first), tiny, 8, 2**63 - 1)])
raw_zip('sizes-huge.zip', [first], [central_header(b'one.bin', 0, tiny, 8, 2**50)])

with open(os.path.join(out, 'stamp'), 'w') as f:
    f.write('ok\n')
