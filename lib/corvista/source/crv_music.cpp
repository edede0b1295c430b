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
// The decoded music as a queue of OpenAL buffers on one source; all of it is resident.
struct Music::Stream {
    ALuint source = 0;
    std::vector<ALuint> buffers;
    ~Stream();
};
namespace {
enum class Load { Ok, Undecodable, Unplayable };
Load load(const am::FileDataHandle& file, ALuint& source, std::vector<ALuint>& buffers, int& sampleRate, int& length);
bool openDevice(ALCdevice*& device, ALCcontext*& context);
} // namespace

bool Music::setup(am::FileDataHandle file) {
    releaseStream(); // a device that an earlier set-up opened is kept: opening one starts a mixer
    if (!mDevice) mDevice.reset(new Device()); // without a device the demo runs silently on its timer
    if (!mDevice->device && !openDevice(mDevice->device, mDevice->context)) {
        mDevice.reset();
        NVN_LOG("error", "Corvista", "No sound device!\n");
        return false;
    }

    // The whole music is decoded here, once: playing never waits for the decoder, however busy
    // the program is or however long it stays paused, and the file's bytes are not needed afterwards.
    mStream.reset(new Stream());
    const Load result = load(file, mStream->source, mStream->buffers, mSampleRate, mLength);
    if (result != Load::Ok) {
        std::printf(result == Load::Undecodable ? "Could not open file\n" : "Could not open sound!, muting\n");
        mStream.reset();
        mLength = 0;
        mSampleRate = 0;
        return false;
    }
    alSourcef(mStream->source, AL_GAIN, mMuted ? 0.0f : 1.0f);
    mPosition = 0;
    mStarted = false;
    return true;
}

Music::Music() = default;

Music::~Music() { release(); }

Music::Stream::~Stream() {
    if (source) {
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, 0);
        alDeleteSources(1, &source);
    }
    if (!buffers.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
}

void Music::releaseStream() {
    mStream.reset();
    mLength = 0;
    mPosition = 0;
    mStarted = false;
}

void Music::release() {
    releaseStream();
    if (mDevice) {
        if (alcGetCurrentContext() == mDevice->context) alcMakeContextCurrent(nullptr);
        if (mDevice->context) alcDestroyContext(mDevice->context);
        if (mDevice->device) alcCloseDevice(mDevice->device);
        mDevice.reset();
    }
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

// Decoded music beyond this many frames (about 100 minutes at 44.1 kHz) is refused.
const sf_count_t MaxFrames = sf_count_t(1) << 28;
// Frames decoded and handed to OpenAL at a time: small enough to stay in the cache between the two.
const sf_count_t ChunkFrames = 32768;

// Decodes the whole file as 16-bit samples into buffers queued on a new source. Undecodable: not a
// sound file libsndfile knows, or no frames, or no sample rate. Unplayable: decoded, but OpenAL
// cannot take it (more than two channels, a rate it refuses, a length beyond the cap).
Load load(const am::FileDataHandle& file, ALuint& source, std::vector<ALuint>& buffers, int& sampleRate, int& length) {
    if (file.empty() || !file->bytes || file->size <= 0) return Load::Undecodable;
    MemoryFile memory{file->bytes, file->size, 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info;
    std::memset(&info, 0, sizeof(info));
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!sound) return Load::Undecodable;
    if (info.samplerate <= 0 || info.channels <= 0 || info.channels > 64) {
        sf_close(sound);
        return Load::Undecodable;
    }
    std::vector<short> chunk(static_cast<size_t>(ChunkFrames) * static_cast<size_t>(info.channels));
    sf_count_t got = sf_readf_short(sound, chunk.data(), ChunkFrames);
    if (got <= 0) {
        sf_close(sound);
        return Load::Undecodable;
    }
    const ALenum format = info.channels == 1 ? AL_FORMAT_MONO16 : info.channels == 2 ? AL_FORMAT_STEREO16 : 0;
    Load result = format != 0 ? Load::Ok : Load::Unplayable;
    sf_count_t total = 0;
    alGetError();
    if (result == Load::Ok) {
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) {
            source = 0;
            result = Load::Unplayable;
        }
    }
    while (result == Load::Ok && got > 0) {
        total += got;
        if (total > MaxFrames) {
            result = Load::Unplayable;
            break;
        }
        ALuint buffer = 0;
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) {
            result = Load::Unplayable;
            break;
        }
        buffers.push_back(buffer);
        alBufferData(buffer, format, chunk.data(), static_cast<ALsizei>(got * info.channels * sizeof(short)),
                     info.samplerate);
        alSourceQueueBuffers(source, 1, &buffer);
        if (alGetError() != AL_NO_ERROR) {
            result = Load::Unplayable;
            break;
        }
        got = sf_readf_short(sound, chunk.data(), ChunkFrames);
    }
    sf_close(sound);
    if (result == Load::Ok) {
        sampleRate = info.samplerate;
        length = static_cast<int>(total);
    }
    return result;
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
