#include "e2e_process.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace e2e {

const char* const EditorFiles[3] = {"layout.xml", "editor_style.xml", "fonthelvete2.png"};
const char* const EffectFolders[14] = {"bot",      "buff", "clouds", "glow", "greets", "hedgehog", "hus",
                                       "hyperkub", "logo", "plane",  "planet", "rum",  "tunnel",   "vintage"};

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "halcyra-e2e-XXXXXX").string();
    if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp failed");
    mPath = pattern;
#ifdef HALCYRA_DEMO_ASSETS
    // Every registered effect loads its scene, images and shaders at start-up from these folders of
    // the built demo. Only they are taken: whatever else is there (frames of a video, say) is not.
    for (const char* folder : EffectFolders)
        std::filesystem::copy(std::filesystem::path(HALCYRA_DEMO_ASSETS) / folder,
                              std::filesystem::path(mPath) / folder, std::filesystem::copy_options::recursive);
#endif
    // The editor's files of the built sample demo, beside the program: <build>/source/ and <build>/demo/.
    const std::filesystem::path demo = std::filesystem::path(HALCYRA_PROGRAM).parent_path().parent_path() / "demo";
    for (const char* name : EditorFiles)
        if (std::filesystem::exists(demo / name) && !exists(name)) std::filesystem::copy_file(demo / name, file(name));
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(mPath, error);
}

