#include "hyperkub.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "effect_shared.h"
#include "kvx_manager.h"
#include "mathbase/mb_matrix.h"
#include "nvn_system.h"
#include "scene_file.h"
#include "tvk_mesh.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

using norvane::mathbase::EulerAngles;
using norvane::mathbase::Matrix4x4Col;
using norvane::mathbase::Quaternion;
typedef norvane::mathbase::Vector3T<float> Vec3;

namespace {

float gBeat = 0.0f; // set to 1 by the trigger "beat", fading at 0.7 per second
float gAlp = 0.0f;  // value "alp": the alpha of the drawing colour
float gCamZ = 0.0f; // value "cam_z": pulls the camera's orbit back along z

const char* const kSceneFile = "hyperkub/objects.kvx";
const char* const kMeshNames[3] = {"hyperkub", "circle", "glowsphere"};
const float kNoTrain = 1000000.0f;
const float kTrainDone = 100000.0f;

Matrix4x4Col translation(const Vec3& v) {
    Matrix4x4Col m;
    m.setTranslation(v);
    return m;
}

} // namespace

HyperKub::HyperKub(EffectShared* shared)
    : mShared(shared), program(nullptr), environment(nullptr), material(&program), height(0.0f), active(false) {
    std::fill(starts, starts + TrainCount, kNoTrain);
}

HyperKub::~HyperKub() {
    for (auto& entry : meshes) delete entry.second;
}

float HyperKub::beat() { return gBeat; }
float HyperKub::alp() { return gAlp; }
float HyperKub::camZ() { return gCamZ; }
void HyperKub::resetShared() {
    gBeat = 0.0f;
    gAlp = 0.0f;
    gCamZ = 0.0f;
}

void HyperKub::setup() {
    if (!mDisplay || !mDisplay->getArchive()) throw norvane::Exception("HyperKub::setup; no display or archives to load from");
    {
        norvane::kvx::Manager scene;
        loadSceneFile(mDisplay, kSceneFile, scene);
        for (norvane::kvx::Mesh* source : scene.meshes) {
            norvane::torvik::Mesh* mesh = new norvane::torvik::Mesh(mDisplay);
            try {
                mesh->loadWithNormals(*source, 1);
            } catch (...) {
                delete mesh;
                throw;
            }
            auto found = meshes.find(mesh->name);
            if (found != meshes.end()) {
                delete found->second; // a later mesh of the same name replaces it
                found->second = mesh;
            } else {
                meshes[mesh->name] = mesh;
            }
        }
    }
    // Every frame draws all three: a scene without one of them is refused here, naming it.
    for (const char* name : kMeshNames) {
        if (meshes.find(name) == meshes.end())
            throw norvane::Exception("HyperKub; the scene '%s' has no mesh '%s'", kSceneFile, name);
    }

    program.mDisplay = mDisplay;
    program.loadFiles("hyperkub/metal.vert", "hyperkub/metal.frag");

    environment.mDisplay = mDisplay;
    environment.configure(0, 0, norvane::display::Texture::LayoutRGB, norvane::display::Texture::Type8,
                          GL_TEXTURE_CUBE_MAP);
    environment.load("hyperkub/cube.jpg", true);
    environment.setup(); // a faulty image fails here rather than at the first frame

    material.setProgram(&program);
    material.setTexture("environment", &environment);

    std::fill(starts, starts + TrainCount, kNoTrain);
    height = 0.0f;
    active = false;
}

HyperKub::Reads HyperKub::reads() const {
    return {{"active", "x", "y", "z", "beat"}, {"y", "alp", "cam_z"}};
}

void HyperKub::trigger(float local, const std::string& name, const std::string& value) {
    if (name == "x") {
        starts[0] = starts[1] = local;
    } else if (name == "y") {
        starts[2] = starts[3] = local;
    } else if (name == "z") {
        starts[4] = starts[5] = local;
    } else if (name == "active") {
        active = (value == "true");
    } else if (name == "beat") {
        gBeat = 1.0f;
    }
}

