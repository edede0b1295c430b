#include "glres_fixture.h"

#include "nvn_system.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

namespace glres {

using namespace norvane;

std::ostream& operator<<(std::ostream& out, const Rgba& p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

void GlTest::SetUp() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mDir = (std::filesystem::temp_directory_path() /
            ("glres_" + std::to_string(getpid()) + "_" + info->name()))
               .string();
    std::filesystem::create_directories(mDir);
    mArchives.reset(new am::ArchiveManager());
    ASSERT_EQ(0, mArchives->addArchive(mDir));
    display::WindowMode mode;
    mode.title = "glres test";
    mode.width = Size;
    mode.height = Size;
    mDisplay.reset(new display::DisplayGL(mode));
    mDisplay->open();
    mDisplay->setArchive(mArchives.get());
}

void GlTest::TearDown() {
    for (auto it = mFlags.rbegin(); it != mFlags.rend(); ++it) *it->first = it->second;
    mDisplay.reset();
    mArchives.reset();
    std::error_code ignored;
    std::filesystem::remove_all(mDir, ignored);
}

am::Image GlTest::makeImage(int width, int height, const std::function<Rgba(int, int)>& colourAt) {
    am::Image image(new am::ImageObject(width, height));
    unsigned char* p = image->getWriteData();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 4) {
            const Rgba c = colourAt(x, y);
            p[0] = static_cast<unsigned char>(c.b);
            p[1] = static_cast<unsigned char>(c.g);
            p[2] = static_cast<unsigned char>(c.r);
            p[3] = static_cast<unsigned char>(c.a);
        }
    }
    return image;
}

void GlTest::writeImage(const std::string& name, int width, int height,
                        const std::function<Rgba(int, int)>& colourAt) {
    am::Image image = makeImage(width, height, colourAt);
    ASSERT_TRUE(mArchives->saveImage(name, image)) << name;
}

void GlTest::writeText(const std::string& name, const std::string& text) {
    std::ofstream out(mDir + "/" + name, std::ios::binary);
    out << text;
}

void GlTest::begin2D() {
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glViewport(0, 0, Size, Size);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glColor4f(1, 1, 1, 1);
}

void GlTest::drawQuad(float x0, float y0, float x1, float y1, float s0, float t0, float s1, float t1) {
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(x0, y0);
    glTexCoord2f(s1, t0);
    glVertex2f(x1, y0);
    glTexCoord2f(s1, t1);
    glVertex2f(x1, y1);
    glTexCoord2f(s0, t1);
    glVertex2f(x0, y1);
    glEnd();
}

Rgba GlTest::pixel(int x, int y) {
    unsigned char p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

void GlTest::savePicture(const std::string& name) {
    std::vector<unsigned char> rgba(static_cast<size_t>(Size) * Size * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, Size, Size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    am::Image image = makeImage(Size, Size, [&](int x, int y) {
        const unsigned char* p = &rgba[(static_cast<size_t>(Size - 1 - y) * Size + x) * 4];
        return Rgba{p[0], p[1], p[2], 255};
    });
    am::FileDataHandle file = mArchives->getImageManager()->saveImage(name + ".png", image);
    ASSERT_FALSE(file.empty());
    const char* dir = std::getenv("GLRES_PICTURES");
    const std::string outDir = dir ? dir : (std::filesystem::temp_directory_path() / "glres_pictures").string();
    std::filesystem::create_directories(outDir);
    std::ofstream out(outDir + "/" + name + ".png", std::ios::binary);
    out.write(file->bytes, file->size);
}

void GlTest::reopen() {
    mDisplay->close();
    mDisplay->open();
}

void GlTest::pretendMissing(GLboolean& flag) {
    mFlags.emplace_back(&flag, flag);
    flag = GL_FALSE;
}

std::string thrownText(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const Exception& e) {
        return e.what();
    }
    return std::string();
}

} // namespace glres
