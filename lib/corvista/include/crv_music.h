#pragma once
// The demo's music: one file taken from the archives as bytes, decoded whole and played through
// the sound device. Positions and lengths are in sample frames.

#include "am_filedata.h"

#include <memory>

namespace norvane {
namespace corvista {

class Music {
public:
    Music();
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Opens the device (or keeps the one an earlier set-up opened), decodes the file and prepares
    // the stream (stopped at frame 0). False when there is no device, the data cannot be decoded or
    // no stream could be made: the demo then runs without sound.
    bool setup(am::FileDataHandle file);
    // Pausing stops the stream where it is; resuming plays on from there.
    void setPaused(bool paused);
    // Volume 0 or 1; the stream keeps moving while muted.
    void setMuted(bool muted);
    // Releases the stream and the device.
    void release();

    // The stream, as the demo system drives it.
    void play();
    bool isPlaying() const;
    // Moves to the frame (clamped to the music); while stopped or paused the position reads back exactly.
    void setPosition(int frame);
    // The current frame; the length once the music has played to its end.
    int getPosition() const;

    int getLength() const { return mLength; }
    int getSampleRate() const { return mSampleRate; }
    bool isPaused() const { return mPaused; }
    bool isMuted() const { return mMuted; }

private:
    void releaseStream();

    struct Device;
    struct Stream;

    int mLength = 0;
    std::unique_ptr<Device> mDevice; // the output device and its context
    std::unique_ptr<Stream> mStream; // the decoded music in one buffer, and the source playing it
    int mSampleRate = 0;
    bool mPaused = false;
    bool mMuted = false;
    int mPosition = 0;     // where the stream stands while it is not playing or paused
    bool mStarted = false; // play was asked since the position was last set: a stop is the end
};

} // namespace corvista
} // namespace norvane
