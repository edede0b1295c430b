#pragma once
// The demo system: owns the timeline, the archives, the music, the clock and the display, turns the
// set-up file into their settings, drives every frame and handles the playback keys.

#include "am_archivemanager.h"
#include "am_image.h"
#include "crv_dumpprogress.h"
#include "crv_effect.h"
#include "crv_music.h"
#include "dis_display.h"
#include "dis_listener.h"
#include "dis_timer.h"
#include "scr_script.h"

#include <string>
#include <utility>
#include <vector>

namespace norvane::am {
class VideoFile;
class VideoFileImageDumper;
} // namespace norvane::am

namespace norvane::xml {
class Slips;
class XmlParser;
} // namespace norvane::xml

class Gui;

namespace norvane::corvista {

class Corvista : public display::Listener {
public:
    Corvista();
    // Writes the adjustable settings back into "setup.local.xml" (when the user has one in "./",
    // saveSettings has not, and run did not refuse to start), then closes the window.
    ~Corvista() override;
    Corvista(const Corvista&) = delete;
    Corvista& operator=(const Corvista&) = delete;

    // Reads "setup.local.xml", or else "setup.xml", from "./": archives, display, time bar, timeline
    // script, frame dumping and music. Throws Exception naming the file and the cause.
    void setup();
    // Registers the effect under its timeline name (a repeated name replaces the earlier effect).
    void addEffect(const std::string& name, Effect* effect);
    // Opens the window and the music, sets every effect up and plays until the window closes. A
    // set-up that could show nothing or dump nothing is refused before the window opens.
    void run();
    // Writes the adjustable settings back into "setup.local.xml", when the user has one in "./";
    // false, with the cause logged, when they could not be written. Only the first call writes.
    bool saveSettings();
    // Opens the music through the archives; an undecodable file or no sound device switches sound off.
    void openMusic(const std::string& name);

    // Seeks the demo to t seconds (not before 0, not past the music).
    void setTime(float t);

    int onKeyDown(display::Event* event) override;
    void onFrame() override;
    // Control events of a set-up window: "button_run" closes the display, "button_exit" too.
    virtual void onControlEvent(const std::string& sourceName, int code);

    // A frame of the dump could not be written, which stopped it: the run has failed.
    bool dumpFailed() const { return mDumpFailed; }

    // The file the settings were read from ("setup.local.xml" or "setup.xml").
    const std::string& setupFileName() const { return mSetupFileName; }

    // Settings and state; public so that the tests can see them.
    display::DisplayGL* mDisplay = nullptr; // owned; created by openDisplay
    Gui* mGui = nullptr;                    // the timeline editor; created and deleted by run
    display::Timer mTimer;                  // the demo clock while playing
    bool mNoSound = false;                  // no music at all: the clock alone drives the demo
    bool mNoSoundAsked = false;             // the set-up file itself asked for mute="nosound"
    bool mMute = false;                     // music playing at volume 0
    Music mMusic;
    float mDemoLength = 500.0f; // replaced by the music's length when music plays
    std::string mMusicFile;
    bool mSetupDone = false;
    bool mDisplayConfigured = false;
    bool mLoop = false;
    bool mPaused = false;
    float mStartTime = 0.0f; // the start mark
    float mStartRead = 0.0f; // the start mark as the set-up file gave it
    float mMusicTime = 0.0f; // the music's position, or the clock without music
    float mClock = 0.0f;     // the demo clock of the current frame, or where a seek since then went
    float mPauseTime = 0.0f; // the clock frozen while paused
    bool mFullscreen = false;
    std::string mTitle;
    int mHeight = 0;
    int mWidth = 0;
    bool mOsdShow = true;
    int mOsdLocation = 0; // 0 top, 1 middle, 2 bottom
    float mOsdDelay = 2.0f;
    float mOsdShownAt = -100.0f;
    bool mSkipListener = true;
    int mSetupWidth = 0;
    int mSetupHeight = 0;
    std::string mSetupFile;
    std::string mSetupTitle;
    std::string mScriptFile;
    am::ArchiveManager mArchives;
    am::VideoFile* mDumper = nullptr; // owned
    am::Image mGrabImage;
    float mDumpRate = 60.0f;
    script::Script mScript;

private:
    void readSetup(const am::FileDataHandle& file);
    // Reads the tags of the document whose root is "demo"; what it does not read goes to slips.
    void readSetupTags(xml::XmlParser& document, xml::Slips& slips);
    // "'setup.xml', line 4": where in the set-up file a value was read ("'setup.xml'" for line 0).
    std::string whereIs(int line) const;
    // Logs each slip with the set-up file and its line.
    void warnSetupSlips(const xml::Slips& slips) const;
    // line: the line of the script tag that names the file.
    void loadScriptFile(const std::string& name, int line);
    // Names each timeline entry whose effect is not registered, and each trigger and spline that
    // the entry's effect does not read, with its script file and line.
    void warnUnknownEffects() const;
    // One past the last top-level entry that the script file of that index gave the timeline.
    size_t scriptFileEnd(size_t file) const;
    // rate: the rate text as read (60 when empty); line: the line of the dump tag.
    void createDumper(const std::string& name, const std::string& rateText, double rate, int line);
    // Refuses a dump that could not reach the timeline's end: more frames than a frame number
    // holds (an end of 1e30 s would fill the disk for ever).
    void checkDumpLength();
    // False when the file could not be written.
    bool saveSetup();
    // The start mark as written back: one the run did not move reads back as itself; one set with a
    // key has two decimals and is never later than the mark; and none is where the next start from
    // the same set-up would refuse it.
    std::string startMarkText() const;
    // Whether the next start from the same set-up would refuse the start mark t: a dump's at the
    // timeline's end, a play run's at the music's end where it does not loop.
    bool nextStartRefuses(float t) const;

