#include "bot.h"

#include "dis_display.h"
#include "dis_fbo.h"
#include "dis_glcheck.h"
#include "kvx_manager.h"
#include "nvn_system.h"
#include "scene_file.h"

#include <GL/glew.h>

#include <cmath>
#include <cstdio>
#include <memory>

using norvane::Exception;
using norvane::mathbase::EulerAngles;
using norvane::mathbase::Matrix4x4Col;
using norvane::mathbase::Quaternion;

typedef Bot::Vec3 Vec3;

const char* const Bot::ScenePath = "bot/robot.kvx";

namespace {

const float kPi = 3.1415927f;

// Indices of the body's children in the tree that setup builds.
enum { Head = 0, Leg1 = 1, Leg2 = 2, Card = 3, Arm1 = 4, Arm2 = 5 };

Matrix4x4Col transform(const Vec3& position, const Vec3& angles) {
    Quaternion rotation;
    rotation.fromEuler(EulerAngles(angles.x, angles.y, angles.z, 0));
    Matrix4x4Col m;
    m.setTransform(position, rotation, Vec3(1.0f, 1.0f, 1.0f));
    return m;
}

} // namespace

Bot::Bot(EffectShared* shared)
    : mShared(shared), program(nullptr), card(nullptr), shadow(nullptr), floor(nullptr) {}

Bot::~Bot() {
    for (auto& entry : meshes) delete entry.second;
}

norvane::torvik::Mesh* Bot::findMesh(const std::string& name) const {
    auto it = meshes.find(name);
    return it == meshes.end() ? nullptr : it->second;
}

void Bot::setup() {
    {
        norvane::kvx::Manager scene;
        loadSceneFile(mDisplay, ScenePath, scene);
        for (norvane::kvx::Mesh* source : scene.meshes) {
            std::unique_ptr<norvane::torvik::Mesh> mesh(new norvane::torvik::Mesh(mDisplay));
            mesh->loadWithNormals(*source, 1);
            norvane::torvik::Mesh*& slot = meshes[mesh->name];
            delete slot; // a later mesh of the same name takes the place
            slot = mesh.release();
            std::printf("Loading mesh: %s\n", slot->name.c_str());
        }
    }

    const struct {
        norvane::display::Texture* texture;
        const char* file;
    } textures[] = {{&card, "bot/bot.png"}, {&shadow, "bot/shadow.png"}, {&floor, "bot/logo.png"}};
    for (const auto& entry : textures) {
        entry.texture->mDisplay = mDisplay;
        entry.texture->load(entry.file, true);
        entry.texture->setup();
    }

    Part body(Vec3(0, 0, 0), Vec3(0, 0, 0), "body");
    Part head(Vec3(0, 3.268f, 0), Vec3(0, kPi, 0), "head");
    head.children.push_back(Part(Vec3(0, 0.3f, 0.5f), Vec3(0, kPi, 0), "brus"));
    Part leg1(Vec3(-0.629f, 0.33f, 0), Vec3(0, 0, 0), "leg");
    leg1.children.push_back(Part(Vec3(0, -1.98f, 0), Vec3(0, 0, 0), "foot"));
    Part leg2(Vec3(0.629f, 0.33f, 0), Vec3(0, 0, 0), "leg");
    leg2.children.push_back(Part(Vec3(0, -1.98f, 0), Vec3(0, 0, 0), "foot"));
    body.children.push_back(head);
    body.children.push_back(leg1);
    body.children.push_back(leg2);
    body.children.push_back(Part(Vec3(0, 1.5f, 1.0f), Vec3(0, 0, 0), "texture"));
    body.children.push_back(Part(Vec3(2.25f, 2.1f, 0), Vec3(0, 0, 0), "arm"));
    body.children.push_back(Part(Vec3(-2.25f, 2.1f, 0), Vec3(0, kPi, 0), "arm"));
    parts.clear();
    parts.push_back(body);

    program.mDisplay = mDisplay;
    program.loadFiles("bot/bot.vert", "bot/bot.frag");
}

float Bot::headAngle(float t) {
    float s = t;
    if (t > 3.141592653589793) s = kPi;
    if (t > 3.0f) s = static_cast<float>(s - 0.6 * std::sin(t - 3.0 + 3.141592653589793));
    return s;
}

void Bot::animate(float t) {
    if (parts.empty()) return;
    const float q = 4.0f * t;
    const float m = std::sin(q);
    Part& body = parts[0];
    body.position.y = static_cast<float>(0.3 * std::cos(2.0f * q + 3.3415926535897933));
    body.angles.z = static_cast<float>(0.05 * std::cos(q + 3.641592653589793));
    std::vector<Part>& c = body.children;
    c[Head].angles.y = headAngle(t);
    c[Leg1].angles.x = 0.6f * m;
    c[Leg2].angles.x = -0.6f * m;
    c[Leg1].children[0].angles.x = static_cast<float>(-0.6f * m - 0.4 * std::sin(q + 2.199114857512855));
    c[Leg2].children[0].angles.x = static_cast<float>(0.6f * m + 0.4 * std::sin(t + 2.199114857512855));
    c[Arm1].angles.x = 0.5f * m;
    c[Arm2].angles.x = -0.5f * m;
}

