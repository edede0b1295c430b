#include "meshfx_support.h"

#include "am_image.h"
#include "nvn_system.h"
#include "scr_reader.h"

#include <GL/glew.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace meshfx {

namespace {
int brightest(const unsigned char* p) { return std::max(p[0], std::max(p[1], p[2])); }
} // namespace

int Frame::litCount(int threshold) const {
    int n = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) n += brightest(&rgba[i]) > threshold;
    return n;
}

double Frame::litMean(int channel, int threshold) const {
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        if (brightest(&rgba[i]) <= threshold) continue;
        sum += rgba[i + channel];
        ++n;
    }
    return n ? sum / n : 0.0;
}

double Frame::total() const {
    double sum = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) sum += rgba[i] + rgba[i + 1] + rgba[i + 2];
    return sum;
}

double Frame::difference(const Frame& other) const {
    double sum = 0;
    for (size_t i = 0; i < rgba.size(); ++i) sum += std::abs(int(rgba[i]) - int(other.rgba[i]));
    return sum / static_cast<double>(rgba.size());
}

void Frame::litCentre(double& x, double& y, int threshold) const {
    double sx = 0, sy = 0;
    int n = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            if (brightest(at(i, j)) > threshold) {
                sx += i + 0.5;
                sy += j + 0.5;
                ++n;
            }
    x = n ? sx / n / width : -1;
    y = n ? sy / n / height : -1;
}

int Frame::litIn(double x0, double y0, double x1, double y1, int threshold) const {
    int n = 0;
    for (int j = static_cast<int>(y0 * height); j < static_cast<int>(y1 * height); ++j)
        for (int i = static_cast<int>(x0 * width); i < static_cast<int>(x1 * width); ++i)
            n += brightest(at(i, j)) > threshold;
    return n;
}

void Recorder::onFrame() {
    glClearColor(clearRed, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (script) script->update(time);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    frame.width = viewport[2];
    frame.height = viewport[3];
    frame.rgba.assign(static_cast<size_t>(frame.width) * frame.height * 4, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
}

void MeshEffectTest::SetUp() {
    mArchives.reset(new norvane::am::ArchiveManager());
    ASSERT_GE(mArchives->addArchive(MESHFX_DEMO_DIR), 0);
    norvane::display::WindowMode mode;
    mode.title = "meshfx test";
    mode.width = Width;
    mode.height = Height;
    mDisplay.reset(new norvane::display::DisplayGL(mode));
    mDisplay->open();
    mDisplay->setMode(norvane::display::ModeUnpaced, 60);
    mDisplay->setArchive(mArchives.get());
    mRecorder.script = &mScript;
    mDisplay->addListener(&mRecorder);
}

void MeshEffectTest::TearDown() {
    if (mDisplay) mDisplay->removeListener(&mRecorder);
}

void MeshEffectTest::loadScript(const std::string& xml) {
    std::string error;
    ASSERT_TRUE(norvane::script::ScriptReader::loadScript(xml.data(), static_cast<int>(xml.size()), mScript, &error))
        << error;
    mScript.computeLength();
}

Frame MeshEffectTest::play(float t, const std::string& name) {
    mRecorder.time = t;
    EXPECT_TRUE(mDisplay->update());
    const Frame& frame = mRecorder.frame;
    // The picture, top row first, B G R A, as the PNG codec takes it.
    norvane::am::Image image(new norvane::am::ImageObject(frame.width, frame.height));
    unsigned char* out = image->getWriteData();
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x, out += 4) {
            const unsigned char* p = frame.at(x, frame.height - 1 - y);
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            out[3] = 255;
        }
    norvane::am::FileDataHandle png = mArchives->getImageManager()->saveImage(name + ".png", image);
    EXPECT_FALSE(png.empty());
    if (!png.empty()) {
        std::filesystem::create_directories(MESHFX_FRAMES_DIR);
        std::ofstream file(std::string(MESHFX_FRAMES_DIR) + "/" + name + ".png", std::ios::binary);
        file.write(png->bytes, png->size);
    }
    return frame;
}

std::string thrownText(void (*statement)(void*), void* context) {
    try {
        statement(context);
    } catch (const norvane::Exception& error) {
        return error.what();
    }
    return std::string();
}

} // namespace meshfx