void TempDir::write(const std::string& name, const std::string& text) const {
    const std::filesystem::path path = file(name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool TempDir::exists(const std::string& name) const { return std::filesystem::exists(file(name)); }

namespace {

// The root window: holding the focus there, no test window has it.
const std::string& rootWindow() {
    static std::string root;
    if (root.empty()) {
        root = shell("xdotool search --maxdepth 0 --name '' 2>/dev/null");
        const size_t line = root.find('\n');
        if (line != std::string::npos) root.resize(line);
    }
    return root;
}

} // namespace

void parkPointer() {
    // Every window opens at the screen's top left, there is no window manager, and each new window
    // takes the focus. xdotool types into the focused window through the server's own keyboard,
    // where keys of one test can reach another's window and a key whose release got lost stays
    // held for every later window. Keys here go as events to one window only (see sendKeys); this
    // puts the pointer and the focus off all windows and releases what may have been left held.
    shell("xdotool mousemove 1279 1023 windowfocus " + rootWindow() +
          " keyup Escape keyup q keyup space keyup Left keyup Right keyup t keyup p keyup m keyup o"
          " keyup ctrl keyup alt 2>/dev/null");
}

Process::Process(const std::string& program, const std::string& directory,
                 const std::vector<std::string>& environment, const Launch& launch)
    : mDirectory(directory) {
    parkPointer();
    std::string terminalName;
    if (launch.terminal) {
        mTerminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (mTerminal < 0 || grantpt(mTerminal) != 0 || unlockpt(mTerminal) != 0)
            throw std::runtime_error("no terminal for the program");
        terminalName = ptsname(mTerminal);
    }
    mPid = fork();
    if (mPid < 0) throw std::runtime_error("fork failed");
    if (mPid == 0) {
        if (launch.terminal) {
            // A session leader takes the first terminal it opens as its controlling terminal.
            close(mTerminal);
            if (setsid() < 0) _exit(126);
            const int input = open(terminalName.c_str(), O_RDWR);
            if (input < 0 || dup2(input, 0) < 0) _exit(126);
            if (input > 2) close(input);
        }
        if (chdir(directory.c_str()) != 0) _exit(126);
        const int out = open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0) _exit(126);
        dup2(out, 1);
        dup2(err, 2);
        for (int file : {out, err})
            if (file > 2) close(file); // the program gets them as its standard output and error only
        if (launch.stdoutClosed) close(1);
        for (int number : launch.ignoredSignals) ::signal(number, SIG_IGN);
        setenv("ALSOFT_DRIVERS", "null", 1);
        for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

Process::~Process() {
    kill();
    if (mTerminal >= 0) close(mTerminal);
}

bool Process::running() {
    if (mPid < 0) return false;
    int status = 0;
    const pid_t done = waitpid(mPid, &status, WNOHANG);
    if (done == 0) return true;
    mStatus = (done == mPid && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    mPid = -1;
    return false;
}

bool Process::wait(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void Process::kill() {
    if (mPid < 0) return;
    ::kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
    mPid = -1;
    mStatus = -1;
}

void Process::signal(int number) {
    if (mPid >= 0) ::kill(mPid, number);
}

bool Process::taken(int number, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const unsigned long long bit = 1ULL << (number - 1);
    while (running()) {
        // The signals pending for the whole process, then for its first thread, as hexadecimal masks.
        std::ifstream status("/proc/" + std::to_string(mPid) + "/status");
        unsigned long long pending = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("ShdPnd:", 0) == 0 || line.rfind("SigPnd:", 0) == 0)
                pending |= std::stoull(line.substr(7), nullptr, 16);
        if (!(pending & bit)) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true; // an ended program has nothing pending
}

bool Process::pressCtrlC() {
    // What the terminal does with a Ctrl+C typed at it: SIGINT from the kernel, not from a process.
    return mTerminal >= 0 && ioctl(mTerminal, TIOCSIG, SIGINT) == 0;
}

bool Process::waitsForInput(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        std::ifstream wchan("/proc/" + std::to_string(mPid) + "/task/" + std::to_string(mPid) + "/wchan");
        std::string where;
        std::getline(wchan, where);
        if (where.find("poll") != std::string::npos) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

std::string Process::out() const {
    std::ifstream in(mDirectory + "/.stdout", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Process::err() const {
    std::ifstream in(mDirectory + "/.stderr", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Result run(const std::string& program, const std::string& directory, double seconds,
           const std::vector<std::string>& environment, const Launch& launch) {
    Process process(program, directory, environment, launch);
    const bool ended = process.wait(seconds);
    if (!ended) process.kill();
    return Result{ended, process.status(), process.out(), process.err()};
}

std::string shell(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[256];
    while (fgets(buffer, sizeof(buffer), pipe)) output += buffer;
    pclose(pipe);
    return output;
}

std::string findWindow(const std::string& title, double seconds) {
    // A search can fail when other tests' windows come and go while it runs: ask again.
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        std::string id = shell("timeout 5 xdotool search --sync --name '^" + title + "$' 2>/dev/null");
        const size_t line = id.find('\n');
        if (line != std::string::npos) id.resize(line);
        if (!id.empty()) return id;
        sleepSeconds(0.1);
    } while (std::chrono::steady_clock::now() < end);
    return "";
}

void sendKeys(const std::string& window, const std::string& keys) {
    // With the focus elsewhere, xdotool sends the keys as events to this window alone.
    shell("xdotool windowfocus " + rootWindow() + " key --delay 40 --window " + window + " " + keys + " 2>/dev/null");
}

Window::Window(Process& process, const std::string& title, double seconds)
    : mProcess(process), mId(findWindow(title, seconds)) {}

double Window::keys(const std::string& keys) {
    std::istringstream names(keys);
    std::string key;
    double clock = -1000.0;
    while (names >> key) clock = step("key --window " + mId + " " + key);
    return clock;
}

double Window::step(const std::string& command) {
    // P prints the clock of the last drawn frame while the program reads its events, which can be
    // before the frame that sees the step. Sent with the step over the same connection, the first
    // P arrives after it; a second P, sent once the first was answered, is read in a later poll,
    // after a frame drawn with the step.
    if (printedClock(command) == -1000.0) return -1000.0;
    return printedClock("");
}

double Window::printedClock(const std::string& command) {
    const size_t before = printedClocks(mProcess.out()).size();
    shell("xdotool windowfocus " + rootWindow() + " " + command + " key --window " + mId + " p 2>/dev/null");
    // Generous: a frame of a sanitizer build on a busy machine can take a second.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const bool running = mProcess.running();
        const std::vector<double> clocks = printedClocks(mProcess.out());
        if (clocks.size() > before) return clocks.back();
        if (!running || std::chrono::steady_clock::now() > end) return -1000.0;
        sleepSeconds(0.01);
    }
}

std::vector<double> printedClocks(const std::string& output) {
    // A clock line: an optional minus, digits, a point and exactly six digits.
    auto isClock = [](const std::string& text) {
        size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
        const size_t whole = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i == whole || i >= text.size() || text[i] != '.') return false;
        const size_t fraction = ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i == text.size() && i - fraction == 6;
    };
    std::vector<double> clocks;
    std::istringstream in(output);
    std::string text;
    while (std::getline(in, text))
        if (isClock(text)) clocks.push_back(std::atof(text.c_str()));
    return clocks;
}

void sleepSeconds(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

} // namespace e2e
