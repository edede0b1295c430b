// "kub", "planet" and "vintage": short timelines drawn for real, frames dumped and checked against
// the images they show.

#include "clear.h"
#include "effect_shared.h"
#include "fx_harness.h"
#include "kub.h"
#include "logo.h"
#include "planet.h"
#include "vintage.h"
#include "waxon.h"
#include "waxon_draw.h"

#include "am_image.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>

using fx::Frame;
using fx::Harness;
using fx::Rgb;

namespace {

const int W = 128, H = 96;

int diff(const Rgb& a, const Rgb& b) {
    return std::max(std::abs(a.r - b.r), std::max(std::abs(a.g - b.g), std::abs(a.b - b.b)));
}

bool black(const Rgb& c) { return c.r == 0 && c.g == 0 && c.b == 0; }

// ---------------------------------------------------------------------------------------------
// kub

const char* const kKubTimeline = R"(<script>
	<effect name="clear" start="0" end="4"/>
	<effect name="kub" start="0" end="4">
		<spline name="x" type="square"><key time="0" value="1"/><key time="2" value="0"/></spline>
		<spline name="y"><key time="0" value="1"/></spline>
		<spline name="alpha" type="square"><key time="0" value="1"/><key time="1" value="0.5"/></spline>
	</effect>
</script>)";

TEST(Kub, NoiseCoversTheScreenJittersEveryFrameAndVanishesAtZeroWidth) {
    Harness harness(W, H);
    Clear clear;
    Kub kub;
    harness.add("clear", &clear);
    harness.add("kub", &kub);
    harness.timeline(kKubTimeline);
    harness.setupAll();

    // The noise texture: a private 512 x 512 copy with grey levels 0..254, opaque.
    ASSERT_EQ(kub.image->getWidth(), 512);
    ASSERT_EQ(kub.image->getHeight(), 512);
    std::set<int> levels;
    const unsigned char* p = kub.image->getPixels();
    for (int i = 0; i < 512 * 512; ++i, p += 4) {
        ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
        ASSERT_EQ(p[3], 255);
        levels.insert(p[0]);
    }
    EXPECT_EQ(*levels.begin(), 0);
    EXPECT_EQ(*levels.rbegin(), 254);

    const Frame a = harness.frameAt(0.1f), b = harness.frameAt(0.2f);
    Harness::dump(a, "kub_0.1");
    Harness::dump(b, "kub_0.2");
    int greyPixels = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Rgb c = a.at(x, y);
            greyPixels += (c.r == c.g && c.g == c.b);
        }
    EXPECT_EQ(greyPixels, W * H);  // the whole screen, grey
    EXPECT_NE(a, b);               // the window moved
    // Half the opacity over black: about half as bright on average.
    long sumFull = 0, sumHalf = 0;
    const Frame half = harness.frameAt(1.5f);
    Harness::dump(half, "kub_1.5");
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            sumFull += a.at(x, y).r;
            sumHalf += half.at(x, y).r;
        }
    EXPECT_NEAR(static_cast<double>(sumHalf) / sumFull, 0.5, 0.05);
    // x = 0: nothing visible.
    const Frame none = harness.frameAt(2.5f);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) ASSERT_TRUE(black(none.at(x, y)));
}

TEST(Kub, TwoClocksTwoJitters) {
    // The constructor reads the process clock, which moves on between two constructions.
    std::unique_ptr<Kub> first(new Kub()), second(new Kub());
    EXPECT_NE(first->seed, second->seed);
}

TEST(Kub, WorksOnAPrivateCopyAndLeavesTheCachedImageAlone) {
    Harness harness(32, 32);
    // Another user of the font image got it through the cache first.
    norvane::am::Image shared;
    harness.archives().loadImage(shared, "fonthelvete2.png");
    ASSERT_TRUE(harness.archives().getImageManager()->isCached(shared.get()));
    const int width = shared->getWidth(), height = shared->getHeight();
    const std::string before(reinterpret_cast<const char*>(shared->getPixels()), shared->getByteSize());

    Kub kub;
    harness.add("kub", &kub);
    EXPECT_NO_THROW(kub.setup());
    EXPECT_NE(kub.image.get(), shared.get());
    EXPECT_EQ(shared->getWidth(), width);
    EXPECT_EQ(shared->getHeight(), height);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(shared->getPixels()), shared->getByteSize()), before);
}

