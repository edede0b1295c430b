// The JPEG decoder on arbitrary bytes.
#include "fuzz_quiet.h"
#include "am_image.h"
#include "am_imagecodec.h"
#include "nvn_system.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    norvane::am::ImageCodecJPEG codec;
    norvane::am::ImageObject image(0, 0);
    try {
        codec.decode(reinterpret_cast<const char*>(data), static_cast<int>(size), &image);
    } catch (const norvane::Exception&) {
    }
    return 0;
}
