// Music playback on music files synthesized by the tests, through OpenAL Soft's silent "null"
// device, its "wave" device (which records the real mixed output) and no device at all.

#include "crv_music.h"
#include "snd_memory_file.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using norvane::am::FileData;
using norvane::am::FileDataHandle;
using norvane::corvista::Music;

namespace {

typedef std::vector<char> Bytes;

using soundtest::MemoryFile;

// A sine of the given frequency, written in memory as a sound file of the given libsndfile format.
Bytes sine(int format, int sampleRate, int channels, int frames, double frequency) {
    MemoryFile memory;
    SF_INFO info = {};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE* sound = memory.open(SFM_WRITE, info);
    if (!sound) {
        ADD_FAILURE() << "libsndfile cannot write: " << sf_strerror(nullptr);
        return Bytes();
    }
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<size_t>(i) * channels + c] =
                static_cast<float>(0.5 * std::sin(2.0 * M_PI * frequency * i / sampleRate));
    sf_writef_float(sound, samples.data(), frames);
    sf_close(sound);
    return memory.bytes;
}

Bytes wav(int sampleRate, int channels, int frames, double frequency = 440.0) {
    return sine(SF_FORMAT_WAV | SF_FORMAT_PCM_16, sampleRate, channels, frames, frequency);
}

Bytes ogg(int sampleRate, int channels, int frames, double frequency = 440.0) {
    return sine(SF_FORMAT_OGG | SF_FORMAT_VORBIS, sampleRate, channels, frames, frequency);
}

FileDataHandle fileOf(const Bytes& bytes) {
    FileData* data = new FileData();
    data->name = "music";
    data->size = static_cast<int>(bytes.size());
    data->bytes = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(data->bytes, bytes.data(), bytes.size());
    return FileDataHandle(data);
}

// Every test of this program plays through the silent device unless the run chose another. OpenAL
// reads its driver choice once per process, when the first device opens, whichever test opens it:
// the choice is made before the first test.
class NullSoundDevice : public ::testing::Environment {
public:
    void SetUp() override { setenv("ALSOFT_DRIVERS", "null", 0); }
};
[[maybe_unused]] ::testing::Environment* const gNullSoundDevice =
    ::testing::AddGlobalTestEnvironment(new NullSoundDevice);

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The music plays on real time: how far it may have gone is held against the real time the test
// saw pass, however long a busy machine took, never against a fixed figure.
typedef std::chrono::steady_clock::time_point Instant;
Instant now() { return std::chrono::steady_clock::now(); }
double secondsSince(Instant start) { return std::chrono::duration<double>(now() - start).count(); }
// The frames that may have played since then. The mixing runs ahead in blocks, and further when
// a busy machine held it back and it catches up: a second more is allowed for that.
int playedSince(Instant start, int rate) { return static_cast<int>(rate * (secondsSince(start) + 1.0)); }

// Waits until the music's position passes the frame (a held-back mixing may take long); the position.
int movedPast(const Music& music, int frame) {
    for (int i = 0; i < 3000 && music.getPosition() <= frame; ++i) sleepMs(10);
    return music.getPosition();
}

// setup with standard output captured.
bool setupCapturing(Music& music, const Bytes& bytes, std::string& output) {
    testing::internal::CaptureStdout();
    const bool ok = music.setup(fileOf(bytes));
    output = testing::internal::GetCapturedStdout();
    return ok;
}

// Runs one test of this program in a child process with its own sound configuration (OpenAL
// reads it once per process). Returns the child's standard output; the exit status goes to status.
std::string runChild(const std::string& test, const std::vector<std::pair<std::string, std::string>>& env,
                     int& status) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return std::string();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        setenv("HALCYRA_MUSIC_CHILD", "1", 1);
        for (const auto& entry : env) {
            if (entry.second.empty()) unsetenv(entry.first.c_str());
            else setenv(entry.first.c_str(), entry.second.c_str(), 1);
        }
        const std::string filter = "--gtest_filter=" + test;
        execl("/proc/self/exe", "crv_music_child", filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof(buffer))) > 0) output.append(buffer, static_cast<size_t>(got));
    close(pipeFds[0]);
    waitpid(pid, &status, 0);
    return output;
}

bool inChild() { return std::getenv("HALCYRA_MUSIC_CHILD") != nullptr; }

} // namespace