void Bot::quad(const float corners[4][5]) {
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(corners[i][0], corners[i][1]);
        glVertex3f(corners[i][2], corners[i][3], corners[i][4]);
    }
    DIS_GL(glEnd());
}

Bot::Reads Bot::reads() const { return {{}, {}}; }

void Bot::draw(float t, float /*step*/, float /*progress*/) {
    if (parts.empty() || !mDisplay) return; // not set up
    animate(t);
    const float q = 4.0f * t;

    const Vec3 eye(t, 3.5f, 2.0f * q + 1.0f), target(0.0f, 3.5f, 0.0f);
    Matrix4x4Col projection;
    projection.setPerspective(0.7853982f, 1.6f, 0.1f, 1000.0f);
    mDisplay->setProjection(projection);
    Matrix4x4Col view;
    view.setLookAt(eye, target, 0.0f);
    mDisplay->setViewMatrix(view);
    mDisplay->resetModelMatrix();
    Matrix4x4Col frame;
    frame.setLookAtFrame(eye, target, 0.0f);

    glColor3f(1.0f, 1.0f, 1.0f);
    DIS_GL(glEnable(GL_CULL_FACE));
    DIS_GL(glEnable(GL_DEPTH_TEST));
    program.use();
    program.setUniformMatrix("camera", frame);
    drawPart(parts[0], Matrix4x4Col());
    program.unuse();

    DIS_GL(glEnable(GL_BLEND));
    DIS_GL(glEnable(GL_TEXTURE_2D));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glEnable(GL_DEPTH_TEST));

    // The shadow breathes with the steps.
    shadow.bind();
    mDisplay->setModelMatrix(transform(Vec3(0.0f, -3.2f, 0.0f), Vec3(0, 0, 0)));
    glColor4f(1.0f, 1.0f, 1.0f, 0.1f);
    const float h = static_cast<float>(0.2 * std::cos(2.0f * q + 3.441592653589793) + 2.5);
    const float shadowQuad[4][5] = {{1, 1, -h, 0, -h}, {0, 1, h, 0, -h}, {0, 0, h, 0, h}, {1, 0, -h, 0, h}};
    quad(shadowQuad);
    shadow.unbind();

    floor.bind();
    mDisplay->setModelMatrix(transform(Vec3(0.0f, -3.2f, 25.0f), Vec3(0, kPi, 0)));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 0.9f);
    const float floorQuad[4][5] = {
        {1, 1, -16, 0, -16}, {0, 1, 16, 0, -16}, {0, 0, 16, 0, 16}, {1, 0, -16, 0, 16}};
    quad(floorQuad);
    floor.unbind();

    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glDisable(GL_TEXTURE_2D));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}

void Bot::drawPart(const Part& part, const Matrix4x4Col& parent) {
    Matrix4x4Col matrix = parent;
    matrix.multiply(transform(part.position, part.angles));
    mDisplay->setModelMatrix(matrix);

    if (part.name == "texture" || part.name == "brus") {
        norvane::display::Texture* texture = &card;
        if (part.name == "brus") {
            // The screen shows the target "screen"; without it there is nothing to show.
            texture = nullptr;
            if (mShared) {
                auto found = mShared->targets.find("screen");
                if (found != mShared->targets.end() && found->second) texture = found->second->texture;
            }
        }
        if (texture) {
            DIS_GL(glEnable(GL_TEXTURE_2D));
            DIS_GL(glEnable(GL_BLEND));
            DIS_GL(glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
            texture->bind();
            program.unuse();
            glColor3f(1.0f, 1.0f, 1.0f);
            if (texture == &card) {
                const float c[4][5] = {
                    {1, 1, -0.5f, -0.5f, 0}, {0, 1, 0.5f, -0.5f, 0}, {0, 0, 0.5f, 0.5f, 0}, {1, 0, -0.5f, 0.5f, 0}};
                quad(c);
            } else {
                const float c[4][5] = {
                    {1, 1, -0.7f, -0.5f, 0}, {1, 0, -0.7f, 0.5f, 0}, {0, 0, 0.7f, 0.5f, 0}, {0, 1, 0.7f, -0.5f, 0}};
                quad(c);
            }
            program.use();
            texture->unbind();
            DIS_GL(glDisable(GL_TEXTURE_2D));
        }
    } else if (norvane::torvik::Mesh* mesh = findMesh(part.name)) {
        mesh->draw(); // a part whose mesh the file lacks draws nothing
    }
    for (const Part& child : part.children) drawPart(child, matrix);
}
