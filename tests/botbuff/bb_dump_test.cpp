// A short timeline of "buff" and then "bot" (whose screen shows "buff" drawn into a target)
// played over the generated sample content at fixed frame times; chosen frames are written as
// PNG files into the dump folder and must come out the same on every run.

#include "am_image.h"
#include "am_imagecodec.h"
#include "bb_support.h"
#include "bot.h"
#include "buff.h"
#include "clear.h"
#include "dis_fbo.h"
#include "dis_texture.h"
#include "scr_reader.h"
#include "scr_script.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

namespace {

const int kWidth = 320, kHeight = 200;

const char* const kTimeline = R"(<?xml version="1.0"?>
<script>
	<effect name="clear" start="0" end="12"/>
	<effect name="buff" start="0" end="6">
		<trigger name="lofter" value="on" start="0.5"/>
		<spline name="spaceamount" type="linear">
			<key time="0" value="0"/>
			<key time="4" value="0"/>
			<key time="6" value="0.8"/>
		</spline>
	</effect>
	<effect name="screenpass" start="6" end="12">
		<effect name="buff" start="0" end="6"/>
	</effect>
	<effect name="bot" start="6" end="12"/>
</script>
)";

// Draws its children into the shared target "screen", the way the render-target effect does.
class ScreenPass : public norvane::corvista::Effect {
public:
    ScreenPass(norvane::display::DisplayGL* display, EffectShared* shared)
        : mFbo(display), mColour(display), mShared(shared) {
        mDisplay = display;
        mColour.configure(0, 0, norvane::display::Texture::LayoutDefault, norvane::display::Texture::TypeDefault,
                          norvane::display::Texture::TARGET_UNCHOSEN);
        mFbo.setSize(display->getWidth(), display->getHeight(), true);
        mFbo.attach(GL_COLOR_ATTACHMENT0_EXT, &mColour);
        mColour.bind();
        mColour.setWrap(false);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        mColour.unbind();
        mTarget.fbo = &mFbo;
        mTarget.texture = &mColour;
        mShared->targets["screen"] = &mTarget;
    }
    ~ScreenPass() override { mShared->targets.erase("screen"); }
    void draw(float, float, float) override {
        mFbo.bind();
        glClearColor(0, 0, 0, 0);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void postDraw(float, float, float) override { mFbo.unbind(); }

private:
    norvane::display::FBO mFbo;
    norvane::display::Texture mColour;
    RenderTarget mTarget;
    EffectShared* mShared;
};

uint64_t fnv1a(const unsigned char* data, size_t size) {
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
    return hash;
}

class DumpTest : public ::testing::Test {
protected:
    // Plays the timeline from 0 to 12 s at 30 frames a second with fresh effects and returns the
    // frames at the dump times, keyed by frame number.
    std::map<int, std::vector<unsigned char>> play(bbtest::Window& window) {
        EffectShared shared;
        Clear clear;
        Buff buff(&shared);
        Bot bot(&shared);
        ScreenPass screen(window.display(), &shared);
        clear.mDisplay = buff.mDisplay = bot.mDisplay = window.display();
        buff.setup();
        bot.setup();
        norvane::script::Script script;
        script.registerCallback("clear", &clear);
        script.registerCallback("buff", &buff);
        script.registerCallback("bot", &bot);
        script.registerCallback("screenpass", &screen);
        std::string error;
        EXPECT_TRUE(norvane::script::ScriptReader::loadScript(kTimeline, static_cast<int>(std::strlen(kTimeline)),
                                                              script, &error))
            << error;

        std::map<int, std::vector<unsigned char>> frames;
        const int dumped[] = {8, 30, 60, 105, 150, 177, 180, 195, 225, 270, 315, 357};
        for (int frame = 0; frame < 360; ++frame) {
            glViewport(0, 0, kWidth, kHeight);
            script.update(static_cast<float>(frame) / 30.0f);
            if (std::find(std::begin(dumped), std::end(dumped), frame) == std::end(dumped)) continue;
            std::vector<unsigned char>& pixels = frames[frame];
            pixels.resize(static_cast<size_t>(kWidth) * kHeight * 4);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        }
        return frames;
    }

    static void writePng(const std::string& file, const std::vector<unsigned char>& rgbaBottomUp) {
        norvane::am::ImageObject image(kWidth, kHeight);
        unsigned char* out = image.getWriteData();
        for (int y = 0; y < kHeight; ++y) {
            const unsigned char* row = &rgbaBottomUp[static_cast<size_t>(kHeight - 1 - y) * kWidth * 4];
            for (int x = 0; x < kWidth; ++x) {
                unsigned char* p = out + (static_cast<size_t>(y) * kWidth + x) * 4;
                p[0] = row[4 * x + 2];
                p[1] = row[4 * x + 1];
                p[2] = row[4 * x + 0];
                p[3] = 255;
            }
        }
        char* data = nullptr;
        int size = 0;
        norvane::am::ImageCodecPNG codec;
        ASSERT_TRUE(codec.encode(&data, &size, image));
        std::ofstream(file, std::ios::binary).write(data, size);
        std::free(data);
    }
};

TEST_F(DumpTest, BuffThenBotPlayTheSameOnEveryRun) {
    bbtest::Window window(kWidth, kHeight, true);
    const std::map<int, std::vector<unsigned char>> first = play(window);
    const std::map<int, std::vector<unsigned char>> second = play(window);
    ASSERT_EQ(first.size(), 12u);
    std::filesystem::create_directories(HALCYRA_DUMP_DIR);
    for (const auto& entry : first) {
        const std::vector<unsigned char>& pixels = entry.second;
        EXPECT_TRUE(pixels == second.at(entry.first)) << "frame " << entry.first << " differs between two plays";
        char name[64];
        std::snprintf(name, sizeof(name), "/botbuff.%06d.png", entry.first);
        writePng(std::string(HALCYRA_DUMP_DIR) + name, pixels);
        // The hashes let two separate runs be compared too.
        std::printf("frame %d (%.3f s): %016llx\n", entry.first, entry.first / 30.0,
                    static_cast<unsigned long long>(fnv1a(pixels.data(), pixels.size())));
        // Something was drawn: neither effect leaves the frame black.
        size_t lit = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) lit += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0;
        EXPECT_GT(lit, pixels.size() / 400) << "frame " << entry.first;
    }
}

} // namespace