TEST(Music, LengthAndSampleRateOfWavAndOgg) {
    Music music;
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.getPosition(), 0);
    ASSERT_TRUE(music.setup(fileOf(wav(44100, 2, 66150))));
    EXPECT_EQ(music.getLength(), 66150);
    EXPECT_EQ(music.getSampleRate(), 44100);
    EXPECT_FALSE(music.isPlaying()); // ready, not started
    EXPECT_EQ(music.getPosition(), 0);

    ASSERT_TRUE(music.setup(fileOf(ogg(22050, 1, 44100))));
    EXPECT_EQ(music.getLength(), 44100);
    EXPECT_EQ(music.getSampleRate(), 22050);

    // A set-up replaces a playing music on the same device: the new one waits at its start; after
    // one that cannot be decoded, the next plays.
    music.play();
    ASSERT_TRUE(music.setup(fileOf(wav(44100, 1, 4410))));
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.getPosition(), 0);
    EXPECT_EQ(music.getLength(), 4410);
    EXPECT_FALSE(music.setup(fileOf(Bytes(100, 'x'))));
    EXPECT_EQ(music.getLength(), 0);
    ASSERT_TRUE(music.setup(fileOf(wav(44100, 1, 44100))));
    music.play();
    EXPECT_TRUE(music.isPlaying());
}

TEST(Music, PauseKeepsThePositionAndResumesFromIt) {
    Music music;
    ASSERT_TRUE(music.setup(fileOf(ogg(44100, 2, 44100 * 5))));
    const Instant played = now();
    music.play();
    EXPECT_TRUE(music.isPlaying());
    movedPast(music, 4410);
    music.setPaused(true);
    EXPECT_TRUE(music.isPaused());
    EXPECT_FALSE(music.isPlaying());
    const int paused = music.getPosition();
    EXPECT_GT(paused, 4410);
    EXPECT_LE(paused, playedSince(played, 44100));
    sleepMs(250);
    EXPECT_EQ(music.getPosition(), paused);
    const Instant resumedAt = now();
    music.setPaused(false);
    EXPECT_TRUE(music.isPlaying());
    const int resumed = movedPast(music, paused + 4410);
    EXPECT_GT(resumed, paused);
    // On from where it stopped, not from the start or further.
    EXPECT_LE(resumed, paused + playedSince(resumedAt, 44100));
}

TEST(Music, SeeksToAFrame) {
    Music music;
    ASSERT_TRUE(music.setup(fileOf(wav(48000, 1, 48000 * 4))));
    // Stopped: reads back exactly, and play starts there.
    music.setPosition(12345);
    EXPECT_EQ(music.getPosition(), 12345);
    music.setPosition(-5);
    EXPECT_EQ(music.getPosition(), 0);
    music.setPosition(48000 * 10);
    EXPECT_EQ(music.getPosition(), 48000 * 4);
    music.setPosition(96000);
    const Instant played = now();
    music.play();
    sleepMs(100);
    int position = music.getPosition();
    EXPECT_GE(position, 96000);
    EXPECT_LE(position, 96000 + playedSince(played, 48000));
    // Paused: reads back exactly, and resuming plays on from there.
    music.setPaused(true);
    music.setPosition(4000);
    EXPECT_EQ(music.getPosition(), 4000);
    const Instant resumed = now();
    music.setPaused(false);
    sleepMs(100);
    position = music.getPosition();
    EXPECT_GE(position, 4000);
    EXPECT_LE(position, 4000 + playedSince(resumed, 48000));
    // Playing: jumps there and plays on.
    const Instant jumped = now();
    music.setPosition(150000);
    position = music.getPosition();
    EXPECT_GE(position, 150000);
    EXPECT_LE(position, 150000 + playedSince(jumped, 48000));
}

TEST(Music, MutedMusicKeepsMoving) {
    Music music;
    ASSERT_TRUE(music.setup(fileOf(wav(44100, 2, 44100 * 3))));
    music.setMuted(true);
    EXPECT_TRUE(music.isMuted());
    music.play();
    EXPECT_TRUE(music.isPlaying());
    const int position = movedPast(music, 0);
    EXPECT_GT(position, 0);
    EXPECT_GT(movedPast(music, position), position);
    music.setMuted(false);
    EXPECT_FALSE(music.isMuted());
    EXPECT_TRUE(music.isPlaying());
}