TEST(Kub, AMissingOrBrokenFontImageFailsAtSetupNamingIt) {
    fx::TempDir empty;
    norvane::am::ArchiveManager archives;
    archives.addArchive(empty.path());
    norvane::display::WindowMode mode;
    mode.width = mode.height = 16;
    norvane::display::DisplayGL display(mode);
    display.setArchive(&archives);
    display.open();
    Kub kub;
    kub.mDisplay = &display;
    EXPECT_THROW(kub.setup(), norvane::Exception);

    empty.write("fonthelvete2.png", "not a picture");
    try {
        kub.setup();
        ADD_FAILURE() << "set-up with a broken image";
    } catch (const norvane::Exception& error) {
        EXPECT_NE(std::string(error.what()).find("'fonthelvete2.png'"), std::string::npos) << error.what();
    }
}

// ---------------------------------------------------------------------------------------------
// planet

const char* const kPlanetTimeline = R"(<script>
	<effect name="clear" start="0" end="10"/>
	<effect name="planet" start="0" end="10">
		<spline name="intro" type="square"><key time="1" value="0"/><key time="5" value="0.5"/><key time="9" value="1.25"/></spline>
	</effect>
</script>)";

struct PlanetRun {
    Frame start, half, whole;
};

PlanetRun runPlanet(const std::string& dumpPrefix) {
    Harness harness(W, H);
    EffectShared shared;
    Clear clear;
    Planet planet(&shared);
    harness.add("clear", &clear);
    harness.add("planet", &planet);
    harness.setupAll();
    // Before the timeline drives it, intro is 0.
    EXPECT_EQ(planet.intro, 0.0f);
    PlanetRun run;
    harness.timeline(kPlanetTimeline);
    run.start = harness.frameAt(1.0f);
    run.half = harness.frameAt(5.5f);
    run.whole = harness.frameAt(9.5f);
    EXPECT_FLOAT_EQ(planet.intro, 1.0f); // beyond 1 is held at 1 once drawn
    if (!dumpPrefix.empty()) {
        Harness::dump(run.start, dumpPrefix + "_1.0");
        Harness::dump(run.half, dumpPrefix + "_5.5");
        Harness::dump(run.whole, dumpPrefix + "_9.5");
    }
    return run;
}

TEST(Planet, RevealsTheImageFromTheTopAndStretchesTheNextRowBelow) {
    const PlanetRun run = runPlanet("planet");

    // intro 0: one image row over the whole screen (every column one colour below the top row).
    for (int x = 0; x < W; ++x)
        for (int y = 1; y < H; ++y) ASSERT_EQ(diff(run.start.at(x, y), run.start.at(x, 1)), 0) << x << "," << y;

    // intro 0.5: the top half shows the image's top half in place (as the whole image does, give
    // or take the strip's one extra row); below it one row stretched down.
    const int r = H / 2;
    long difference = 0;
    for (int x = 0; x < W; ++x) {
        for (int y = 0; y < r; ++y) difference += diff(run.half.at(x, y), run.whole.at(x, y));
        for (int y = r + 2; y < H; ++y) ASSERT_EQ(diff(run.half.at(x, y), run.half.at(x, r + 1)), 0) << x << "," << y;
    }
    EXPECT_LT(static_cast<double>(difference) / (W * r), 6.0);

    // intro 1: the whole image over the whole screen: a warm planet in the middle; in the top
    // corners the image is clear space, so the black behind shows.
    norvane::am::Image image = fx::demoImage("planet/godsteam.png");
    const Rgb middle = run.whole.at(W / 2, H * 300 / 512);
    EXPECT_GT(middle.r, 120);
    EXPECT_GT(middle.r, middle.b + 30);
    float corner[4];
    fx::sampleLinear(image, 0.02f, 0.02f, corner);
    EXPECT_LT(run.whole.at(2, 2).r, 60);
    EXPECT_LT(corner[3], 0.25f);
}