void HyperKub::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "y")
        height = value;
    else if (name == "alp")
        gAlp = value;
    else if (name == "cam_z")
        gCamZ = value;
}

void HyperKub::draw(float local, float step, float /*progress*/) {
    // A step backwards (a seek) never brightens the beat.
    gBeat = std::max(0.0f, gBeat - 0.7f * std::max(0.0f, step));

    EffectCamera& camera = mShared->camera;
    camera.eye = Vec3(2.5f * std::sin(0.2f * local), 1.5f * std::sin(0.25f * local), 2.5f * std::cos(0.2f * local) - gCamZ);
    camera.target = Vec3(0, 0, 0);
    camera.roll = 0.0f;
    if (!active) return;
    const auto object = meshes.find("hyperkub"), circle = meshes.find("circle"), sphere = meshes.find("glowsphere");
    if (object == meshes.end() || circle == meshes.end() || sphere == meshes.end()) return; // not set up

    const int width = mDisplay->getWidth(), screenHeight = mDisplay->getHeight();
    const float aspect =
        (width > 0 && screenHeight > 0) ? static_cast<float>(width) / static_cast<float>(screenHeight) : 1.0f;
    Matrix4x4Col projection;
    projection.setPerspective(1.5707964f, aspect, 0.1f, 100.0f);
    mDisplay->setProjection(projection);
    Matrix4x4Col view;
    view.setLookAt(camera.eye, camera.target, camera.roll);
    mDisplay->setViewMatrix(view);
    mDisplay->loadModelView();

    DIS_GL(glEnable(GL_DEPTH_TEST));
    DIS_GL(glEnable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glColor4f(1.0f, 1.0f, 1.0f, gAlp));

    Quaternion spin;
    spin.fromEuler(EulerAngles(0.7f * local, 1.5f * local, 0.0f, 0));
    Matrix4x4Col base;
    base.setTransform(Vec3(0, height, 0), spin, Vec3(1, 1, 1));

    material.use();
    material.setVec3("cameraPos", camera.eye);
    material.setFloat("beat", gBeat);
    mDisplay->setModelMatrix(base);
    material.setMatrix("object2world", base);
    object->second->draw();

    Vec3 spheres[TrainCount];
    for (int k = 0; k < TrainCount; ++k) {
        float s = local - starts[k];
        if (s < 0.0f) s = 1.0f;
        if (s > 1.0f) {
            starts[k] = kTrainDone;
            s = 1.0f;
        }
        const float w = (1.0f - s) * (1.0f - s);
        Vec3 d(0, 0, 0);
        const float sign = (k % 2 == 0) ? -1.0f : 1.0f;
        if (k / 2 == 0) d.x = sign;
        else if (k / 2 == 1) d.y = sign;
        else d.z = sign;
        Quaternion q;
        norvane::mathbase::rotationBetween(d, Vec3(0, 1, 0), q);
        Matrix4x4Col turn;
        turn.setRotation(q);
        spheres[k] = d * (w + 0.95f);

        float c = 1.0f;
        for (int j = 0; j < 8; ++j) {
            const float r = 0.95f + static_cast<float>(j) * w / 7.0f;
            Matrix4x4Col ring = base;
            ring.multiply(translation(d * r));
            ring.multiply(turn);
            Matrix4x4Col scale;
            scale.setScale(c);
            ring.multiply(scale);
            mDisplay->setModelMatrix(ring);
            material.setMatrix("object2world", ring);
            circle->second->draw();
            c *= 0.78f;
        }
    }
    material.unuse();

    for (const Vec3& position : spheres) {
        DIS_GL(glColor4f(0.0f, 0.0f, 0.0f, gAlp));
        Matrix4x4Col placed = base;
        placed.multiply(translation(position));
        mDisplay->setModelMatrix(placed);
        sphere->second->draw();
    }

    DIS_GL(glDisable(GL_DEPTH_TEST));
    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_BLEND));
}
