// Music set-up on arbitrary bytes, through OpenAL Soft's silent device, opened once for the run.
#include "crv_music.h"
#include "fuzz_quiet.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// libsndfile 1.2 leaks its Vorbis decoder state when it refuses a damaged Ogg file in sf_open;
// the music code cannot release what it is never given.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\n"; }
// Leaks are checked after every input that leaked: the table of suppressions used would be printed
// each time.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    norvane::am::FileData* file = new norvane::am::FileData();
    file->name = "music.ogg";
    file->size = static_cast<int>(size);
    file->bytes = static_cast<char*>(std::malloc(size + 1));
    std::memcpy(file->bytes, data, size);
    // One music object for the whole run: its device is opened by the first set-up and kept by
    // the later ones, so each input costs its decoding, not the start of a sound device.
    static norvane::corvista::Music music;
    if (music.setup(norvane::am::FileDataHandle(file))) {
        if (music.getLength() <= 0 || music.getSampleRate() <= 0) std::abort();
        music.setPosition(music.getLength() / 2);
        if (music.getPosition() != music.getLength() / 2) std::abort();
        music.play();
        music.setMuted(true);
        music.setPaused(true);
    }
    return 0;
}