TEST(Planet, TwoRunsDrawTheSameFrames) {
    const PlanetRun a = runPlanet(""), b = runPlanet("");
    EXPECT_EQ(a.start, b.start);
    EXPECT_EQ(a.half, b.half);
    EXPECT_EQ(a.whole, b.whole);
}

TEST(Planet, AlphaIsAcceptedButNotDrawn) {
    Harness harness(W, H);
    EffectShared shared;
    Clear clear;
    Planet planet(&shared);
    harness.add("clear", &clear);
    harness.add("planet", &planet);
    harness.setupAll();
    harness.timeline(kPlanetTimeline);
    const Frame opaque = harness.frameAt(5.5f);
    planet.setValue(0, "alpha", 0.2f);
    EXPECT_FLOAT_EQ(Planet::alpha(), 0.2f);
    EXPECT_EQ(harness.frameAt(5.5f), opaque);
    planet.setValue(0, "alpha", 0.0f);
}

// ---------------------------------------------------------------------------------------------
// vintage

// The picture "vintage" must give for the values: both images over black, the back one first,
// each through GL_LINEAR, at the heights the values put them (no zoom or turn: zed = out = 0).
Rgb vintageExpected(const norvane::am::Image& front, const norvane::am::Image& back, float alpha, float offset,
                    int x, int y) {
    const float c = 5.0f * std::cos(2.2f * alpha);
    const float backY = std::max(c - 0.1f, 0.0f) - 0.1f - 2.0f * offset;
    const float frontY = std::max(c, 0.0f) - 0.1f;
    const float sx = (x + 0.5f) / W * 2 - 1, sy = 1 - (y + 0.5f) / H * 2;
    float colour[3] = {0, 0, 0};
    auto layer = [&](const norvane::am::Image& image, float centre) {
        if (sy < centre - 1 || sy > centre + 1) return;
        float s[4];
        fx::sampleLinear(image, (sx + 1) / 2, (centre + 1 - sy) / 2, s);
        for (int i = 0; i < 3; ++i) colour[i] = s[3] * s[i] + (1 - s[3]) * colour[i];
    };
    layer(back, backY);
    layer(front, frontY);
    return Rgb{static_cast<int>(std::lround(colour[0] * 255)), static_cast<int>(std::lround(colour[1] * 255)),
               static_cast<int>(std::lround(colour[2] * 255))};
}

const char* const kVintageTimeline = R"(<script>
	<effect name="clear" start="0" end="6"/>
	<effect name="vintage" start="0" end="6">
		<spline name="alpha" type="square"><key time="0" value="0"/><key time="1.5" value="0.6"/><key time="2" value="0.714"/></spline>
		<spline name="offset" type="square"><key time="0" value="0"/><key time="3" value="0.2"/></spline>
		<spline name="out" type="square"><key time="0" value="0"/><key time="5" value="1"/></spline>
	</effect>
</script>)";

struct VintageRun {
    Frame above, sliding, inPlace, offset, out;
};

VintageRun runVintage(const std::string& dumpPrefix) {
    Harness harness(W, H);
    EffectShared shared;
    Clear clear;
    Vintage vintage(&shared);
    harness.add("clear", &clear);
    harness.add("vintage", &vintage);
    harness.timeline(kVintageTimeline);
    harness.setupAll();
    VintageRun run;
    run.above = harness.frameAt(0.0f);
    // Square keys: a value holds from just after its key's time.
    run.sliding = harness.frameAt(1.75f);
    run.inPlace = harness.frameAt(2.5f);
    run.offset = harness.frameAt(3.5f);
    run.out = harness.frameAt(5.5f);
    if (!dumpPrefix.empty()) {
        Harness::dump(run.above, dumpPrefix + "_0.0");
        Harness::dump(run.sliding, dumpPrefix + "_1.75");
        Harness::dump(run.inPlace, dumpPrefix + "_2.5");
        Harness::dump(run.offset, dumpPrefix + "_3.5");
        Harness::dump(run.out, dumpPrefix + "_5.5");
    }
    return run;
}

