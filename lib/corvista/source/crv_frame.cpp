// The running demo: opening the window and the music, setting the effects up, the per-frame work,
// seeking, the playback keys and the time bar.

#include "crv_corvista.h"

#include "am_videofile.h"
#include "crv_gui.h"
#include "crv_platform.h"
#include "dis_glcheck.h"
#include "mathbase/mb_matrix.h"
#include "nvn_system.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace norvane::corvista {

namespace {

enum Key {
    KeySpace = 32,
    KeyM = 77,
    KeyO = 79,
    KeyP = 80,
    KeyQ = 81,
    KeyT = 84,
    KeyEscape = 257,
    KeyLeft = 285,
    KeyRight = 286,
};

const int kCtrl = 64 | 128;
const int kAlt = 256 | 512;
const float kSeekStep = 5.0f;

// Left, Right, T and Alt+T move the demo clock; Ctrl+T only sets the start mark.
bool seeks(int key, int modifiers) {
    return key == KeyLeft || key == KeyRight || (key == KeyT && !(modifiers & kCtrl));
}

} // namespace

void Corvista::run() {
    warnUnknownEffects(); // every effect is registered by now
    try {
        checkBeforeOpening();
        mSkipListener = false;
        start();
    } catch (...) {
        // Refused before playing: nothing was changed, so nothing is written back.
        mStartRefused = true;
        throw;
    }

    setupEffects();
    if (!mNoSound) {
        mMusic.play();
        mMusic.setPaused(false);
        mMusic.setMuted(mMute); // a set-up that asks for mute starts silent
        if (mMusic.getSampleRate() > 0)
            mDemoLength = static_cast<float>(mMusic.getLength()) / static_cast<float>(mMusic.getSampleRate());
    }
    // The timeline editor and its GUI root become the second and third listeners.
    mGui = new Gui(mDisplay, &mScript);
    try {
        mGui->setDemoLength(mDemoLength);
        mGui->build();
        setTime(mStartTime);
        mOsdShownAt = -100.0f;
        mDisplay->run();
        endDump();
    } catch (...) {
        delete mGui;
        mGui = nullptr;
        throw;
    }
    delete mGui;
    mGui = nullptr;
}

void Corvista::checkBeforeOpening() {
    const char* const setupFile = mSetupFileName.c_str();
    if (!mDisplayConfigured)
        throw Exception("[Corvista] No 'display' tag in '%s': there is no window to show the demo in", setupFile);
    if (!mDumper) {
        if (!mNoSound && mMusicFile.empty())
            throw Exception("[Corvista] No music file in '%s': playing needs a 'music' tag with a 'filename', or "
                            "mute=\"nosound\" to play without sound",
                            setupFile);
        return;
    }
    // A dump's clock starts at the start time and the dump ends where the timeline does.
    const float start = std::max(mStartTime, 0.0f);
    const double end = static_cast<double>(mScript.mLength);
    char cause[160] = "";
    if (mScriptFiles.empty())
        std::snprintf(cause, sizeof(cause), "no timeline script was given");
    else if (!(end > 0.0))
        std::snprintf(cause, sizeof(cause), "the timeline ends at %.2f s, so it has nothing to show", end);
    else if (mScript.mLength < start)
        std::snprintf(cause, sizeof(cause), "the timeline ends at %.2f s, before the start time %.2f s", end,
                      static_cast<double>(start));
    else if (dumpReachedEnd(start)) // the first frame would already be past the end
        std::snprintf(cause, sizeof(cause), "the timeline ends at the start time, %.2f s", end);
    if (cause[0]) throw Exception("[Corvista] Nothing to dump in '%s': %s", setupFile, cause);
    // The dump plays no sound, but the video made from its frames will.
    if (!mMusicFile.empty() && mArchives.getFile(mMusicFile).empty())
        NVN_LOG("warning", "Corvista",
                "Set-up '%s', line %d: the music file '%s' is not found; the video will need it", setupFile,
                mMusicLine, mMusicFile.c_str());
}

bool Corvista::editorPanelShown() const { return mGui && mGui->isPanelShown(); }

void Corvista::start() {
    // The music is decoded before the window opens: a missing file, and a start mark the music
    // does not reach, are refused without a window.
    if (!mNoSound) openMusic(mMusicFile);
    checkStartInMusic();
    openDisplay(mWidth, mHeight, mFullscreen, mTitle);
}

