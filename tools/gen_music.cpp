// Synthesizes the sample demo's music and writes it as Ogg Vorbis.
//
// The piece: 120 beats per minute (a beat every 0.5 s, a bar every 2 s), 48 bars, in A minor over
// the chords Am - F - C - G. Sections (in bars): 0-7 intro (pad, hats), 8-15 groove (kick, bass),
// 16-23 theme (melody), 24-31 break (pad and melody, no drums), 32-43 drive (everything, snare),
// 44-47 outro (fading). The timeline script follows these times.
//
// usage: gen_music <output.ogg> [seconds]   (seconds shortens the piece, for tests)

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const int kRate = 44100;
const double kBeat = 0.5;
const double kBar = 4 * kBeat;
const int kBars = 48;
const double kPi = 3.14159265358979323846;

// The system's own pseudo-random step, so every build makes the same file.
struct Noise {
    unsigned int seed = 1;
    float next() {
        seed = seed * 69069u + 5u;
        return float(seed >> 8) / float(1u << 24) * 2.0f - 1.0f;
    }
};

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// A band-limited-enough sawtooth: a few harmonics are plenty at these pitches.
double saw(double phase, int harmonics) {
    double v = 0;
    for (int h = 1; h <= harmonics; ++h) v += std::sin(2 * kPi * h * phase) / h;
    return v * 0.55;
}

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    void add(size_t i, double v, double pan) {  // pan -1 (left) .. 1 (right)
        if (i >= left.size()) return;
        left[i] += float(v * std::sqrt(0.5 * (1 - pan)));
        right[i] += float(v * std::sqrt(0.5 * (1 + pan)));
    }
};

bool inBars(int bar, int first, int last) { return bar >= first && bar <= last; }

// Section gains by bar.
bool drumsOn(int bar) { return inBars(bar, 8, 23) || inBars(bar, 32, 45); }
bool snareOn(int bar) { return inBars(bar, 32, 45) || (inBars(bar, 20, 23)); }
bool bassOn(int bar) { return inBars(bar, 8, 23) || inBars(bar, 28, 46); }
bool melodyOn(int bar) { return inBars(bar, 16, 43); }

// Chord roots per bar (MIDI), over Am F C G.
const int kRoots[4] = {57, 53, 48, 55};
const int kChords[4][3] = {{57, 60, 64}, {53, 57, 60}, {48, 52, 55}, {55, 59, 62}};

void kick(Stereo& out, double start, double gain) {
    const size_t s0 = size_t(start * kRate);
    double phase = 0;
    for (int i = 0; i < int(0.35 * kRate); ++i) {
        const double t = double(i) / kRate;
        const double hz = 45 + 95 * std::exp(-t * 28);
        phase += hz / kRate;
        const double env = std::exp(-t * 9) * (t < 0.002 ? t / 0.002 : 1.0);
        out.add(s0 + i, gain * env * std::sin(2 * kPi * phase), 0);
    }
}

void snare(Stereo& out, Noise& noise, double start, double gain) {
    const size_t s0 = size_t(start * kRate);
    double lp = 0, prev = 0;
    for (int i = 0; i < int(0.25 * kRate); ++i) {
        const double t = double(i) / kRate;
        const double n = noise.next();
        lp += 0.35 * (n - lp);
        const double band = lp - prev * 0.6;
        prev = lp;
        const double body = std::sin(2 * kPi * 185 * t) * std::exp(-t * 30);
        out.add(s0 + i, gain * (band * std::exp(-t * 16) + 0.5 * body), 0.1);
    }
}

void hat(Stereo& out, Noise& noise, double start, double gain, double pan) {
    const size_t s0 = size_t(start * kRate);
    double prev = 0;
    for (int i = 0; i < int(0.06 * kRate); ++i) {
        const double t = double(i) / kRate;
        const double n = noise.next();
        const double high = n - prev;  // a crude high-pass
        prev = n;
        out.add(s0 + i, gain * 0.5 * high * std::exp(-t * 70), pan);
    }
}