TEST(Music, TheEndIsReportedAsNotPlaying) {
    Music music;
    ASSERT_TRUE(music.setup(fileOf(wav(44100, 1, 44100)))); // 1 s
    music.play();
    EXPECT_TRUE(music.isPlaying());
    for (int i = 0; i < 1500 && music.isPlaying(); ++i) sleepMs(20);
    EXPECT_FALSE(music.isPlaying());
    EXPECT_FALSE(music.isPaused());
    EXPECT_EQ(music.getPosition(), 44100); // at the end, not back at 0
    // Looping: back to the start, then playing again.
    music.setPosition(0);
    EXPECT_EQ(music.getPosition(), 0);
    music.play();
    // From the start, not still at the end: read at once, before the music can have gone far.
    EXPECT_LT(music.getPosition(), 22050);
    EXPECT_TRUE(music.isPlaying());
}

TEST(Music, UndecodableDataSwitchesSoundOff) {
    Music music;
    std::string output;
    Bytes noise(5000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919) >> 3);
    EXPECT_FALSE(setupCapturing(music, noise, output));
    EXPECT_EQ(output, "Could not open file\n");
    EXPECT_FALSE(setupCapturing(music, Bytes(), output));
    EXPECT_EQ(output, "Could not open file\n");
    // Decodable, but without a single frame: the demo would divide by its length.
    EXPECT_FALSE(setupCapturing(music, wav(44100, 2, 0), output));
    EXPECT_EQ(output, "Could not open file\n");
    // A sample rate of 0, written by hand.
    Bytes zeroRate = wav(8000, 1, 100);
    std::memset(&zeroRate[24], 0, 4);
    EXPECT_FALSE(setupCapturing(music, zeroRate, output));
    EXPECT_EQ(output, "Could not open file\n");
    // A cut file still plays what is there.
    const Bytes whole = wav(8000, 1, 8000);
    EXPECT_TRUE(setupCapturing(music, Bytes(whole.begin(), whole.begin() + 44 + 2 * 4000), output));
    EXPECT_EQ(music.getLength(), 4000);
    // Three channels cannot be played.
    EXPECT_FALSE(setupCapturing(music, wav(8000, 3, 800), output));
    EXPECT_EQ(output, "Could not open sound!, muting\n");
    EXPECT_FALSE(music.isPlaying());
    music.play(); // nothing to play, and no harm done
    EXPECT_FALSE(music.isPlaying());
}