void Corvista::checkStartInMusic() const {
    // Without looping, the music's end ends the run: from a start the seek puts at that end, the
    // first frame would end it. (Without music nothing ends a run but the user.)
    if (!musicEndsBy(mStartTime)) return;
    const double end = static_cast<double>(mMusic.getLength()) / mMusic.getSampleRate();
    const double start = static_cast<double>(mStartTime);
    char cause[128];
    if (end < start)
        std::snprintf(cause, sizeof(cause), "ends at %.2f s, before the start time %.2f s", end, start);
    else
        std::snprintf(cause, sizeof(cause), "ends at the start time, %.2f s", end);
    // Looping, the music's end plays it again from the start at once.
    if (mLoop) {
        NVN_LOG("warning", "Corvista", "Set-up %s: the music '%s' %s; with looping on, playing starts from 0",
                whereIs(mStartLine).c_str(), mMusicFile.c_str(), cause);
        return;
    }
    throw Exception("[Corvista] Nothing to play in %s: the music '%s' %s; playing would end at once (set the start "
                    "earlier, or loop=\"on\")",
                    whereIs(mStartLine).c_str(), mMusicFile.c_str(), cause);
}

void Corvista::openDisplay(int width, int height, bool fullscreen, const std::string& title) {
    display::WindowMode mode;
    mode.title = title;
    mode.width = width;
    mode.height = height;
    mode.fullscreen = fullscreen;
    mode.resizable = true;
    mWindowAskedFor = true;
    try {
        mDisplay = new display::DisplayGL(mode);
        if (!mSkipListener) mDisplay->addListener(this);
        mDisplay->open();
    } catch (const Exception& error) {
        throw Exception("[Corvista] Could not open the window set up in '%s': %s", mSetupFileName.c_str(),
                        error.what());
    }
    if (!mDumper) {
        mDisplay->setMode(1, 30.0f);
    } else {
        mDisplay->setMode(4, mDumpRate);
        if (mGrabImage.empty()) {
            // The window's real size: full screen and missing sizes differ from the set-up's numbers.
            mGrabImage.reset(new am::ImageObject(mDisplay->getWidth(), mDisplay->getHeight()));
            mDumper->setImage(mGrabImage);
        }
    }
    mDisplay->setArchive(&mArchives);
}

void Corvista::openMusic(const std::string& name) {
    std::string unreadable;
    am::FileDataHandle file = mArchives.getFile(name, -1, &unreadable);
    if (file.empty()) {
        // Named with the tag it came from, when it came from the set-up.
        const std::string from =
            mMusicLine > 0 && name == mMusicFile ? " (the music named in " + whereIs(mMusicLine) + ")" : "";
        throw Exception("Could not open the file '%s'!%s%s", name.c_str(), am::causeNote(unreadable).c_str(),
                        from.c_str());
    }
    mNoSound = !mMusic.setup(file);
    if (mNoSound)
        NVN_LOG("error", "Corvista", "The music '%s' cannot be played: the demo runs without sound", name.c_str());
}

void Corvista::setupEffects() {
    for (auto& entry : mScript.mCallbacks) {
        Effect* effect = dynamic_cast<Effect*>(entry.second);
        if (!effect) continue;
        effect->mDisplay = mDisplay;
        NVN_LOG("log", "app", "Loading effect: %s.", effect->mName.c_str());
        const double begin = platform::processSeconds();
        effect->setup();
        NVN_LOG("log", "app", "Loading effect '%s' took %.3f seconds\n", effect->mName.c_str(),
                platform::processSeconds() - begin);
    }
}

float Corvista::readClock() const {
    if (mDumper)
        return static_cast<float>(static_cast<double>(mDumpStart) + static_cast<double>(mDumpFrames) / mDumpRate);
    return mTimer.getTime();
}

bool Corvista::dumpReachedEnd(float clock) const {
    return script::hasReached(clock, script::frameSlack(clock), mScript.mLength);
}

void Corvista::setClock(float t) {
    if (mDumper) {
        mDumpStart = t;
        mDumpFrames = 0;
    } else {
        mTimer.setTime(t);
    }
}

void Corvista::setTime(float t) {
    if (!(t >= 0.0f)) t = 0.0f;
    if (!mNoSound && mMusic.getSampleRate() > 0) {
        mMusic.setPosition(musicFrameAt(t));
        t = static_cast<float>(mMusic.getPosition()) / static_cast<float>(mMusic.getSampleRate());
    }
    setClock(t);
    if (mPaused) mPauseTime = t;
    // Keys handled before the next frame (another seek, Space, Ctrl+T) start from here.
    mClock = t;
    mMusicTime = t;
    mOsdShownAt = t;
}

