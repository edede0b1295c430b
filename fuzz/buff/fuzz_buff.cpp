// A .kvx file from arbitrary bytes as "buff" takes it, without drawing: the scene check, then a
// head on every curve at the top of the first scene (tubes counted, not uploaded), stepped
// forwards at the fixed rate, back in time and forwards again. Whatever the curves hold, the tube
// counts stay whole rings and segments inside the buffers, and no ring of a head at a finite
// place holds anything but finite numbers.

#include "fuzz_quiet.h"
#include "buff.h"
#include "kvx_manager.h"
#include "nvn_system.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void check(const Buff::Head& head) {
    if (head.vertexCount % Buff::RingVertices != 0 || head.vertexCount >= Buff::MaxTubeVertices) std::abort();
    if (head.indexCount % (4 * Buff::RingSides) != 0 || head.indexCount >= Buff::MaxTubeIndices) std::abort();
    if (!std::isfinite(head.position.x) || !std::isfinite(head.position.y) || !std::isfinite(head.position.z)) return;
    for (const auto& v : head.ring)
        for (float f : {v.pos[0], v.pos[1], v.pos[2], v.nor[0], v.nor[1], v.nor[2], v.tex[0], v.tex[1]})
            if (!std::isfinite(f)) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::quiet(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    norvane::kvx::Manager file;
    try {
        file.load(reinterpret_cast<const char*>(data), static_cast<int>(size));
        Buff::checkScene(file, "fuzz.kvx");
    } catch (const norvane::Exception&) {
        // A refused file is a clean outcome; the heads below still get the curves.
    }
    norvane::kvx::SceneNode* scene = file.getSceneByIndex(0);
    if (!scene) return 0;
    std::vector<std::unique_ptr<Buff::Head>> heads;
    for (norvane::kvx::SceneNode* child : scene->children)
        if (child && child->getType() == norvane::kvx::ChunkCurveInstance && heads.size() < 8)
            heads.emplace_back(new Buff::Head(nullptr, static_cast<norvane::kvx::CurveInstance*>(child)));
    const float times[] = {0.0f, 0.5f, 1.0f, 0.25f, 1.5f, 4.0f};
    float stepTime = 0.0f;
    for (float t : times) {
        while (stepTime + Buff::StepLength < t) {
            for (auto& head : heads) {
                head->step(stepTime);
                check(*head);
            }
            stepTime += Buff::StepLength;
        }
        for (auto& head : heads) {
            head->step(t, t >= stepTime);
            check(*head);
        }
    }
    return 0;
}
