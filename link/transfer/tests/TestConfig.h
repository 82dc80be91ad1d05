#pragma once
// A small catalogue and configurations built in the tests, so every expected byte is
// derived here and not taken from the code under test.

#include "orvane/transfer/Configuration.h"

namespace orvane::transfer::testing {

inline Catalogue smallCatalogue()
{
    Catalogue c;
    // number, icycle, volRam, inputs, params, hidden, ftype, parameter types
    c[127] = {127, 0, 0, 0, 0, 0, 0, {}, {}, {}};
    c[10] = {10, 3, 2, 2, 4, 1, 5, {1, 2, 3, 4}, {}, {}};
    c[20] = {20, 7, 0, 1, 1, 0, 9, {1}, {}, {}};
    c[30] = {30, 1, 30, 0, 0, 0, 2, {}, {}, {}};
    c[84] = {84, 2, 0, 0, 0, 0, 1, {}, {}, {}};
    c[94] = {94, 2, 0, 0, 0, 0, 1, {}, {}, {}};
    c[99] = {99, 0, 0, 0, 8, 0, 1, {1, 1, 1, 1, 1, 1, 1, 1}, {}, {}};
    return c;
}

// 160 blocks running NOP, then the given functions from block 0 on, with their constants
// taking values from `value(block, offset)`.
template <typename ValueFn>
Configuration configWith(const Catalogue& cat, const std::vector<int16_t>& functions, ValueFn value)
{
    Configuration cfg;
    for (int16_t b = 0; b < kBlocks; ++b) {
        const int16_t fn = b < static_cast<int>(functions.size()) ? functions[b] : 127;
        const int count = cat.at(fn).constantCount();
        cfg.blocks.push_back({b, fn, static_cast<int16_t>(count)});
        for (int16_t k = 0; k < count; ++k)
            cfg.constants.push_back({b, k, value(b, k)});
    }
    return cfg;
}

} // namespace orvane::transfer::testing
