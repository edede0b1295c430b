// Loads whole .kvx files from arbitrary bytes, then uses what loaded the way the demo does:
// normals and tangents, transforms and curves at a few times, bones, and a save and reload.

#include "fuzz_quiet.h"
#include "kvx_manager.h"
#include "nvn_system.h"

#include <cstdint>
#include <cstdio>

using namespace norvane::kvx;

namespace {

void walk(SceneNode* node) {
    static const float times[] = {-1.0f, 0.0f, 0.37f, 1.0f, 2.5f, 1e9f};
    norvane::mathbase::Matrix4x4Col matrix;
    bool mirrored = false;
    for (float t : times) node->getTransform(t, matrix, mirrored);
    node->isStatic();
    node->getEndTime();
    if (Light* light = dynamic_cast<Light*>(node)) {
        for (float t : times) light->color.evaluate(t);
    } else if (CurveInstance* path = dynamic_cast<CurveInstance*>(node)) {
        norvane::mathbase::Vector3 position, tangent;
        float u = 0;
        for (float t : times) path->evaluateAtTime(t, position, tangent, u);
    } else if (Armature* armature = dynamic_cast<Armature*>(node)) {
        armature->computeBones();
    } else if (Camera* camera = dynamic_cast<Camera*>(node)) {
        for (float t : times) camera->fieldOfView.evaluate(t);
    }
    for (SceneNode* child : node->children) walk(child);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    Manager manager;
    try {
        manager.load(reinterpret_cast<const char*>(data), static_cast<int>(size));
    } catch (const norvane::Exception&) {
        return 0;
    }
    for (Mesh* mesh : manager.meshes) mesh->computeNormals(true);
    for (SceneNode* scene : manager.scenes) walk(scene);
    char* saved = nullptr;
    int savedSize = 0;
    manager.save(saved, savedSize);
    Manager again;
    try {
        again.load(saved, savedSize);
    } catch (const norvane::Exception&) {
    }
    delete[] saved;
    return 0;
}
