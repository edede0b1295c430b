// The PNG decoder on arbitrary bytes, and the encoder on whatever decodes.
#include "fuzz_quiet.h"
#include "am_image.h"
#include "am_imagecodec.h"
#include "nvn_system.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    norvane::am::ImageCodecPNG codec;
    norvane::am::ImageObject image(0, 0);
    try {
        codec.decode(reinterpret_cast<const char*>(data), static_cast<int>(size), &image);
    } catch (const norvane::Exception&) {
        return 0;
    }
    if (image.getByteSize() <= (1u << 16)) {
        char* encoded = nullptr;
        int encodedSize = 0;
        if (codec.encode(&encoded, &encodedSize, image)) {
            norvane::am::ImageObject back(0, 0);
            codec.decode(encoded, encodedSize, &back);
            if (back.getByteSize() != image.getByteSize()) std::abort();
            std::free(encoded);
        }
    }
    return 0;
}