void bassNote(Stereo& out, double start, double length, int midi, double gain) {
    const size_t s0 = size_t(start * kRate);
    const double hz = noteHz(midi);
    double lp = 0;
    for (int i = 0; i < int(length * kRate); ++i) {
        const double t = double(i) / kRate;
        const double env = std::min(1.0, t / 0.005) * std::exp(-t * 3.5) * std::min(1.0, (length - t) / 0.01);
        const double cutoff = 0.05 + 0.25 * std::exp(-t * 12);
        lp += cutoff * (saw(hz * t, 8) - lp);
        out.add(s0 + i, gain * env * (lp + 0.4 * std::sin(2 * kPi * hz * t)), 0);
    }
}

void padChord(Stereo& out, double start, double length, const int* notes, double gain) {
    const size_t s0 = size_t(start * kRate);
    for (int v = 0; v < 3; ++v) {
        for (int d = 0; d < 2; ++d) {
            const double hz = noteHz(notes[v]) * (d == 0 ? 0.997 : 1.003);
            const double pan = d == 0 ? -0.5 : 0.5;
            for (int i = 0; i < int(length * kRate); ++i) {
                const double t = double(i) / kRate;
                const double env = std::min(1.0, t / 0.4) * std::min(1.0, (length - t) / 0.3);
                const double tone = std::sin(2 * kPi * hz * t) + 0.3 * std::sin(4 * kPi * hz * t) +
                                    0.12 * std::sin(6 * kPi * hz * t);
                out.add(s0 + i, gain * env * tone / 6, pan);
            }
        }
    }
}

void leadNote(Stereo& out, double start, double length, int midi, double gain) {
    const size_t s0 = size_t(start * kRate);
    const double hz = noteHz(midi);
    double phase = 0;
    for (int i = 0; i < int((length + 0.15) * kRate); ++i) {
        const double t = double(i) / kRate;
        const double vibrato = 1 + 0.004 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t / 0.3);
        phase += hz * vibrato / kRate;
        const double release = t < length ? 1.0 : std::exp(-(t - length) * 30);
        const double env = std::min(1.0, t / 0.01) * (0.7 + 0.3 * std::exp(-t * 6)) * release;
        // A soft square: the first odd harmonics only.
        const double square = std::sin(2 * kPi * phase) + std::sin(6 * kPi * phase) / 4 +
                              std::sin(10 * kPi * phase) / 9 + std::sin(14 * kPi * phase) / 16;
        out.add(s0 + i, gain * env * square, -0.15);
        // A quieter echo, three eighths later, on the other side.
        out.add(s0 + i + size_t(0.75 * kRate), gain * 0.3 * env * square, 0.6);
    }
}

// The theme: two bars a phrase, (beat offset, length in beats, MIDI note); 0 ends a phrase.
struct Note {
    double beat, beats;
    int midi;
};
const Note kThemeA[] = {{0, 1.5, 76}, {1.5, 0.5, 74}, {2, 1, 72}, {3, 1, 71}, {4, 1.5, 69}, {5.5, 0.5, 72},
                        {6, 2, 77}, {8, 1.5, 76}, {9.5, 0.5, 72}, {10, 1, 67}, {11, 1, 71}, {12, 1, 74},
                        {13, 1, 72}, {14, 2, 71}};
