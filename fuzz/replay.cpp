// Replays fuzz inputs without libFuzzer: every file named on the command
// line, and every file in every folder named, goes once through the target's
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
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                // Dot files (.gitkeep) only keep a folder in the repository.
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
                    inputs.push_back(entry.path());
                }
            }
        } else if (std::filesystem::is_regular_file(path)) {
            inputs.push_back(path);
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::printf("%s\n", path.string().c_str());
        std::fflush(stdout);
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        // A copy of exactly the input's size, so a read past it is caught.
        std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
        exact.shrink_to_fit();
        LLVMFuzzerTestOneInput(exact.data(), exact.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
