#!/usr/bin/env python3
"""Prints string 1 of a raw RT_STRING block 1 (16 counted UTF-16LE strings), as wrestool
extracts it; the second reader of the archive offset in the tests."""
import struct
import sys

block = open(sys.argv[1], "rb").read()
position = 0
for index in range(2):
    (length,) = struct.unpack_from("<H", block, position)
    text = block[position + 2:position + 2 + 2 * length].decode("utf-16-le")
    position += 2 + 2 * length
print(text)