const Note kThemeB[] = {{0, 1, 81}, {1, 1, 79}, {2, 2, 76}, {4, 1, 77}, {5, 1, 76}, {6, 2, 72},
                        {8, 1, 72}, {9, 1, 74}, {10, 2, 76}, {12, 1.5, 74}, {13.5, 0.5, 71}, {14, 2, 67}};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_music <output.ogg> [seconds]\n");
        return 2;
    }
    double seconds = kBars * kBar;
    if (argc > 2) seconds = std::min(seconds, std::atof(argv[2]));
    if (!(seconds > 0)) {
        std::fprintf(stderr, "gen_music: the length must be positive\n");
        return 2;
    }
    const size_t frames = size_t(seconds * kRate);
    Stereo mix(frames + size_t(kRate));
    Noise noise;

    const int bars = int(std::ceil(seconds / kBar));
    for (int bar = 0; bar < bars && bar < kBars; ++bar) {
        const double t0 = bar * kBar;
        const int chord = bar % 4;
        const double fade = bar >= 44 ? 1.0 - (bar - 44) / 4.0 : 1.0;
        padChord(mix, t0, kBar + 0.3, kChords[chord], (inBars(bar, 24, 31) ? 0.5 : 0.3) * fade);
        for (int e = 0; e < 8; ++e) {  // eighths
            const double t = t0 + e * kBeat / 2;
            if (bar < 8 ? (e % 2 == 1 && bar >= 2) : drumsOn(bar))
                hat(mix, noise, t, (e % 2 ? 0.35 : 0.18) * fade, e % 4 < 2 ? -0.3 : 0.3);
            if (bassOn(bar)) {
                const int pattern[8] = {0, 0, 12, 0, 0, 12, 0, 7};
                bassNote(mix, t, kBeat / 2 * 0.9, kRoots[chord] - 24 + pattern[e], 0.45 * fade);
            }
        }
        for (int b = 0; b < 4; ++b) {
            const double t = t0 + b * kBeat;
            if (drumsOn(bar)) kick(mix, t, 0.9 * fade);
            if (snareOn(bar) && (b == 1 || b == 3)) snare(mix, noise, t, 0.45 * fade);
        }
        if (melodyOn(bar) && bar % 2 == 0) {
            const bool b = inBars(bar, 24, 31) || (bar >= 36 && bar % 4 == 0);
            const Note* notes = b ? kThemeB : kThemeA;
            const size_t count = b ? sizeof(kThemeB) / sizeof(Note) : sizeof(kThemeA) / sizeof(Note);
            // The theme spans four bars; odd phrases take its second half.
            const double phraseStart = (bar % 4 == 0) ? 0 : 8;
            for (size_t n = 0; n < count; ++n) {
                if (notes[n].beat < phraseStart || notes[n].beat >= phraseStart + 8) continue;
                leadNote(mix, t0 + (notes[n].beat - phraseStart) * kBeat, notes[n].beats * kBeat * 0.92,
                         notes[n].midi, 0.22 * fade);
            }
        }
    }

    // Soft-clip, normalise to about -1 dBFS and interleave.
    std::vector<float> interleaved(frames * 2);
    float peak = 0;
    for (size_t i = 0; i < frames; ++i) {
        mix.left[i] = std::tanh(mix.left[i]);
        mix.right[i] = std::tanh(mix.right[i]);
        peak = std::max(peak, std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i])));
    }
    const float gain = peak > 0 ? 0.89f / peak : 1.0f;
    for (size_t i = 0; i < frames; ++i) {
        // A short fade at both ends avoids clicks when the piece is cut short.
        const double edge = std::min(1.0, std::min(double(i), double(frames - i)) / (0.01 * kRate));
        interleaved[2 * i] = float(mix.left[i] * gain * edge);
        interleaved[2 * i + 1] = float(mix.right[i] * gain * edge);
    }

    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (!file) {
        std::fprintf(stderr, "gen_music: could not write '%s': %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    double quality = 0.5;
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    // The Vorbis encoder takes the audio in small blocks (large single writes crash it).
    sf_count_t written = 0;
    const sf_count_t block = 4096;
    while (written < sf_count_t(frames)) {
        const sf_count_t n = std::min(block, sf_count_t(frames) - written);
        if (sf_writef_float(file, interleaved.data() + 2 * written, n) != n) break;
        written += n;
    }
    const int closed = sf_close(file);
    if (written != sf_count_t(frames) || closed != 0) {
        std::fprintf(stderr, "gen_music: writing '%s' failed\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
