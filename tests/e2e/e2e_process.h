#pragma once
// Runs the real program in a temporary directory of its own and watches it from outside.

#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e {

// A fresh temporary directory, removed with everything in it at the end of the test. It starts
// with the timeline editor's files of the sample demo (EditorFiles), which every run needs, and
// where the test has the built demo's assets, with its effects' folders (EffectFolders).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return mPath; }
    std::string file(const std::string& name) const { return mPath + "/" + name; }
    void write(const std::string& name, const std::string& text) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string mPath;
};

// The editor's layout, its style and the GUI font, as the sample demo has them.
extern const char* const EditorFiles[3];
// The folders of the built sample demo that the effects load their files from (the glyph image
// that "kub" makes its noise texture from is one of the editor's files).
extern const char* const EffectFolders[14];

// Moves the pointer off every window and releases keys a broken sender may have left held.
void parkPointer();

// How a launcher may start the program, beyond its environment.
struct Launch {
    bool stdoutClosed = false;       // no descriptor 1, as `program >&-` starts it
    std::vector<int> ignoredSignals; // inherited as ignored, as nohup leaves SIGHUP
    bool terminal = false; // a session of its own whose terminal (standard input) the test types at
};

// One run of a program, its standard output and error captured into files of its directory.
class Process {
public:
    Process(const std::string& program, const std::string& directory,
            const std::vector<std::string>& environment = {}, const Launch& launch = {});
    ~Process(); // kills the program when it still runs

    // Waits up to the given seconds; false when the program still runs then.
    bool wait(double seconds);
    bool running();
    void kill();
    // Sends the signal to the program.
    void signal(int number);
    // Waits up to the given seconds until the program has taken the signal: none of that number is
    // pending any more (its handler has started). False when it is still pending then.
    bool taken(int number, double seconds);
    // Presses Ctrl+C at the program's terminal (launched with terminal): the terminal sends SIGINT.
    bool pressCtrlC();
    // Waits up to the given seconds until the program's first thread sleeps in poll(), as it does
    // waiting for the X server. False when it does not then.
    bool waitsForInput(double seconds);
    int status() const { return mStatus; } // exit status; -1 when killed or not ended
    std::string out() const;
    std::string err() const;

private:
    pid_t mPid = -1;
    int mStatus = -1;
    int mTerminal = -1; // the test's side of the program's terminal
    std::string mDirectory;
};

// Runs the program to its end (at most the given seconds).
struct Result {
    bool ended;
    int status;
    std::string out;
    std::string err;
};
Result run(const std::string& program, const std::string& directory, double seconds,
           const std::vector<std::string>& environment = {}, const Launch& launch = {});

// Runs a shell command; its standard output.
std::string shell(const std::string& command);

// The X window with exactly this title ("" when none shows up within the time).
std::string findWindow(const std::string& title, double seconds);
// Sends keys (xdotool names, such as "space", "ctrl+t") to the window.
void sendKeys(const std::string& window, const std::string& keys);

// The running program's window, driven one step at a time: after each step the program has read
// it and drawn a frame, told by the clock that the P key prints.
class Window {
public:
    Window(Process& process, const std::string& title, double seconds = 30);
    bool found() const { return !mId.empty(); }
    const std::string& id() const { return mId; }

    // Sends the keys one at a time, each once the program has drawn a frame after the one before
    // (keys handled in the same frame would all see that frame's clock). Returns the demo clock of
    // a frame drawn after the last one; -1000 when the program did not answer in time.
    double keys(const std::string& keys);
    // The demo clock of a frame drawn after everything sent so far.
    double clock() { return step(""); }
    // One xdotool command for this window (such as "mousemove --window ID 10 20"), then the same
    // wait as after a key.
    double step(const std::string& command);
    // The last key: the program ends, so nothing answers.
    void close(const std::string& key) { sendKeys(mId, key); }

private:
    double printedClock(const std::string& command);

    Process& mProcess;
    std::string mId;
};

// The clock values printed by the P key: lines of the form "%f".
std::vector<double> printedClocks(const std::string& output);

void sleepSeconds(double seconds);

} // namespace e2e
