#pragma once
// Long values: memo and OLE data that a row keeps on long value pages, reached through
// a 12-byte reference in the row. libmdb reads a reference to a missing, zeroed or
// foreign page, to a cleared or deleted row, or to a chain that ends early or runs in a
// circle as an empty or shorter value, or as whatever bytes lie there, and says
// nothing; so every reference is followed here first.

// mdbtools.h includes glib.h inside extern "C"; glib must come first for C++.
#include <glib.h>
#include <mdbtools.h>

#include <optional>
#include <string>

namespace orvane::jetreader {

// Why the long value whose reference starts the field of `size` bytes at `field` cannot
// be read whole; nothing when it can. Reads long value pages into libmdb's second page
// buffer only, so the row being read stays where it is.
std::optional<std::string> longValueFault(MdbHandle* mdb, const unsigned char* field, int size);

} // namespace orvane::jetreader
