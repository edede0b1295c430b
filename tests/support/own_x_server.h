#pragma once
// An X server of a test's own (Xvfb), for what would disturb the tests running beside it on the
// shared one: a window manager, or a name changed on the root window.

#include <sys/types.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace xtest {

// Starts a shell command in the background: its process id, then the number it writes (when asked).
inline pid_t startInBackground(const std::string& command, int* number = nullptr) {
    FILE* shell = popen((command + " & echo $!").c_str(), "r");
    int pid = -1;
    if (shell && std::fscanf(shell, "%d", &pid) == 1 && number && std::fscanf(shell, "%d", number) != 1) *number = -1;
    if (shell) pclose(shell);
    return pid;
}

// Started with the object, ready once started() is true, and killed with it.
class OwnXServer {
public:
    OwnXServer() { mPid = startInBackground("Xvfb -displayfd 3 -nolisten tcp -noreset 3>&1 >/dev/null 2>&1", &mNumber); }
    ~OwnXServer() {
        if (mPid > 0) kill(mPid, SIGKILL);
    }
    OwnXServer(const OwnXServer&) = delete;
    OwnXServer& operator=(const OwnXServer&) = delete;

    bool started() const { return mNumber >= 0; }
    std::string name() const { return ":" + std::to_string(mNumber); }

private:
    pid_t mPid = -1;
    int mNumber = -1;
};

} // namespace xtest