// Pixels further than a rounding step from the expected picture; the quads' edges may differ by
// a row.
int mismatches(const Frame& frame, float alpha, float offset) {
    norvane::am::Image front = fx::demoImage("vintage/vintage.png"), back = fx::demoImage("vintage/vintage2.png");
    int bad = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) bad += diff(frame.at(x, y), vintageExpected(front, back, alpha, offset, x, y)) > 6;
    return bad;
}

TEST(Vintage, SlidesBothImagesInThenFadesThemOut) {
    const VintageRun run = runVintage("vintage");
    // alpha 0: both images far above the screen.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) ASSERT_TRUE(black(run.above.at(x, y)));
    // On the way in, in place (cos(2.2 alpha) = 0) and with the back image pushed down.
    EXPECT_LT(mismatches(run.sliding, 0.6f, 0.0f), W * H / 100);
    EXPECT_LT(mismatches(run.inPlace, 0.714f, 0.0f), W * H / 100);
    EXPECT_LT(mismatches(run.offset, 0.714f, 0.2f), W * H / 100);
    // In place, the top strip above the front image stays black; the back image shows through
    // the front one's clear middle.
    EXPECT_TRUE(black(run.inPlace.at(W / 2, 1)));
    EXPECT_FALSE(black(run.inPlace.at(W / 2, H / 2)));
    // out = 1: both fully transparent.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) ASSERT_TRUE(black(run.out.at(x, y)));
}

TEST(Vintage, TwoRunsDrawTheSameFrames) {
    const VintageRun a = runVintage(""), b = runVintage("");
    EXPECT_EQ(a.sliding, b.sliding);
    EXPECT_EQ(a.inPlace, b.inPlace);
    EXPECT_EQ(a.offset, b.offset);
}

// Effects that blend in a way of their own leave the blend function as every frame starts with
// it, so "vintage" drawn after them in the same frame looks as it does alone.
TEST(Vintage, LooksTheSameAfterEffectsThatBlendOtherwise) {
    const Frame alone = runVintage("").inPlace;
    Logo::resetParameters(); // no rows of beams: the logo blends nothing into the picture
    WaxOnDraw::resetShared(); // no beat: the "hyper" overlay is fully transparent
    const std::pair<const char*, const char*> before[] = {
        {"logo", R"(<effect name="logo" start="0" end="6"/>)"},
        {"glow", R"(<effect name="waxon" start="0" end="6"><trigger name="which" value="hyper" start="0"/></effect>
           <effect name="waxon_draw" start="0" end="6"><trigger name="which" value="hyper" start="0"/></effect>)"}};
    for (const auto& [tag, entries] : before) {
        Harness harness(W, H);
        EffectShared shared;
        Clear clear;
        Logo logo(&shared);
        WaxOn waxOn(&shared);
        WaxOnDraw waxOnDraw(&shared);
        Vintage vintage(&shared);
        harness.add("clear", &clear);
        harness.add("logo", &logo);
        harness.add("waxon", &waxOn);
        harness.add("waxon_draw", &waxOnDraw);
        harness.add("vintage", &vintage);
        std::string timeline = kVintageTimeline;
        timeline.insert(timeline.find("\t<effect name=\"vintage\""), std::string(entries) + "\n");
        harness.timeline(timeline);
        harness.setupAll();
        const Frame after = harness.frameAt(2.5f);
        Harness::dump(after, std::string("vintage_after_") + tag);
        int differing = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) differing += diff(after.at(x, y), alone.at(x, y)) != 0;
        EXPECT_EQ(differing, 0) << tag;
    }
}

} // namespace
