#!/usr/bin/env python3
"""Second, independent reading of a PE file for the tests: prints the optional header's
magic (PE32 or PE32+), the stored CheckSum and the checksum computed over the whole file
(16-bit one's-complement word sum with the CheckSum field as zero, plus the file length)."""
import struct
import sys

data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
assert data[pe:pe + 4] == b"PE\0\0", "no PE header"
optional = pe + 24
magic = struct.unpack_from("<H", data, optional)[0]
field = optional + 64
stored = struct.unpack_from("<I", data, field)[0]
zeroed = data[:field] + b"\0\0\0\0" + data[field + 4:]
if len(zeroed) % 2:
    zeroed += b"\0"
total = 0
for (word,) in struct.iter_unpack("<H", zeroed):
    total += word
    total = (total & 0xFFFF) + (total >> 16)
computed = ((total & 0xFFFF) + (total >> 16)) + len(data)
print({0x10B: "PE32", 0x20B: "PE32+"}.get(magic, hex(magic)), stored, computed)
