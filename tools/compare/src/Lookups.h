#pragma once

#include <kessig/OrvaneDB.h>

#include <optional>

namespace orvane::compare {

// A read the store refuses with error `number` (a Null field, no row found) gives
// nothing; every other failure passes on.
template <class F>
auto readOrNothing(int32_t number, F&& read) -> std::optional<decltype(read())>
{
    try {
        return read();
    } catch (const kessig::DbError& e) {
        if (e.number() != number)
            throw;
        return std::nullopt;
    }
}

} // namespace orvane::compare