bool Corvista::musicEndsBy(float t) const {
    if (mNoSound || mMusic.getSampleRate() <= 0) return false;
    // A time at or past the music's last frame has reached its end too.
    const float end = static_cast<float>(static_cast<double>(mMusic.getLength()) / mMusic.getSampleRate());
    return script::hasReached(t, script::frameSlack(t), end);
}

int Corvista::musicFrameAt(float t) const {
    const float rate = static_cast<float>(mMusic.getSampleRate());
    const double wanted = std::floor(static_cast<double>(rate) * std::max(t, 0.0f));
    return static_cast<int>(std::min(wanted, static_cast<double>(mMusic.getLength())));
}

void Corvista::handleMusicEnd() {
    if (mNoSound || mPaused || mMusic.isPlaying()) return;
    if (!mLoop) {
        // End the loop through the display's own close request, so everything is torn down and the
        // settings are written back.
        if (mDisplay) mDisplay->requestClose();
        return;
    }
    // Play again from the start; the demo clock goes back to 0 with the music.
    mMusic.setPosition(0);
    mMusic.play();
    setClock(0.0f);
}

void Corvista::onFrame() {
    handleMusicEnd();
    mClock = mPaused ? mPauseTime : readClock();
    if (mDumper && !mPaused) ++mDumpFrames;
    if (mNoSound || mMusic.getSampleRate() <= 0)
        mMusicTime = mClock;
    else
        mMusicTime = static_cast<float>(mMusic.getPosition()) / static_cast<float>(mMusic.getSampleRate());
    if (!mDisplayConfigured) return;

    if (mDumper && dumpReachedEnd(mClock)) {
        // The dump is complete once the clock has reached the end of the timeline, where no entry
        // plays any more.
        mDisplay->requestClose();
        return;
    }
    const bool panelShown = editorPanelShown();
    // A dump's frames hold the whole demo, panel or not: the panel is drawn over it after the grab.
    if (panelShown && !mDumper) {
        // The demo goes into the top-right quarter. The rest of the window starts black (nothing of
        // an earlier frame stays under the panel); the layout covers it.
        const int w = mDisplay->getWidth();
        const int h = mDisplay->getHeight();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        display::checkGLError(__FILE__, __LINE__, "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)");
        glViewport(w - w / 2, h / 2, w / 2, h / 2);
        display::checkGLError(__FILE__, __LINE__, "glViewport(w - w / 2, h / 2, w / 2, h / 2)");
    }
    mScript.update(mClock);
    // A paused dump writes nothing: frame n stays the demo at the dump's start + n / rate.
    if (mDumper && !mPaused) dumpFrame();
    if (mDumper || (!panelShown && mOsdShow && mMusicTime < mOsdShownAt + mOsdDelay)) {
        drawTimeBar();
    }
}

void Corvista::dumpFrame() {
    const int width = mDisplay->getWidth();
    const int height = mDisplay->getHeight();
    // The dumper holds its own handle to the same image, so a new window size is taken in place.
    if (mGrabImage->getWidth() != width || mGrabImage->getHeight() != height) mGrabImage->create(width, height);
    mDisplay->grabScreen(mGrabImage);
    mDumper->writeFrame();
    // The first frame that cannot be written stops the dump, as Escape would.
    const am::VideoFileImageDumper* frames = imageDumper();
    if (frames && frames->failed()) mDisplay->requestClose();
    const std::string progress = mDumpProgress.frame(platform::processSeconds(), mClock, mScript.mLength);
    if (!progress.empty()) NVN_LOG("log", "app", "%s", progress.c_str());
}

am::VideoFileImageDumper* Corvista::imageDumper() const { return dynamic_cast<am::VideoFileImageDumper*>(mDumper); }

void Corvista::endDump(bool byError) {
    am::VideoFileImageDumper* frames = imageDumper();
    if (!frames || mDumpEnded) return;
    mDumpEnded = true;
    frames->end();
    mDumpFailed = frames->failed();
    const int onDisk = frames->framesOnDisk();
    const int lost = frames->framesLost();
    // Where the frames reach: the demo time of the frame that would come next.
    const float reached = readClock();
    if (mDumpFailed || dumpReachedEnd(reached)) {
        NVN_LOG("log", "app", "%s: %d frames on disk, %d lost", mDumpFailed ? "Dump stopped" : "Dump ended", onDisk,
                lost);
        return;
    }
    // Ended before the timeline's end: the video is short, and the line says by whom and where.
    std::string by = "the user";
    if (byError)
        by = "an error";
    else if (const int signal = platform::stopSignal())
        by = "signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
    NVN_LOG("log", "app", "Dump stopped by %s at %.2f s of %.2f s: %d frames on disk, %d lost", by.c_str(),
            static_cast<double>(reached), static_cast<double>(mScript.mLength), onDisk, lost);
}