TEST(Music, NoSoundDeviceSwitchesSoundOff) {
    int status = 0;
    const std::string output = runChild("MusicChild.NoDevice", {{"ALSOFT_DRIVERS", "no-such-driver"}}, status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(MusicChild, NoDevice) {
    if (!inChild()) GTEST_SKIP() << "runs in a child process of Music.NoSoundDeviceSwitchesSoundOff";
    Music music;
    std::string output;
    EXPECT_FALSE(setupCapturing(music, wav(44100, 2, 4410), output));
    EXPECT_NE(output.find("[error][corvista::Music::setup], No sound device!\n"), std::string::npos) << output;
    EXPECT_NE(output.find("(crv_music.cpp:38)"), std::string::npos) << output;
    EXPECT_FALSE(music.isPlaying());
    EXPECT_EQ(music.getPosition(), 0);
}

namespace {

// The interleaved 16-bit samples of a WAV file as OpenAL Soft's wave device writes it
// (WAVE_FORMAT_EXTENSIBLE), and its rate and channel count.
bool readWave(const std::string& path, std::vector<short>& samples, int& rate, int& channels) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
    };
    int bits = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        size_t size = u32(at + 4);
        if (id == "fmt ") {
            channels = static_cast<unsigned char>(bytes[at + 10]);
            rate = static_cast<int>(u32(at + 12));
            bits = static_cast<unsigned char>(bytes[at + 22]);
        } else if (id == "data") {
            if (bits != 16) return false;
            size = std::min(size, bytes.size() - at - 8);
            samples.resize(size / 2);
            std::memcpy(samples.data(), bytes.data() + at + 8, samples.size() * 2);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// Strength of one frequency in a block of mono samples (Goertzel), per sample.
double toneLevel(const std::vector<double>& block, double frequency, int rate) {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / rate);
    double s1 = 0.0, s2 = 0.0;
    for (double x : block) {
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return std::sqrt(std::max(0.0, power)) / static_cast<double>(block.size());
}

} // namespace

TEST(Music, TheWaveDeviceHearsTheSineOnlyWhilePlayingUnmuted) {
    char dirTemplate[] = "/tmp/crv_music_XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    struct RemoveAtEnd {
        std::string path;
        ~RemoveAtEnd() { std::filesystem::remove_all(path); }
    } removeAtEnd{dir};
    const std::string wavePath = dir + "/out.wav";
    {
        std::ofstream conf(dir + "/alsoft.conf");
        conf << "[general]\ndrivers = wave\nsample-type = int16\nfrequency = 44100\n[wave]\nfile = " << wavePath << "\n";
    }
    int status = 0;
    const std::string output = runChild("MusicChild.WaveCapture", {{"ALSOFT_DRIVERS", "wave"}, {"ALSOFT_CONF", dir + "/alsoft.conf"}}, status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    ASSERT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    int paused = 0, beforeUnmuting = 0, unmuted = 0, end = 0;
    const size_t said = output.find("positions ");
    ASSERT_TRUE(said != std::string::npos && std::sscanf(output.c_str() + said, "positions %d %d %d %d", &paused,
                                                        &beforeUnmuting, &unmuted, &end) == 4)
        << output;

    std::vector<short> samples;
    int rate = 0, channels = 0;
    ASSERT_TRUE(readWave(wavePath, samples, rate, channels));
    ASSERT_EQ(rate, 44100);
    ASSERT_GE(channels, 1);

    // 50 ms blocks of the first channel: is the 880 Hz sine there?
    const size_t block = static_cast<size_t>(rate) / 20;
    std::vector<bool> tone;
    double loudest = 0.0;
    for (size_t start = 0; (start + block) * channels <= samples.size(); start += block) {
        std::vector<double> mono(block);
        for (size_t i = 0; i < block; ++i) mono[i] = samples[(start + i) * channels] / 32768.0;
        const double at880 = toneLevel(mono, 880.0, rate);
        const double at440 = toneLevel(mono, 440.0, rate);
        loudest = std::max(loudest, at880);
        tone.push_back(at880 > 0.05 && at880 > 10.0 * at440);
    }
    EXPECT_GT(loudest, 0.1);
    // Runs of blocks with the tone: played 600 ms, paused 600 ms, muted 600 ms, played 600 ms.
    std::vector<std::pair<size_t, size_t>> runs; // start block, length
    for (size_t i = 0; i < tone.size(); ++i) {
        if (!tone[i]) continue;
        if (runs.empty() || runs.back().first + runs.back().second != i) runs.push_back({i, 0});
        ++runs.back().second;
    }
    std::string pattern;
    for (bool on : tone) pattern += on ? '#' : '.';
    ASSERT_EQ(runs.size(), 2u) << pattern;
    // A part's blocks: as many as its frames mixed fill, give or take the edges of a block and a
    // step of the mixing. The tone plays up to the pause and from the unmuting to the end only; the
    // muted frames are silent, as the pause before them.
    const int edges = 3;
    auto blocks = [&block](int frames) { return static_cast<int>(frames / static_cast<int>(block)); };
    const int first = static_cast<int>(runs[0].second), last = static_cast<int>(runs[1].second);
    EXPECT_GE(first, blocks(paused) - edges) << pattern; // 600 ms at least
    EXPECT_LE(first, blocks(paused) + edges) << pattern;
    EXPECT_GE(last, blocks(end - unmuted) - edges) << pattern;
    EXPECT_LE(last, blocks(end - beforeUnmuting) + edges) << pattern;
    const int gap = static_cast<int>(runs[1].first - (runs[0].first + runs[0].second));
    EXPECT_GE(gap, blocks(beforeUnmuting - paused) - edges) << pattern;
}

TEST(MusicChild, WaveCapture) {
    if (!inChild()) GTEST_SKIP() << "runs in a child process of Music.TheWaveDeviceHearsTheSineOnlyWhilePlayingUnmuted";
    Music music;
    ASSERT_TRUE(music.setup(fileOf(wav(44100, 2, 44100 * 10, 880.0))));
    // Each playing part lasts until the music's position shows 600 ms of it mixed: the mixing falls
    // behind on a busy machine, and what is not mixed when the device closes is never written. The
    // positions that bound each part go to the parent, which holds the file against them.
    auto mixed = [&music](int from) {
        for (int i = 0; i < 3000 && music.getPosition() < from + 26460; ++i) sleepMs(10);
    };
    music.play();
    mixed(0);
    music.setPaused(true);
    const int paused = music.getPosition();
    sleepMs(600);
    EXPECT_EQ(music.getPosition(), paused);
    music.setMuted(true);
    music.setPaused(false);
    mixed(paused);
    const int beforeUnmuting = music.getPosition();
    EXPECT_GT(beforeUnmuting, paused); // muted, but moving
    music.setMuted(false);
    const int unmuted = music.getPosition();
    mixed(unmuted);
    music.setPaused(true);
    std::printf("positions %d %d %d %d\n", paused, beforeUnmuting, unmuted, music.getPosition());
}
