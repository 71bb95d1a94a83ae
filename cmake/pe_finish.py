#!/usr/bin/env python3
"""Ends a PE program on an 8-byte boundary and writes its checksum over the padded file.

A signature is appended at an 8-byte boundary, and removing it leaves the padding and a checksum
recomputed over it. A program that already ends there with that checksum comes back from a signed
copy byte for byte. Both steps are deterministic, so the build stays reproducible.
   pe_finish.py PROGRAM.exe"""
import struct
import sys

SIGNATURE_ALIGNMENT = 8
PE_OFFSET_FIELD = 0x3C  # where the DOS header keeps the offset of "PE\0\0"
CHECKSUM_IN_OPTIONAL_HEADER = 64  # the same for PE32 and PE32+
OPTIONAL_HEADER_AFTER_SIGNATURE = 24  # "PE\0\0" and the COFF file header


def pe_checksum(data, checksum_at):
    """The loader's checksum: 16-bit sum with the carries folded in, the field itself read as zero,
    plus the file's length."""
    body = data[:checksum_at] + b"\0\0\0\0" + data[checksum_at + 4:]
    total = sum(struct.unpack(f"<{len(body) // 2}H", body))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


path = sys.argv[1]
with open(path, "rb") as f:
    data = bytearray(f.read())
data += b"\0" * (-len(data) % SIGNATURE_ALIGNMENT)
pe_at = struct.unpack_from("<I", data, PE_OFFSET_FIELD)[0]
if data[pe_at:pe_at + 4] != b"PE\0\0":
    sys.exit(f"{path}: not a PE program")
checksum_at = pe_at + OPTIONAL_HEADER_AFTER_SIGNATURE + CHECKSUM_IN_OPTIONAL_HEADER
struct.pack_into("<I", data, checksum_at, pe_checksum(data, checksum_at))
with open(path, "wb") as f:
    f.write(data)
