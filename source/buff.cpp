#include "buff.h"

#include "dis_display.h"
#include "dis_glcheck.h"
#include "kvx_manager.h"
#include "nvn_system.h"
#include "scene_file.h"

#include <GL/glew.h>

#include <cmath>
#include <cstdint>

using norvane::Exception;
using norvane::display::VertexP3N3T2;
using norvane::kvx::SceneNode;
using norvane::mathbase::Matrix4x4Col;
using norvane::mathbase::Quaternion;

typedef Buff::Vec3 Vec3;

const float Buff::StepLength = 0.008333334f;
const float Buff::MaxVerticalAngle = 3.13f;
const char* const Buff::ScenePath = "buff/scene.kvx";

namespace {

const float kOneTwelfth = 0.083333336f;
const float kTwoPi = 6.2831855f;

Vec3 normalized(const Vec3& v) {
    Vec3 out = v;
    out.normalize();
    return out;
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    Vec3 out;
    a.cross(out, b);
    return out;
}

bool isFinite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The unit vector along v, scaled first so that neither tiny nor huge components lose it; false
// (out unchanged) for a zero or broken vector.
bool unitOf(const Vec3& v, Vec3& out) {
    const float largest = std::fmax(std::fabs(v.x), std::fmax(std::fabs(v.y), std::fabs(v.z)));
    if (!(largest > 0.0f) || !std::isfinite(largest)) return false;
    Vec3 u = v * (1.0f / largest);
    u.normalize();
    if (!isFinite(u)) return false;
    out = u;
    return true;
}

// A unit vector across the direction, from the axis least along it.
Vec3 sideAcross(const Vec3& direction) {
    Vec3 axis;
    direction.minorAxis(axis);
    return normalized(cross(direction, axis));
}

void emit(const VertexP3N3T2& v) {
    glTexCoord2fv(v.tex);
    glNormal3fv(v.nor);
    glVertex3fv(v.pos);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Materials

Buff::MaterialRecord::MaterialRecord(const norvane::kvx::Material& material, const Buff* owner_)
    : boost(material.name == "boxmat" ? 2.5f : 1.0f), colour{1.0f, 1.0f, 1.0f, 1.0f}, owner(owner_) {
    for (const norvane::kvx::Material::Attribute* attribute : material.attributes) {
        if (!attribute || attribute->name != "diffuse") continue;
        colour[0] = attribute->value[0];
        colour[1] = attribute->value[1];
        colour[2] = attribute->value[2];
        colour[3] = 1.0f;
    }
}

// ---------------------------------------------------------------------------------------------
// Heads

Buff::Head::Head(norvane::display::DisplayGL* display, norvane::kvx::CurveInstance* curve_)
    : position(), direction(0.0f, 1.0f, 0.0f), side(1.0f, 0.0f, 0.0f), radius(0.5f), parameter(0.0f), curve(curve_),
      starting(true), lastPosition(), lastDirection(0.0f, 1.0f, 0.0f), lastSide(1.0f, 0.0f, 0.0f), lastRadius(0.5f),
      ring(), staging(), startRing(), vertices(display), indices(display), vertexCount(0), indexCount(0),
      uploads(display != nullptr) {
    if (!uploads) return;
    vertices.setup(vertices.getFormat(), MaxTubeVertices, nullptr);
    indices.setup(GL_UNSIGNED_INT, MaxTubeIndices, nullptr);
}

void Buff::Head::correctSide() {
    const Vec3 d = normalized(direction);
    const Vec3 corrected = cross(direction, cross(side, d));
    // After a sharp turn the old side can lie along the new direction: then nothing of it is left.
    if (corrected.lengthSquared() < 1e-12f || !unitOf(corrected, side)) side = sideAcross(direction);
}

void Buff::Head::buildRing() {
    const Vec3 b = computeRingBinormal(side, direction);
    for (int i = 0; i < RingVertices; ++i) {
        const float a = static_cast<float>(i) * kOneTwelfth * kTwoPi;
        const Vec3 n = b * std::cos(a) + side * std::sin(a);
        const Vec3 p = position + n * radius;
        VertexP3N3T2& v = ring[i];
        v.pos[0] = p.x;
        v.pos[1] = p.y;
        v.pos[2] = p.z;
        v.nor[0] = n.x;
        v.nor[1] = n.y;
        v.nor[2] = n.z;
        v.tex[0] = static_cast<float>(i) * kOneTwelfth;
        v.tex[1] = parameter;
    }
    // The seam: the last vertex sits exactly on the first, with u = 1.
    for (int k = 0; k < 3; ++k) {
        ring[RingSides].pos[k] = ring[0].pos[k];
        ring[RingSides].nor[k] = ring[0].nor[k];
    }
    ring[RingSides].tex[0] = 1.0f;
}

void Buff::Head::step(float time, bool lay) {
    Vec3 p, tangent;
    float u = 0.0f;
    if (!curve || !curve->evaluateAtTime(time, p, tangent, u)) return;
    if (!isFinite(p)) return; // a broken path moves nothing
    position = p;
    // A tangent of zero (one point, or handles on the point) has no direction: keep the last one.
    unitOf(tangent, direction);
    radius = 0.5f;
    if (starting) side = sideAcross(direction);
    correctSide();
    buildRing();
    if (!lay) return;

    if (starting) {
        addRing();
        for (int i = 0; i < RingVertices; ++i) startRing[i] = ring[i];
        lastPosition = position;
        lastDirection = direction;
        lastSide = side;
        lastRadius = radius;
    }
    parameter = u;
    if (!starting) {
        const float g = (position - lastPosition).length();
        const float lengths = direction.length() * lastDirection.length();
        bool layRing = g > 0.4f;
        if (!layRing && g > 0.05f && lengths > 1e-6f) {
            const float c = direction.dot(lastDirection) / lengths;
            const float k = side.dot(lastSide);
            layRing = c * k < 0.99f;
        }
        if (!layRing) return;
    }
    addRing();
    addSegment();
    lastPosition = position;
    lastDirection = direction;
    lastSide = side;
    lastRadius = radius;
    starting = false;
}

void Buff::Head::addRing() {
    if (vertexCount + RingVertices >= MaxTubeVertices) {
        norvane::logMessage("warning", "buff", __FILE__, __LINE__, "Buff::Head::addRing", "vertex immense penis");
        return;
    }
    for (int i = 0; i < RingVertices; ++i) staging[i] = ring[i];
    // Written without binding: the buffer is bound for the call alone, so whatever buffers the
    // display holds current stay current.
    if (uploads) vertices.BufferObject::replace(vertexCount, RingVertices, ring);
    vertexCount += RingVertices;
}

void Buff::Head::addSegment() {
    if (indexCount + 4 * RingSides >= MaxTubeIndices) {
        norvane::logMessage("warning", "buff", __FILE__, __LINE__, "Buff::Head::addSegment", "very index penis");
        return;
    }
    if (vertexCount < 2 * RingVertices) return; // no two rings to join
    const uint32_t prev = static_cast<uint32_t>(vertexCount - 2 * RingVertices);
    const uint32_t cur = static_cast<uint32_t>(vertexCount - RingVertices);
    uint32_t quads[4 * RingSides];
    for (uint32_t j = 0; j < RingSides; ++j) {
        quads[4 * j + 0] = prev + j;
        quads[4 * j + 1] = prev + j + 1;
        quads[4 * j + 2] = cur + j + 1;
        quads[4 * j + 3] = cur + j;
    }
    if (uploads) {
        indices.BufferObject::replace(indexCount, 4 * RingSides, quads);
        DIS_GL_STATUS();
    }
    indexCount += 4 * RingSides;
}

void Buff::Head::draw(norvane::display::DisplayGL* display) {
    if (starting || !uploads) return;
    display->setVBO(&vertices);
    display->setIBO(&indices);
    display->draw(GL_QUADS, 0, indexCount, 0, vertexCount);
    display->setVBO(nullptr);
    display->setIBO(nullptr);

    // The open end from the last ring written to the tip, then the two caps.
    glBegin(GL_QUADS);
    for (int j = 0; j < RingSides; ++j) {
        emit(staging[j]);
        emit(staging[j + 1]);
        emit(ring[j + 1]);
        emit(ring[j]);
    }
    glEnd();
    glBegin(GL_TRIANGLE_FAN);
    for (int j = 0; j < RingSides; ++j) emit(ring[j]);
    glEnd();
    glBegin(GL_TRIANGLE_FAN);
    for (int j = RingSides - 1; j >= 0; --j) emit(startRing[j]);
    DIS_GL(glEnd());
}

// ---------------------------------------------------------------------------------------------
// The effect

Buff::Buff(EffectShared* shared)
    : mShared(shared), program(nullptr), camera(nullptr), stepTime(0.0f), lofter(false), spaceAmount(0.0f) {}

Buff::~Buff() {
    for (Head* head : heads) delete head;
    for (auto& entry : meshes) delete entry.second;
    for (auto& entry : materials) delete entry.second;
}

Vec3 Buff::computeRingBinormal(const Vec3& side, const Vec3& direction) { return normalized(cross(side, direction)); }

Vec3 Buff::headColour(int index) {
    switch (index % 3) {
    case 0: return Vec3(0.9529412f, 0.91764706f, 0.019607844f);
    case 1: return Vec3(0.41960785f, 0.0f, 0.5372549f);
    default: return Vec3(1.0f, 0.14901961f, 0.019607844f);
    }
}

float Buff::verticalAngle(float fieldOfView) {
    const float angle = 1.5f * fieldOfView;
    if (!(angle > 0.01f)) return 0.01f; // no angle at all (or not a number) would divide by zero
    return angle < MaxVerticalAngle ? angle : MaxVerticalAngle;
}

SceneNode* Buff::getScene() const { return sceneFile ? sceneFile->getSceneByIndex(0) : nullptr; }

void Buff::setup() {
    stepTime = 0.0f;
    spaceAmount = 0.0f;
    lofter = false;
    sceneFile.reset(new norvane::kvx::Manager());

    loadSceneFile(mDisplay, ScenePath, *sceneFile);

    for (norvane::kvx::Mesh* source : sceneFile->meshes) {
        std::unique_ptr<norvane::torvik::Mesh> mesh(new norvane::torvik::Mesh(mDisplay));
        mesh->loadWithNormals(*source, 1);
        norvane::torvik::Mesh*& slot = meshes[mesh->name];
        delete slot; // a later mesh of the same name takes the place
        slot = mesh.release();
    }

    // The scene, its camera, and every mesh and material it draws must be in the file: say so
    // now rather than in the middle of the show.
    checkScene(*sceneFile, ScenePath);
    SceneNode* scene = sceneFile->getSceneByIndex(0);
    for (SceneNode* child : scene->children) {
        if (!child) continue;
        if (child->getType() == norvane::kvx::ChunkCurveInstance) {
            heads.push_back(new Head(mDisplay, static_cast<norvane::kvx::CurveInstance*>(child)));
        } else if (child->getType() == norvane::kvx::ChunkCamera && !camera) {
            camera = static_cast<norvane::kvx::Camera*>(child);
        }
    }

    program.mDisplay = mDisplay;
    program.loadFiles("buff/scene.vert", "buff/scene.frag");

    for (norvane::kvx::Material* material : sceneFile->materials) {
        if (!material) continue;
        MaterialRecord*& slot = materials[material->name];
        delete slot;
        slot = new MaterialRecord(*material, this);
    }
}

namespace {

// The file's own nesting limit bounds the depth of this walk.
void checkNode(const norvane::kvx::Manager& file, const char* path, const SceneNode* node) {
    for (const SceneNode* child : node->children) {
        if (!child) continue;
        const int type = child->getType();
        if (type == norvane::kvx::ChunkCamera || type == norvane::kvx::ChunkCurveInstance) continue; // not drawn
        if (type == norvane::kvx::ChunkMeshInstance) {
            const auto* instance = static_cast<const norvane::kvx::MeshInstance*>(child);
            const norvane::kvx::Mesh* mesh = file.getMesh(instance->meshName);
            if (!mesh)
                throw Exception("%s: the mesh instance '%s' names the mesh '%s', which is not in the file", path,
                                instance->name.c_str(), instance->meshName.c_str());
            for (const norvane::kvx::Submesh* submesh : mesh->submeshes) {
                const int k = submesh->materialIndex;
                std::string material = instance->getMaterialOverride(k);
                if (material.empty()) material = mesh->getMaterialName(k);
                if (material.empty())
                    throw Exception("%s: drawmesh::trianglelist without material (mesh '%s' of the instance '%s')",
                                    path, mesh->name.c_str(), instance->name.c_str());
                if (!file.getMaterial(material))
                    throw Exception("%s: the material '%s' of the mesh '%s' (instance '%s') is not in the file", path,
                                    material.c_str(), mesh->name.c_str(), instance->name.c_str());
            }
        }
        checkNode(file, path, child);
    }
}

} // namespace

void Buff::checkScene(const norvane::kvx::Manager& file, const char* path) {
    const SceneNode* scene = file.getSceneByIndex(0);
    if (!scene) throw Exception("No scene in %s", path);
    bool hasCamera = false;
    for (const SceneNode* child : scene->children)
        if (child && child->getType() == norvane::kvx::ChunkCamera) hasCamera = true;
    if (!hasCamera) throw Exception("No camera in %s", path);
    checkNode(file, path, scene);
}

Buff::Reads Buff::reads() const { return {{"lofter"}, {"spaceamount"}}; }

void Buff::trigger(float /*local*/, const std::string& name, const std::string& value) {
    if (name == "lofter") lofter = (value == "on");
}

void Buff::setValue(float /*local*/, const std::string& name, float value) {
    if (name == "spaceamount") spaceAmount = value;
}

void Buff::draw(float t, float /*step*/, float /*progress*/) {
    SceneNode* scene = getScene();
    if (!scene || !camera || !mDisplay) return; // not set up

    // The scene's own camera.
    const Vec3 eye = camera->location.evaluate(t);
    Quaternion rotation;
    rotation.fromEuler(camera->rotation.evaluate(t));
    Matrix4x4Col view;
    view.setCameraView(eye, rotation, Vec3(1.0f, 1.0f, 1.0f));
    const int width = mDisplay->getWidth(), height = mDisplay->getHeight();
    const float aspect =
        (width > 0 && height > 0) ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
    Matrix4x4Col projection;
    projection.setPerspective(verticalAngle(camera->fieldOfView.evaluate(t)), aspect, 0.115f, 1500.0f);
    mDisplay->setProjection(projection);
    mDisplay->setViewMatrix(view);
    mDisplay->resetModelMatrix();

    DIS_GL(glDisable(GL_BLEND));
    DIS_GL(glEnable(GL_DEPTH_TEST));
    DIS_GL(glEnable(GL_CULL_FACE));
    DIS_GL(glFrontFace(GL_CCW));

    advance(t);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    program.use();
    program.setUniformVec3Array("lpos", lpos, MaxLights);
    program.setUniformVec3Array("lcol", lcol, MaxLights);
    drawNode(scene, Matrix4x4Col(), t, false);
    program.unuse();

    if (lofter) {
        for (int i = 0; i < static_cast<int>(heads.size()); ++i) {
            Head* head = heads[i];
            if (head->isStarting()) continue;
            Matrix4x4Col transform;
            bool mirrored = false;
            head->curve->getTransform(t, transform, mirrored);
            mDisplay->setModelMatrix(transform);
            DIS_GL(glFrontFace(mirrored ? GL_CW : GL_CCW));
            const Vec3 colour = headColour(i);
            const float rgb[3] = {colour.x, colour.y, colour.z};
            glColor3fv(rgb);
            head->draw(mDisplay);
        }
    }
    DIS_GL(glFrontFace(GL_CCW));
    DIS_GL(glDisable(GL_BLEND));

    drawStars(eye);

    DIS_GL(glDisable(GL_CULL_FACE));
    DIS_GL(glDisable(GL_DEPTH_TEST));
}

void Buff::advance(float t) {
    // The tubes grow in fixed steps. After a jump back the step time is ahead of the clock and
    // no steps run until the clock passes it again.
    while (stepTime + StepLength < t) {
        for (Head* head : heads) head->step(stepTime);
        const float next = stepTime + StepLength;
        if (next == stepTime) break; // days into the show a step no longer moves the float
        stepTime = next;
    }

    for (int i = 0; i < MaxLights; ++i) {
        lpos[i] = Vec3();
        lcol[i] = Vec3();
    }
    for (int i = 0; i < static_cast<int>(heads.size()) && i < MaxLights; ++i) lcol[i] = headColour(i);
    for (int i = 0; i < static_cast<int>(heads.size()); ++i) {
        Head* head = heads[i];
        // Behind the step time (after a jump back) only the tip follows the clock: laying a ring
        // there would join the tube back to an earlier point.
        if (t >= 0.0f) head->step(t, t >= stepTime);
        if (i < MaxLights) {
            Matrix4x4Col transform;
            head->curve->getTransform(t, transform);
            transform.transformPoint(lpos[i], head->position);
        }
    }
}

void Buff::drawStars(const Vec3& eye) {
    uint32_t g = 157631319u;
    g = g * 69069u + 5u;
    g = g * 69069u + 5u;
    mDisplay->setModelMatrix(Matrix4x4Col());
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const Vec3 half(1.0f, 1.0f, 1.0f);
    for (int star = 0; star < 100; ++star) {
        const uint32_t r1 = g = g * 69069u + 5u;
        const uint32_t r2 = g = g * 69069u + 5u;
        const uint32_t r3 = g = g * 69069u + 5u;
        const float distance = 500.0f + static_cast<float>(r1) * 2.3283064e-7f;
        const float z = 2.0f * (static_cast<float>(r3) / 4294967296.0f) - 1.0f;
        const float angle = kTwoPi * (static_cast<float>(r2) / 4294967296.0f);
        const float m = std::sqrt(std::fmax(0.0f, 1.0f - z * z));
        const Vec3 centre = eye + Vec3(m * std::cos(angle), m * std::sin(angle), z) * distance;
        mDisplay->drawBox(centre, half);
    }
}

void Buff::drawNode(SceneNode* node, const Matrix4x4Col& parent, float time, bool mirrored) {
    Matrix4x4Col matrix = parent;
    const int type = node->getType();
    if (type != norvane::kvx::ChunkScene) {
        if (type == norvane::kvx::ChunkCamera || type == norvane::kvx::ChunkCurveInstance) return;
        Matrix4x4Col local;
        bool flips = false;
        node->getTransform(time, local, flips);
        matrix.multiply(local);
        if (flips) mirrored = !mirrored;
        if (type == norvane::kvx::ChunkMeshInstance) {
            const auto* instance = static_cast<const norvane::kvx::MeshInstance*>(node);
            norvane::kvx::Mesh* mesh = sceneFile->getMesh(instance->meshName);
            if (mesh) {
                mDisplay->setModelMatrix(matrix);
                drawMesh(*mesh, *instance, matrix, mirrored);
            }
        }
    }
    for (SceneNode* child : node->children)
        if (child) drawNode(child, matrix, time, mirrored);
}

void Buff::drawMesh(norvane::kvx::Mesh& mesh, const norvane::kvx::MeshInstance& instance,
                    const Matrix4x4Col& objectToWorld, bool mirrored) {
    DIS_GL_STATUS();
    if (mesh.submeshes.empty()) return;
    glEnable(GL_CULL_FACE);
    norvane::display::checkGLError(__FILE__, __LINE__, "glEnable(GL_CULL_FACE)");
    if (mirrored) {
        glFrontFace(GL_CW);
        norvane::display::checkGLError(__FILE__, __LINE__, "glFrontFace(GL_CW)");
    } else {
        glFrontFace(GL_CCW);
        norvane::display::checkGLError(__FILE__, __LINE__, "glFrontFace(GL_CCW)");
    }
    glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 0.0f);
    norvane::display::checkGLError(__FILE__, __LINE__, "glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, twosided)");

    auto found = meshes.find(mesh.name);
    norvane::torvik::Mesh* gpu = found == meshes.end() ? nullptr : found->second;
    for (int i = 0; i < static_cast<int>(mesh.submeshes.size()); ++i) {
        const int k = mesh.submeshes[i]->materialIndex;
        std::string name = instance.getMaterialOverride(k);
        if (name.empty()) name = mesh.getMaterialName(k);
        if (name.empty()) throw Exception("drawmesh::trianglelist without material");
        auto record = materials.find(name);
        if (record != materials.end()) {
            glColor4fv(record->second->colour);
            program.setUniformFloat("lightBoost", record->second->boost);
            program.setUniformFloat("spaceAmount", record->second->owner->spaceAmount);
        }
        program.setUniformMatrix("object2world", objectToWorld);
        if (gpu) gpu->drawSubmesh(static_cast<unsigned>(i));
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        DIS_GL_STATUS();
    }
    DIS_GL_STATUS();
}