    // Refuses what cannot run (no window, no music to play, a dump that can write no frame) and
    // warns of a dump's missing music.
    void checkBeforeOpening();
    // Opens the music, then the window.
    void start();
    // Refuses a start mark at or past the music's end, which would end a run without looping at once;
    // with looping, warns that playing starts from 0.
    void checkStartInMusic() const;
    void openDisplay(int width, int height, bool fullscreen, const std::string& title);
    void setupEffects();
    // Whether the editor panel is shown (the demo is then drawn into the top-right quarter, except
    // while dumping, whose frames hold the whole demo).
    bool editorPanelShown() const;

    // The demo clock: the timer while playing; while dumping, counted from the start of the dump by
    // the frames dumped, so frame n shows the demo at the float nearest to start + n / rate.
    float readClock() const;
    // Whether a dump's clock has reached the end of the timeline, in the sense the timeline gives
    // reaching a time: a frame on the end's time is not dumped.
    bool dumpReachedEnd(float clock) const;
    void setClock(float t);
    // The music's frame at demo time t, within the music.
    int musicFrameAt(float t) const;
    // Whether music plays and demo time t has reached its end, in the sense the timeline gives
    // reaching a time.
    bool musicEndsBy(float t) const;
    void handleMusicEnd();
    void dumpFrame();
    // Waits for the frames handed over and logs how the dump ended (at the timeline's end, stopped by
    // a failed frame, the user, a signal or an error), with how many frames are on disk and lost.
    void endDump(bool byError = false);
    am::VideoFileImageDumper* imageDumper() const;
    void drawTimeBar();

    std::string mSetupFileName;
    int mStartLine = 0; // the line of the time tag that set the start mark; 0: none did
    int mMusicLine = 0; // the line of the music tag that named the music file; 0: none did
    // Each script file read, with the index of its first top-level entry in the timeline.
    std::vector<std::pair<std::string, size_t>> mScriptFiles;
    float mDumpStart = 0.0f; // the demo time of the first frame of the dump
    long mDumpFrames = 0;    // frames drawn since then
    DumpProgress mDumpProgress;
    bool mDumpEnded = false;
    bool mDumpFailed = false;
    bool mSeekOffSaid = false; // the log said once why seeking is off while dumping
    bool mSettingsSaved = false;
    bool mStartRefused = false; // run refused to start: the set-up files stay as they were
    bool mWindowAskedFor = false; // the display was asked for (it may have refused at once)
};

} // namespace norvane::corvista
