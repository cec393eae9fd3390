// Without libFuzzer a fuzz target is built with this driver, which feeds it
// every file of the folders (or files) it is given: the seed corpus and the
// kept regression cases run as an ordinary test. A path that does not exist,
// or folders that hold no input at all, fail the run: a test that replayed
// nothing must not pass.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

int main(int argc, char **argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; i++) {
        std::filesystem::path given(argv[i]);
        if (std::filesystem::is_directory(given)) {
            for (const auto &entry : std::filesystem::directory_iterator(given))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (std::filesystem::exists(given)) {
            inputs.push_back(given);
        } else {
            fprintf(stderr, "%s does not exist\n", argv[i]);
            return 1;
        }
    }
    if (inputs.empty()) {
        fprintf(stderr, "no input to replay\n");
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto &path : inputs) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        printf("%s\n", path.filename().c_str());
        fflush(stdout);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
