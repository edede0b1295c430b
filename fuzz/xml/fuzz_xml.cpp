// Fuzzes the XML reader. Whatever parses must write, parse again and write the same bytes.

#include "fuzz_quiet.h"
#include "nvn_system.h"
#include "xml/xml_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    norvane::xml::XmlParser first;
    try {
        first.parse(reinterpret_cast<const char*>(data), static_cast<int>(size));
    } catch (const norvane::Exception&) {
        return 0;
    }
    // From here on nothing may fail: a parsed document always writes and reads back.
    std::string written;
    first.writeToString(written, "\t");
    norvane::xml::XmlParser second;
    second.parse(written);
    std::string rewritten;
    second.writeToString(rewritten, "\t");
    if (written != rewritten) {
        std::fprintf(stderr, "round trip differs:\n--- first\n%s\n--- second\n%s\n", written.c_str(), rewritten.c_str());
        std::abort();
    }
    return 0;
}
