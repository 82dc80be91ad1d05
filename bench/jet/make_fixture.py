#!/usr/bin/env python3
"""Makes the benchmark's Jet configuration: the legacy test configuration with every
block running SUMMER (function 28: eight constants) and its 1280 constant rows.

No Jet writer is at hand, so the rows are laid into new data pages by hand, following
the page layout libmdb documents for Jet 4: the Block List rows get their function and
constant count in place, the Constants table gets five data pages at the end of the
file, its page usage map and its row count.

Usage: make_fixture.py SOURCE.mdb TARGET.mdb
"""
import struct
import sys

PAGE = 4096
ROW_COUNT = 12           # Jet 4 data page: number of rows, then their offsets
TDEF_ROWS = 16           # Jet 4 table definition: rows in the table
TDEF_USAGE = 55          # ... the row holding the table's page usage map
TDEF_COLUMNS = 45
TDEF_REAL_INDEXES = 51
TDEF_COLUMN_START = 63
FUNCTION = 28
CONSTANTS_PER_BLOCK = 8
ROWS_PER_PAGE = 256


def columns(db, tdef):
    """Column name -> (fixed offset, length) of the table whose definition is on page tdef."""
    page = db[tdef * PAGE:(tdef + 1) * PAGE]
    count = struct.unpack_from('<H', page, TDEF_COLUMNS)[0]
    real = struct.unpack_from('<I', page, TDEF_REAL_INDEXES)[0]
    at = TDEF_COLUMN_START + 12 * real
    entries = []
    for _ in range(count):
        fixed, length = struct.unpack_from('<HH', page, at + 21)
        entries.append((fixed, length))
        at += 25
    names = {}
    for fixed, length in entries:
        size = struct.unpack_from('<H', page, at)[0]
        names[page[at + 2:at + 2 + size].decode('utf-16-le')] = (fixed, length)
        at += 2 + size
    return names


def tdef_of(db, column):
    for p in range(len(db) // PAGE):
        page = db[p * PAGE:(p + 1) * PAGE]
        if page[0] == 2 and column.encode('utf-16-le') in page:
            return p
    raise SystemExit('no table with a field ' + column)


def data_pages(db, tdef):
    for p in range(len(db) // PAGE):
        if db[p * PAGE] == 1 and struct.unpack_from('<I', db, p * PAGE + 4)[0] == tdef:
            yield p


def row_starts(db, p):
    count = struct.unpack_from('<H', db, p * PAGE + ROW_COUNT)[0]
    for i in range(count):
        start = struct.unpack_from('<H', db, p * PAGE + ROW_COUNT + 2 + 2 * i)[0]
        if not start & 0xc000:
            yield p * PAGE + (start & 0x1fff)


def main(source, target):
    db = bytearray(open(source, 'rb').read())
    blocks = tdef_of(db, 'FunctionNumber')
    block_columns = columns(db, blocks)
    for p in list(data_pages(db, blocks)):
        for row in row_starts(db, p):
            struct.pack_into('<h', db, row + 2 + block_columns['FunctionNumber'][0], FUNCTION)
            struct.pack_into('<h', db, row + 2 + block_columns['Constants'][0], CONSTANTS_PER_BLOCK)

    constants = tdef_of(db, 'ConstantValue')
    constant_columns = columns(db, constants)
    rows = [(b, k, (b + k) % 160 if k < 3 else 0) for b in range(160) for k in range(CONSTANTS_PER_BLOCK)]
    first_new = len(db) // PAGE
    for start in range(0, len(rows), ROWS_PER_PAGE):
        page = bytearray(PAGE)
        chunk = rows[start:start + ROWS_PER_PAGE]
        end = PAGE
        for i, (block, offset, value) in enumerate(chunk):
            row = bytearray(2 + 8 + 1)
            struct.pack_into('<H', row, 0, 3)
            struct.pack_into('<h', row, 2 + constant_columns['BlockNumber'][0], block)
            struct.pack_into('<h', row, 2 + constant_columns['Offset'][0], offset)
            struct.pack_into('<i', row, 2 + constant_columns['ConstantValue'][0], value)
            row[-1] = 0x07   # no field is Null
            end -= len(row)
            page[end:end + len(row)] = row
            struct.pack_into('<H', page, ROW_COUNT + 2 + 2 * i, end)
        page[0:2] = b'\x01\x01'
        struct.pack_into('<HI', page, 2, end - (ROW_COUNT + 2 + 2 * len(chunk)), constants)
        struct.pack_into('<H', page, ROW_COUNT, len(chunk))
        db += page
    struct.pack_into('<I', db, constants * PAGE + TDEF_ROWS, len(rows))

    usage = struct.unpack_from('<I', db, constants * PAGE + TDEF_USAGE)[0]
    usage_row = next(r for i, r in enumerate(row_starts(db, usage >> 8)) if i == (usage & 0xff))
    # An empty table may keep a map of map pages (type 1) that point nowhere; it
    # becomes a map held in the row itself (type 0) starting at page 0.
    if db[usage_row] != 0:
        db[usage_row:usage_row + 5] = b'\x00\x00\x00\x00\x00'
        db[usage_row + 5:usage_row + 69] = bytes(64)
    map_start = struct.unpack_from('<I', db, usage_row + 1)[0]
    for p in range(first_new, len(db) // PAGE):
        bit = p - map_start
        db[usage_row + 5 + bit // 8] |= 1 << (bit % 8)
    open(target, 'wb').write(db)


if __name__ == '__main__':
    main(*sys.argv[1:3])
