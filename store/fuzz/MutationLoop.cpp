// A bounded mutation loop over the store's fuzz target, for builds without libFuzzer
// and as a quick test in every build: seed configurations with bytes flipped, set,
// overwritten, moved or cut, each tried as a configuration and as a catalogue.
//   store_fuzz_loop [--runs N] [--seconds S] [--seed N] [--catalogue FILE]
//   store_fuzz_loop --write-seeds FOLDER [--catalogue FILE]   (a corpus for libFuzzer)
#include "FuzzTarget.h"
#include "Seeds.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void mutate(std::string& bytes, std::mt19937& random) {
    const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    const size_t changes = 1 + pick(4);
    for (size_t i = 0; i < changes && !bytes.empty(); ++i) {
        const size_t at = pick(bytes.size());
        switch (pick(10)) {
        case 0: case 1: case 2: case 3:
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << pick(8)));
            break;
        case 4: case 5: {
            static const char interesting[] = {0, 1, 0x7f, static_cast<char>(0x80), static_cast<char>(0xff), 9, 12, 13};
            bytes[at] = interesting[pick(sizeof interesting)];
            break;
        }
        case 6: case 7:
            for (size_t k = 0; k < 4 && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<char>(pick(256));
            break;
        case 8: {
            const size_t from = pick(bytes.size()), length = 1 + pick(64);
            if (from + length <= bytes.size() && at + length <= bytes.size())
                bytes.replace(at, length, bytes.substr(from, length));
            break;
        }
        default:
            bytes.resize(at);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    long runs = 500, seconds = 0;
    unsigned seed = 1;
    fs::path catalogue, seedFolder;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--runs") runs = std::stol(value);
        else if (option == "--seconds") seconds = std::stol(value);
        else if (option == "--seed") seed = static_cast<unsigned>(std::stoul(value));
        else if (option == "--catalogue") catalogue = value;
        else if (option == "--write-seeds") seedFolder = value;
        else {
            std::fprintf(stderr, "store_fuzz_loop: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    if (!seedFolder.empty()) {
        writeSeeds(seedFolder, catalogue);
        return 0;
    }
    const fs::path folder = fs::temp_directory_path() / ("orvane-fuzz-seeds-" + std::to_string(::getpid()));
    std::vector<std::string> seeds;
    for (const fs::path& file : writeSeeds(folder, catalogue)) seeds.push_back(readBytes(file));
    fs::remove_all(folder);
    for (const std::string& s : seeds) LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());

    std::mt19937 random(seed);
    const auto start = std::chrono::steady_clock::now();
    long done = 0;
    for (; seconds > 0 ? std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds) : done < runs; ++done) {
        std::string input = seeds[std::uniform_int_distribution<size_t>(0, seeds.size() - 1)(random)];
        mutate(input, random);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("store_fuzz_loop: %ld inputs tried (seed %u), no fault\n", done, seed);
    return 0;
}
