// The fuzz targets' main where libFuzzer is not linked (the normal build): runs the target once over every file
// named, or every file in the folders named, in name order. A crash or a sanitizer report fails the run as it
// would fail the fuzzer; the regression corpora replay in seconds this way.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    // Named before the target starts: a target may change the working directory.
    std::vector<std::filesystem::path> named;
    for (int i = 1; i < argc; ++i) named.push_back(std::filesystem::absolute(argv[i]));
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    for (const auto& path : named) {
        if (path.string().rfind("-", 0) == 0) continue;  // libFuzzer's flags mean nothing here
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(path)) {
            inputs.push_back(path);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", path.string().c_str());
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const auto start = std::chrono::steady_clock::now();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The fuzzer's own limit for one input: longer is a hang, whatever the result.
        if (seconds > 10.0) {
            std::fprintf(stderr, "%s: %.1f s on one input\n", input.string().c_str(), seconds);
            return 1;
        }
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
