// Replays fuzz inputs without libFuzzer: every file in every folder named on
// the command line goes once through the target's
// LLVMFuzzerTestOneInput. A failed check or a sanitizer report ends the run;
// the name printed last is the input that caused it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        // Dot files (.gitkeep) only keep a folder in the repository.
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            if (entry.path().filename().string()[0] != '.') {
                inputs.push_back(entry.path());
            }
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::printf("%s\n", path.string().c_str());
        std::fflush(stdout);
        std::ifstream in(path, std::ios::binary);
        // A copy of exactly the input's size, so a read past it is caught.
        std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        bytes.shrink_to_fit();
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
