#pragma once
// Every effect of the demo, built in one fixed order and named as the timeline knows them.

#include "bot.h"
#include "buff.h"
#include "clear.h"
#include "clouds.h"
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

// Members are constructed in declaration order and destroyed in reverse: keep the order.
struct DemoEffects {
    explicit DemoEffects(EffectShared* shared)
        : hyperkub(shared), clouds(shared), hedgehog(shared), hus(shared), rum(shared), buff(shared),
          tunnel(shared), plane(shared), logo(shared), bot(shared), flash(shared), flash2(shared),
          planet(shared), vintage(shared), waxOn(shared), waxOnDraw(shared) {
        clear.setColor(1.0f, 1.0f, 1.0f, 0.0f);
    }
    DemoEffects(const DemoEffects&) = delete;
    DemoEffects& operator=(const DemoEffects&) = delete;

    // Calls visit(name, effect) for every effect, in registration order.
    template <typename Visit> void forEach(Visit visit) {
        visit("clear", &clear);
        visit("kub", &kub);
        visit("rum", &rum);
        visit("hus", &hus);
        visit("hyperkub", &hyperkub);
        visit("clouds", &clouds);
        visit("hedgehog", &hedgehog);
        visit("plane", &plane);
        visit("buff", &buff);
        visit("tunnel", &tunnel);
        visit("logo", &logo);
        visit("flash", &flash);
        visit("flash2", &flash2);
        visit("planet", &planet);
        visit("vintage", &vintage);
        visit("waxon", &waxOn);
        visit("waxon_draw", &waxOnDraw);
        visit("bot", &bot);
    }

    Clear clear;
    Kub kub;
    HyperKub hyperkub;
    Clouds clouds;
    Hedgehog hedgehog;
    Hus hus;
    Rum rum;
    Buff buff;
    Tunnel tunnel;
    Flyg plane;
    Logo logo;
    Bot bot;
    Flash flash;
    Flash flash2;
    Planet planet;
    Vintage vintage;
    WaxOn waxOn;
    WaxOnDraw waxOnDraw;
};
