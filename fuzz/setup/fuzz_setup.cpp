// The set-up file reader: any bytes as "setup.xml" either configure the demo system or end in an
// Exception; nothing else may happen.

#include "fuzz_quiet.h"
#include "crv_corvista.h"
#include "nvn_system.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// One working directory for the whole run, holding a small timeline script the set-up may name.
// Each input is read inside it; the fuzzer's own paths stay relative to where it was started.
const std::filesystem::path& workDirectory() {
    static std::filesystem::path path;
    if (!path.empty()) return path;
    std::string pattern = (std::filesystem::temp_directory_path() / "halcyra-fuzz-setup-XXXXXX").string();
    if (!mkdtemp(&pattern[0])) std::abort();
    path = pattern;
    FILE* script = std::fopen((path / "s.xml").c_str(), "wb");
    std::fputs("<script><effect name=\"clear\" start=\"0\" end=\"2\"><trigger name=\"white\"/></effect></script>", script);
    std::fclose(script);
    std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    });
    return path;
}

class InWorkDirectory {
public:
    InWorkDirectory() : mOld(std::filesystem::current_path()) { std::filesystem::current_path(workDirectory()); }
    ~InWorkDirectory() { std::filesystem::current_path(mOld); }

private:
    std::filesystem::path mOld;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InWorkDirectory in;
    FILE* file = std::fopen("setup.xml", "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        norvane::corvista::Corvista demo;
        demo.setup();
    } catch (const norvane::Exception&) {
    }
    return 0;
}