int Corvista::onKeyDown(display::Event* event) {
    const int key = static_cast<display::KeyEvent*>(event)->key;
    const int modifiers = event->modifiers;
    if (mDumper && seeks(key, modifiers)) {
        // A seek would cut the video or repeat a stretch of it, out of step with the music.
        if (!mSeekOffSaid)
            NVN_LOG("warning", "app", "Seeking is off while dumping, so that the frames follow the timeline "
                                      "without a gap: Left, Right, T and Alt+T do nothing (Space still pauses)");
        mSeekOffSaid = true;
        return 0;
    }
    switch (key) {
    case KeyEscape:
    case KeyQ:
        return 2;
    case KeyLeft:
        setTime(mClock - kSeekStep);
        break;
    case KeyRight:
        setTime(mClock + kSeekStep);
        break;
    case KeyP:
        std::printf("%f\n", mClock);
        std::fflush(stdout);
        break;
    case KeySpace:
        mPauseTime = mClock;
        mOsdShownAt = mClock;
        mPaused = !mPaused;
        // Resumed at the very end, the music has ended: the next frame ends the demo or plays it
        // again from the start, as after playing through.
        if (!mNoSound && !(!mPaused && mMusic.getPosition() >= mMusic.getLength())) mMusic.setPaused(mPaused);
        // The music's mixing runs ahead of the last frame: held where the picture stands, it
        // resumes in step with the clock instead of gaining on it with every pause.
        if (mPaused && !mNoSound && mMusic.getSampleRate() > 0) mMusic.setPosition(musicFrameAt(mPauseTime));
        // A dump's clock stood still with its frame count: set again, it would repeat the last frame.
        if (!mPaused && !mDumper) setClock(mPauseTime);
        break;
    case KeyT:
        if (modifiers & kCtrl) {
            mStartTime = mMusicTime;
        } else if (modifiers & kAlt) {
            mStartTime = 0.0f;
            setTime(0.0f);
        } else {
            setTime(mStartTime);
        }
        mOsdShownAt = mClock;
        break;
    case KeyM:
        mMute = !mMute;
        if (!mNoSound) mMusic.setMuted(mMute);
        break;
    case KeyO:
        if (modifiers & kCtrl) {
            mOsdShow = !mOsdShow;
        } else {
            if (mClock < mOsdShownAt + mOsdDelay) mOsdLocation = (mOsdLocation + 1) % 3;
            mOsdShownAt = mClock;
        }
        break;
    default:
        break;
    }
    return 0;
}

void Corvista::drawTimeBar() {
    // Whatever the effects left: no program, the display's default state.
    glUseProgram(0);
    mDisplay->resetState();
    const mathbase::Matrix4x4Col identity;
    mDisplay->setProjection(identity);
    mDisplay->resetModelMatrix();
    mDisplay->setViewMatrix(identity);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    display::checkGLError(__FILE__, __LINE__, "glEnable(GL_BLEND)");

    const float yc = -static_cast<float>(mOsdLocation - 1) * 0.9313726f;
    const float length = mDemoLength > 0.0f ? mDemoLength : 1.0f;
    const float startX = mStartTime * 2.0f / length * 0.98f - 0.98f;
    const float nowX = mMusicTime * 2.0f / length * 0.98f - 0.98f;
    auto rect = [yc](float x1, float x2, float y1, float y2) {
        glVertex2f(x1, yc + y1);
        glVertex2f(x2, yc + y1);
        glVertex2f(x2, yc + y2);
        glVertex2f(x1, yc + y2);
    };
    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    rect(-0.98f, 0.98f, -0.03f, 0.03f);
    glColor4f(0.0f, 1.0f, 0.0f, 0.6f);
    rect(startX, startX + 0.005f, -0.028f, 0.028f);
    glColor4f(1.0f, 1.0f, 1.0f, 0.8f);
    rect(nowX, nowX + 0.005f, -0.028f, 0.028f);
    glEnd();
    display::checkGLError(__FILE__, __LINE__, "glEnd()");

    glLineWidth(1.0f);
    glBegin(GL_LINE_LOOP);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glVertex2f(-0.98f, yc - 0.03f);
    glVertex2f(0.98f, yc - 0.03f);
    glVertex2f(0.98f, yc + 0.03f);
    glVertex2f(-0.98f, yc + 0.03f);
    glVertex2f(-0.98f, yc - 0.03f);
    glEnd();
    display::checkGLError(__FILE__, __LINE__, "glEnd()");
}

} // namespace norvane::corvista
