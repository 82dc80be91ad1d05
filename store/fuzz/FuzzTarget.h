#pragma once
// The store's open and walk of one file, made of bytes a fuzzer chose. A DbError is the
// expected end for a bad file; anything else, a crash, a hang or a walk that does not
// end, is a fault (the walk aborts after more steps than any file can have).
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
