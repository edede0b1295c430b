#include "crv_music.h"

#include "nvn_system.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace norvane {
namespace corvista {

struct Music::Device {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
};

struct Music::Stream {
    ALuint buffer = 0;
    ALuint source = 0;
};

namespace {
bool decode(const am::FileDataHandle& file, std::vector<short>& samples, SF_INFO& info);
bool openDevice(ALCdevice*& device, ALCcontext*& context);
} // namespace

bool Music::setup(am::FileDataHandle file) {
    release();
    // The device first: without one the demo runs silently on its timer.
    mDevice.reset(new Device());
    if (!openDevice(mDevice->device, mDevice->context)) {
        mDevice.reset();
        NVN_LOG("error", "Corvista", "No sound device!\n");
        return false;
    }

    // The whole music is decoded here, once: playing never waits for the decoder, however busy
    // the program is or however long it stays paused.
    std::vector<short> samples;
    SF_INFO info;
    if (!decode(file, samples, info)) {
        std::printf("Could not open file\n");
        return false;
    }
    mSampleRate = info.samplerate;
    mLength = static_cast<int>(samples.size() / static_cast<size_t>(info.channels));

    const ALenum format = info.channels == 1 ? AL_FORMAT_MONO16 : info.channels == 2 ? AL_FORMAT_STEREO16 : 0;
    mStream.reset(new Stream());
    alGetError();
    if (format != 0) {
        alGenBuffers(1, &mStream->buffer);
        if (alGetError() == AL_NO_ERROR) {
            alBufferData(mStream->buffer, format, samples.data(), static_cast<ALsizei>(samples.size() * sizeof(short)),
                         mSampleRate);
            if (alGetError() == AL_NO_ERROR) alGenSources(1, &mStream->source);
            if (alGetError() == AL_NO_ERROR && mStream->source != 0) {
                alSourcei(mStream->source, AL_BUFFER, static_cast<ALint>(mStream->buffer));
                alSourcef(mStream->source, AL_GAIN, mMuted ? 0.0f : 1.0f);
            }
        }
    }
    if (format == 0 || alGetError() != AL_NO_ERROR || mStream->source == 0) {
        std::printf("Could not open sound!, muting\n");
        if (mStream->source) alDeleteSources(1, &mStream->source);
        if (mStream->buffer) alDeleteBuffers(1, &mStream->buffer);
        mStream.reset();
        return false;
    }
    mPosition = 0;
    mStarted = false;
    return true;
}

Music::Music() = default;

Music::~Music() { release(); }

void Music::release() {
    if (mStream) {
        if (mStream->source) {
            alSourceStop(mStream->source);
            alDeleteSources(1, &mStream->source);
        }
        if (mStream->buffer) alDeleteBuffers(1, &mStream->buffer);
        mStream.reset();
    }
    if (mDevice) {
        alcMakeContextCurrent(nullptr);
        if (mDevice->context) alcDestroyContext(mDevice->context);
        if (mDevice->device) alcCloseDevice(mDevice->device);
        mDevice.reset();
    }
    mLength = 0;
    mPosition = 0;
    mStarted = false;
}

namespace {

ALint sourceState(ALuint source) {
    ALint state = AL_INITIAL;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

} // namespace

void Music::setPaused(bool paused) {
    mPaused = paused;
    if (!mStream) return;
    if (!paused) {
        play();
        return;
    }
    if (sourceState(mStream->source) != AL_PLAYING) return;
    // Held as a stopped source at the exact frame where it paused: resuming starts a fresh voice
    // there, at the volume set meanwhile (a paused voice would fade from its old volume).
    alSourcePause(mStream->source);
    ALint offset = 0;
    alGetSourcei(mStream->source, AL_SAMPLE_OFFSET, &offset);
    const bool ended = sourceState(mStream->source) == AL_STOPPED;
    alSourceStop(mStream->source);
    mPosition = ended ? mLength : offset;
    mStarted = ended;
}

void Music::setMuted(bool muted) {
    mMuted = muted;
    if (mStream) alSourcef(mStream->source, AL_GAIN, muted ? 0.0f : 1.0f);
}

void Music::play() {
    if (!mStream || sourceState(mStream->source) == AL_PLAYING) return;
    // From the held position; played to the end and not moved since, it starts over.
    const int from = mStarted || mPosition >= mLength ? 0 : mPosition;
    alSourceRewind(mStream->source);
    alSourcei(mStream->source, AL_SAMPLE_OFFSET, from);
    alSourcePlay(mStream->source);
    mStarted = true;
}

bool Music::isPlaying() const { return mStream && sourceState(mStream->source) == AL_PLAYING; }

void Music::setPosition(int frame) {
    if (!mStream) return;
    frame = std::max(0, std::min(frame, mLength));
    if (sourceState(mStream->source) == AL_PLAYING) {
        if (frame < mLength) alSourcei(mStream->source, AL_SAMPLE_OFFSET, frame);
        else alSourceStop(mStream->source); // at the very end: the music has ended
        return;
    }
    mPosition = frame;
    mStarted = false;
}

int Music::getPosition() const {
    if (!mStream) return 0;
    if (sourceState(mStream->source) == AL_PLAYING) {
        ALint offset = 0;
        alGetSourcei(mStream->source, AL_SAMPLE_OFFSET, &offset);
        // The offset reads 0 once the source has stopped at the end.
        if (offset != 0 || sourceState(mStream->source) == AL_PLAYING) return offset;
    }
    // Not playing: where it was put or paused, or at the end after playing through.
    return mStarted ? mLength : mPosition;
}

namespace {

// Reading the file's bytes from memory through libsndfile's virtual I/O.
struct MemoryFile {
    const char* data;
    sf_count_t size;
    sf_count_t position;
};

sf_count_t memoryLength(void* user) { return static_cast<MemoryFile*>(user)->size; }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    MemoryFile* file = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) base = file->position;
    else if (whence == SEEK_END) base = file->size;
    const sf_count_t target = base + offset;
    if (target < 0 || target > file->size) return -1;
    file->position = target;
    return target;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    MemoryFile* file = static_cast<MemoryFile*>(user);
    const sf_count_t available = std::max<sf_count_t>(0, file->size - file->position);
    count = std::max<sf_count_t>(0, std::min(count, available));
    if (count > 0) std::memcpy(out, file->data + file->position, static_cast<size_t>(count));
    file->position += count;
    return count;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

// Decoded music beyond this many samples (about 100 minutes of 44.1 kHz stereo) is refused.
const size_t MaxSamples = size_t(1) << 28;

// The whole file as 16-bit interleaved samples. False when it is not a sound file libsndfile
// knows, or holds no frames, or has no sample rate.
bool decode(const am::FileDataHandle& file, std::vector<short>& samples, SF_INFO& info) {
    std::memset(&info, 0, sizeof(info));
    if (file.empty() || !file->bytes || file->size <= 0) return false;
    MemoryFile memory{file->bytes, file->size, 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!sound) return false;
    bool ok = info.samplerate > 0 && info.channels > 0 && info.channels <= 8;
    if (ok) {
        // The stated length is only a first guess: the decoded frames count.
        const size_t channels = static_cast<size_t>(info.channels);
        const size_t guess = info.frames > 0 ? static_cast<size_t>(info.frames) * channels : 0;
        samples.resize(std::min(std::max(guess, channels * 4096), MaxSamples));
        size_t used = 0;
        for (;;) {
            if (samples.size() - used < channels) {
                if (samples.size() >= MaxSamples) {
                    ok = false; // longer than anything a demo plays
                    break;
                }
                samples.resize(std::min(samples.size() * 2, MaxSamples));
            }
            const sf_count_t frames = static_cast<sf_count_t>((samples.size() - used) / channels);
            const sf_count_t got = sf_readf_short(sound, samples.data() + used, frames);
            if (got <= 0) break;
            used += static_cast<size_t>(got) * channels;
        }
        samples.resize(used);
        ok = ok && used > 0 && used / channels <= 0x7fffffff;
    }
    sf_close(sound);
    return ok;
}

bool openDevice(ALCdevice*& device, ALCcontext*& context) {
    device = alcOpenDevice(nullptr);
    if (!device) return false;
    context = alcCreateContext(device, nullptr);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        device = nullptr;
        context = nullptr;
        return false;
    }
    return true;
}

} // namespace

} // namespace corvista
} // namespace norvane
