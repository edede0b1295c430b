#include "tunnel.h"

#include "dis_display.h"
#include "dis_glcheck.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

using norvane::mathbase::Matrix4x4Col;

namespace {

// Values of the timeline, shared by every instance.
float gWhite = 1.0f;
float gExpand = 0.0f;
float gAlpha = 1.0f;
float gBase = 0.0f;  // 1 on a "base" trigger, down to 0 within a quarter of a second
float gTurns = 0.0f; // "velkin" triggers so far

const float kPi = 3.1415927f;
const float kTwoPi = 6.2831855f;
const float kTwoToMinus32 = 2.3283064e-10f;
const float kBaseFadePerSecond = 4.0f;
const float kBannerSeconds = 12.0f;

// The noise generator's step.
uint32_t nextSeed(uint32_t seed) { return seed * 69069u + 5u; }

Tunnel::Vec3 curve(float u) {
    return Tunnel::Vec3(16.0f * std::sin(kTwoPi * u), 3.7f * std::cos(2.0f * kTwoPi * u), 16.0f * std::cos(kTwoPi * u));
}

Tunnel::Vec3 normalised(Tunnel::Vec3 v) {
    v.normalize();
    return v;
}

} // namespace

Tunnel::Frame Tunnel::frameAt(float u) {
    Frame frame;
    frame.position = curve(u);
    frame.tangent = normalised(curve(u + 0.001f) - frame.position);
    frame.tangent.cross(frame.side, Vec3(0.0f, 1.0f, 0.0f));
    frame.side.normalize();
    frame.tangent.cross(frame.up, frame.side);
    frame.radius = 1.25f * (std::cos(1.3f * u) * std::sin(3.0f * u) + 1.0f);
    return frame;
}

Tunnel::Tunnel(EffectShared* shared)
    : mGreets(nullptr), mProgram(nullptr), mVertices(nullptr), mIndices(nullptr), mShared(shared) {}

Tunnel::~Tunnel() = default;

float Tunnel::base() { return gBase; }
float Tunnel::turns() { return gTurns; }
void Tunnel::resetShared() {
    gWhite = 1.0f;
    gExpand = 0.0f;
    gAlpha = 1.0f;
    gBase = 0.0f;
    gTurns = 0.0f;
}

void Tunnel::setup() {
    mGreets.mDisplay = mDisplay;
    mGreets.load("greets/greets.png", true);
    mGreets.setup();

    mProgram.mDisplay = mDisplay;
    mProgram.loadFiles("tunnel/walls.vert", "tunnel/walls.frag");

    mVertexCount = 0;
    mIndexCount = 0;
    mVertices.mDisplay = mDisplay;
    mVertices.setup(mVertices.getFormat(), MaxVertices, nullptr);
    mIndices.mDisplay = mDisplay;
    mIndices.setup(GL_UNSIGNED_INT, MaxIndices, nullptr);

    uint32_t seed = nextSeed(nextSeed(19091986u));
    auto random = [&seed]() {
        seed = nextSeed(seed);
        return static_cast<float>(seed);
    };
    int cubes = 0;
    for (;;) {
        const Frame frame = frameAt(random() * kTwoToMinus32);
        const float angle = random() * kTwoToMinus32 * kTwoPi;
        const Vec3 direction = frame.up * std::sin(angle) + frame.side * std::cos(angle);
        const Vec3 centre = frame.position + direction * frame.radius;
        const float size = random() * 2.7939675e-11f + 0.23f;

        Matrix4x4Col matrix, scale;
        matrix.setTranslation(centre);
        scale.setScale(size);
        matrix.multiply(scale);

        const bool even = cubes % 2 == 0;
        if (!addCube(matrix, even ? 0.3f : 0.05f, even ? 0.2f : 0.05f, even ? 0.2f : 0.05f)) break;
        ++cubes;
    }
    std::printf("Created %d cubes\n", cubes);
    std::fflush(stdout);
}

