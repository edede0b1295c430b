// The program: builds the demo system and the effects, plays, and reports a fatal error.

#include "bot.h"
#include "buff.h"
#include "clear.h"
#include "clouds.h"
#include "crv_corvista.h"
#include "crv_platform.h"
#include "effect_shared.h"
#include "flash.h"
#include "flyg.h"
#include "hedgehog.h"
#include "hus.h"
#include "hyperkub.h"
#include "kub.h"
#include "logo.h"
#include "planet.h"
#include "rum.h"
#include "tunnel.h"
#include "vintage.h"
#include "waxon.h"
#include "waxon_draw.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

// Command-line arguments change nothing: everything comes from the set-up file.
int demoMain(int /*argc*/, char** /*argv*/) {
    try {
        norvane::corvista::Corvista demo;
        demo.setup();

        EffectShared shared;
        Clear clear;
        Kub kub;
        HyperKub hyperkub(&shared);
        Clouds clouds(&shared);
        Hedgehog hedgehog(&shared);
        Hus hus(&shared);
        Rum rum(&shared);
        Buff buff(&shared);
        Tunnel tunnel(&shared);
        Flyg plane(&shared);
        Logo logo(&shared);
        Bot bot(&shared);
        Flash flash(&shared);
        Flash flash2(&shared);
        Planet planet(&shared);
        Vintage vintage(&shared);
        WaxOn waxOn(&shared);
        WaxOnDraw waxOnDraw(&shared);
        clear.setColor(1.0f, 1.0f, 1.0f, 0.0f);

        demo.addEffect("clear", &clear);
        demo.addEffect("kub", &kub);
        demo.addEffect("rum", &rum);
        demo.addEffect("hus", &hus);
        demo.addEffect("hyperkub", &hyperkub);
        demo.addEffect("clouds", &clouds);
        demo.addEffect("hedgehog", &hedgehog);
        demo.addEffect("plane", &plane);
        demo.addEffect("buff", &buff);
        demo.addEffect("tunnel", &tunnel);
        demo.addEffect("logo", &logo);
        demo.addEffect("flash", &flash);
        demo.addEffect("flash2", &flash2);
        demo.addEffect("planet", &planet);
        demo.addEffect("vintage", &vintage);
        demo.addEffect("waxon", &waxOn);
        demo.addEffect("waxon_draw", &waxOnDraw);
        demo.addEffect("bot", &bot);

        demo.run();
    } catch (const std::exception& error) {
        std::printf("error: %s\n", error.what());
        std::fflush(stdout);
        norvane::corvista::platform::messageBox(
            "Error!", std::string("An error has occured. The message was as follows:\n\n") + error.what());
        return 1;
    }
    return 0;
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
