// The program: builds the demo system and the effects, plays, and reports a fatal error.

#include "crv_corvista.h"
#include "crv_platform.h"
#include "demo_effects.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

// Command-line arguments change nothing: everything comes from the set-up file.
int demoMain(int /*argc*/, char** /*argv*/) {
    norvane::corvista::platform::openClosedStandardFiles();
    // The log is read as it grows, in a file or a pipe too.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    norvane::corvista::platform::closeOnStopSignals();
    int status = 0;
    try {
        norvane::corvista::Corvista demo;
        demo.setup();

        EffectShared shared;
        DemoEffects effects(&shared);
        effects.forEach([&demo](const char* name, norvane::corvista::Effect* effect) { demo.addEffect(name, effect); });

        demo.run();
        // A script that makes the video next must not go on; one that runs the demo again must know
        // that the settings changed in this run are lost.
        if (demo.dumpFailed()) status = 1;
        if (!demo.saveSettings()) status = 1;
    } catch (const std::exception& error) {
        std::printf("error: %s\n", error.what());
        std::fflush(stdout);
        norvane::corvista::platform::messageBox(
            "Error!", std::string("An error has occured. The message was as follows:\n\n") + error.what());
        return 1;
    }
    // Stopped from outside, the run ended as Escape ends it; the status says it was interrupted.
    if (const int signal = norvane::corvista::platform::stopSignal()) return 128 + signal;
    return status;
}

} // namespace

#ifdef HALCYRA_WINDOWED
// The windowed program's entry: its argument vector starts from the program's own path, as the
// system gives it, followed by the command line.
int main(int argc, char** argv) {
    std::string path = norvane::corvista::platform::modulePath();
    std::vector<char*> arguments;
    arguments.push_back(path.empty() ? argv[0] : &path[0]);
    for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    return demoMain(static_cast<int>(arguments.size()) - 1, arguments.data());
}
#else
int main(int argc, char** argv) { return demoMain(argc, argv); }
#endif
