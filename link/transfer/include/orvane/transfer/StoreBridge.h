#pragma once
// Between the configuration store and the transfers: what a download reads, and the
// all-or-nothing write of an upload.

#include "orvane/transfer/Transfer.h"

#include <array>

namespace kessig { class OrvaneDB; }

namespace orvane::transfer {

// The catalogue's functions with their counts, parameter types and defaults.
Catalogue readCatalogue(kessig::OrvaneDB& db);
// Messages, quick messages, the Block List and the Constants of the open configuration.
Configuration readConfiguration(kessig::OrvaneDB& db);

// Replaces a block's function and rebuilds its constants with the catalogue defaults
// (inputs 0 for type 1, else 2; parameters and hidden constants their defaults).
void store_block_function(kessig::OrvaneDB& db, int16_t block, const FunctionInfo& fn);

// Writes an upload into the open configuration inside one store transaction: every
// block's function with catalogue default constants, then the uploaded constants,
// messages and quick messages. On any store failure nothing is changed and the
// DbError is passed on. `table` (the editor's block functions) changes only on success.
void storeUpload(kessig::OrvaneDB& db, const UploadedController& up, const Catalogue& catalogue,
                 std::array<int16_t, kBlocks>& table);

} // namespace orvane::transfer
