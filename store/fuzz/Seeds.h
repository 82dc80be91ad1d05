#pragma once
// Configurations for the fuzzers to start from: a new one, one edited in every table,
// one made before drawing comments existed, and the catalogue when one is given.
#include <filesystem>
#include <vector>

std::vector<std::filesystem::path> writeSeeds(const std::filesystem::path& folder,
                                              const std::filesystem::path& catalogue = {});
