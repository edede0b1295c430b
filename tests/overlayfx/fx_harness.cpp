#include "fx_harness.h"

#include "am_image.h"
#include "scr_reader.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fx {

Rgb Frame::at(int x, int y) const {
    const unsigned char* p = &rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
    return Rgb{p[0], p[1], p[2]};
}

TempDir::TempDir() {
    char pattern[] = "/tmp/overlayfx_XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) throw std::runtime_error("no temporary folder");
    mPath = std::string(made) + "/";
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path path = mPath + name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Harness::Harness(int width, int height, const std::vector<std::string>& archives, bool withDemo) {
    for (const std::string& archive : archives) mArchives.addArchive(archive);
    if (withDemo) mArchives.addArchive(HALCYRA_DEMO_DIR);
    norvane::display::WindowMode mode;
    mode.title = "overlayfx test";
    mode.width = width;
    mode.height = height;
    mDisplay.reset(new norvane::display::DisplayGL(mode));
    mDisplay->setArchive(&mArchives);
    mDisplay->open();
    mDisplay->setMode(norvane::display::ModeUnpaced, 60);
    mDisplay->addListener(this);
}

Harness::~Harness() {
    mDisplay->removeListener(this);
    mDisplay.reset();
}

void Harness::add(const std::string& name, norvane::corvista::Effect* effect) {
    effect->mDisplay = mDisplay.get();
    effect->mName = name;
    mScript.registerCallback(name, effect);
    mEffects.emplace_back(name, effect);
}

void Harness::timeline(const std::string& xml) {
    std::string error;
    ASSERT_TRUE(norvane::script::ScriptReader::loadScript(xml.data(), static_cast<int>(xml.size()), mScript, &error))
        << error;
}

void Harness::setupAll() {
    std::vector<std::pair<std::string, norvane::corvista::Effect*>> ordered = mEffects;
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& entry : ordered) entry.second->setup();
}

Frame Harness::frameAt(float t) {
    mTime = t;
    mFrame = Frame();
    mDisplay->update();
    return mFrame;
}

void Harness::onFrame() {
    mScript.update(mTime);
    mFrame.width = mDisplay->getWidth();
    mFrame.height = mDisplay->getHeight();
    mFrame.rgba.assign(static_cast<size_t>(mFrame.width) * mFrame.height * 4, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, mFrame.width, mFrame.height, GL_RGBA, GL_UNSIGNED_BYTE, mFrame.rgba.data());
}

void Harness::dump(const Frame& frame, const std::string& name) {
    norvane::am::Image image(new norvane::am::ImageObject(frame.width, frame.height));
    unsigned char* out = image->getWriteData();
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const Rgb c = frame.at(x, y);
            unsigned char* p = out + (static_cast<size_t>(y) * frame.width + x) * 4;
            p[0] = static_cast<unsigned char>(c.b);
            p[1] = static_cast<unsigned char>(c.g);
            p[2] = static_cast<unsigned char>(c.r);
            p[3] = 255;
        }
    }
    norvane::am::ImageManager codecs;
    norvane::am::FileDataHandle file = codecs.saveImage(name + ".png", image);
    ASSERT_FALSE(file.empty());
    std::filesystem::create_directories(FX_DUMP_DIR);
    std::ofstream(std::string(FX_DUMP_DIR) + name + ".png", std::ios::binary)
        .write(file->bytes, static_cast<std::streamsize>(file->size));
}

norvane::am::Image demoImage(const std::string& name) {
    norvane::am::ArchiveManager archives;
    archives.addArchive(HALCYRA_DEMO_DIR);
    norvane::am::Image image;
    archives.loadImage(image, name, -1, true);
    return image;
}

void sampleLinear(const norvane::am::Image& image, float u, float v, float out[4]) {
    const int w = image->getWidth(), h = image->getHeight();
    const float x = u * w - 0.5f, y = v * h - 0.5f;
    const float fx = std::floor(x), fy = std::floor(y);
    const float tx = x - fx, ty = y - fy;
    auto texel = [&](int ix, int iy, int channel) {
        ix = ((ix % w) + w) % w;
        iy = ((iy % h) + h) % h;
        // Stored B, G, R, A.
        static const int order[4] = {2, 1, 0, 3};
        return image->getPixels()[(static_cast<size_t>(iy) * w + ix) * 4 + order[channel]] / 255.0f;
    };
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    for (int c = 0; c < 4; ++c) {
        const float top = texel(ix, iy, c) * (1 - tx) + texel(ix + 1, iy, c) * tx;
        const float bottom = texel(ix, iy + 1, c) * (1 - tx) + texel(ix + 1, iy + 1, c) * tx;
        out[c] = top * (1 - ty) + bottom * ty;
    }
}

} // namespace fx