bool Tunnel::addCube(const Matrix4x4Col& matrix, float red, float green, float blue) {
    if (mIndexCount + 24 >= MaxIndices || mVertexCount + 8 >= MaxVertices) return false;

    const float root3 = std::sqrt(3.0f);
    norvane::display::VertexP3N3C4b corners[8];
    int n = 0;
    for (int x = -1; x <= 1; x += 2) {
        for (int y = 1; y >= -1; y -= 2) {
            for (int z = -1; z <= 1; z += 2) {
                const Vec3 corner(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
                Vec3 position, normal;
                matrix.transformPoint(position, corner);
                matrix.transformVector(normal, Vec3(corner.x / root3, corner.y / root3, corner.z / root3));
                norvane::display::VertexP3N3C4b& v = corners[n++];
                v.pos[0] = position.x;
                v.pos[1] = position.y;
                v.pos[2] = position.z;
                v.nor[0] = normal.x;
                v.nor[1] = normal.y;
                v.nor[2] = normal.z;
                v.col[0] = static_cast<unsigned char>(255.0f * red);
                v.col[1] = static_cast<unsigned char>(255.0f * green);
                v.col[2] = static_cast<unsigned char>(255.0f * blue);
                v.col[3] = 255;
            }
        }
    }
    mVertices.replace(mVertexCount, 8, corners);

    // Six quads, counter-clockwise seen from outside.
    static const uint32_t faces[24] = {4, 5, 7, 6, 5, 1, 3, 7, 1, 0, 2, 3, 0, 4, 6, 2, 7, 3, 2, 6, 1, 5, 4, 0};
    mIndices.replace(mIndexCount, 24, faces, mVertexCount);
    mVertexCount += 8;
    mIndexCount += 24;
    return true;
}

Tunnel::Reads Tunnel::reads() const {
    return {{"base", "velkin"}, {"param", "param2", "white", "expand", "alpha"}};
}

void Tunnel::trigger(float /*local*/, const std::string& name, const std::string& /*value*/) {
    if (name == "base") gBase = 1.0f;
    else if (name == "velkin") gTurns += 1.0f;
}

void Tunnel::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "param") mParam = value;
    else if (name == "param2") mParam2 = value;
    else if (name == "white") gWhite = value;
    else if (name == "expand") gExpand = value;
    else if (name == "alpha") gAlpha = value;
}

void Tunnel::draw(float local, float step, float /*progress*/) {
    // A step backwards (a seek) never lights the walls again.
    gBase = std::max(0.0f, gBase - kBaseFadePerSecond * std::max(0.0f, step));
    gTurns = std::max(0.0f, gTurns);

    const float u = mParam + mParam2;
    const Vec3 eye = curve(u);
    const Vec3 lookAt = curve(u + 0.04f);

    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glEnable(GL_DEPTH_TEST));
    DIS_GL(glEnable(GL_CULL_FACE));

    const int width = mDisplay->getWidth(), height = mDisplay->getHeight();
    const float aspect = (width > 0 && height > 0) ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
    Matrix4x4Col projection;
    projection.setPerspective(1.3089969f, aspect, 0.015f, 50.0f);
    mDisplay->setProjection(projection);
    mDisplay->resetModelMatrix();
    Matrix4x4Col view;
    view.setLookAt(eye, lookAt, 0.2f * gTurns + local);
    mDisplay->setViewMatrix(view);

    mProgram.use();
    mProgram.setUniformFloat("white", gWhite);
    mProgram.setUniformFloat("expand", gExpand);
    mProgram.setUniformFloat("alpha", gAlpha);
    mProgram.setUniformFloat("base", std::sin(gBase * kPi / 2.0f));

    mDisplay->setIBO(&mIndices);
    mDisplay->setVBO(&mVertices);
    DIS_GL(glDepthRange(0.00001, 1.0));
    mDisplay->draw(GL_QUADS, 0, mIndexCount, 0, mVertexCount);
    mProgram.unuse();

    // Ready for an outline pass of the cube edges, which draws nothing.
    DIS_GL(glEnable(GL_LINE_SMOOTH));
    DIS_GL(glLineWidth(2.0f));
    DIS_GL(glPolygonMode(GL_FRONT_AND_BACK, GL_LINE));
    DIS_GL(glDepthRange(0.0, 0.99999));
    DIS_GL(glPolygonMode(GL_FRONT_AND_BACK, GL_FILL));

    mDisplay->setVBO(nullptr);
    mDisplay->setIBO(nullptr);

    DIS_GL(glEnable(GL_TEXTURE_2D));
    mGreets.bind();
    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDepthMask(GL_FALSE));
    if (local < kBannerSeconds) drawBanners();
    mGreets.unbind();
    DIS_GL(glDisable(GL_TEXTURE_2D));
    DIS_GL(glDepthMask(GL_TRUE));
}

void Tunnel::drawBanners() {
    for (int i = 0; i < 8; ++i) {
        const Frame frame = frameAt(0.2f + 0.0625f * static_cast<float>(i));
        Vec3 side = frame.side;
        Vec3 up = frame.up * 0.125f;
        if (i < 4) {
            // The first four stand half a turn about the curve.
            side = -side;
            up = -up;
        }
        Vec3 centre = frame.position;
        centre.y += 0.5f;
        const Vec3 topLeft = centre - side + up, topRight = centre + side + up;
        const Vec3 bottomRight = centre + side - up, bottomLeft = centre - side - up;
        const float top = 0.125f * static_cast<float>(i), bottom = top + 0.125f;

        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glBegin(GL_QUADS);
        glTexCoord2f(1.0f, top);
        glVertex3f(topLeft.x, topLeft.y, topLeft.z);
        glTexCoord2f(0.0f, top);
        glVertex3f(topRight.x, topRight.y, topRight.z);
        glTexCoord2f(0.0f, bottom);
        glVertex3f(bottomRight.x, bottomRight.y, bottomRight.z);
        glTexCoord2f(1.0f, bottom);
        glVertex3f(bottomLeft.x, bottomLeft.y, bottomLeft.z);
        glEnd();
        norvane::display::checkGLError(__FILE__, __LINE__, "glEnd()");
    }
}
