// Runs a fuzz target over saved inputs, without libFuzzer: this is how the seed corpora and every
// input that once found a fault are replayed as ordinary tests, with any compiler. Each argument
// is an input file or a folder of them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

// False when the input cannot be read: a missing corpus must fail the test, not pass it.
bool Replay(const fs::path& input) {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", input.string().c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        if (!fs::is_directory(argv[i])) {
            if (!Replay(argv[i])) {
                return 1;
            }
            ++replayed;
            continue;
        }
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[i])) {
            if (entry.is_regular_file() && !Replay(entry.path())) {
                return 1;
            }
            replayed += entry.is_regular_file() ? 1 : 0;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
