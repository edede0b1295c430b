#pragma once
// "hyperkub": an environment-mapped metal object that shoots trains of shrinking rings along an
// axis on the triggers "x", "y" and "z". It moves the shared camera on a slow orbit every frame,
// drawn or not, so that effects drawn after it in the frame look through the same camera.

#include "crv_effect.h"
#include "dis_material.h"
#include "dis_shader.h"
#include "dis_texture.h"

#include <map>
#include <string>

namespace norvane::torvik {
class Mesh;
} // namespace norvane::torvik

struct EffectShared;

class HyperKub : public norvane::corvista::Effect {
public:
    enum { TrainCount = 6 };

    explicit HyperKub(EffectShared* shared);
    ~HyperKub() override;

    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;
    void setup() override;

    // The file-level values (for tests): the beat's brightness and the values "alp" and "cam_z".
    static float beat();
    static float alp();
    static float camZ();
    static void resetShared();

    EffectShared* mShared; // not owned
    std::map<std::string, norvane::torvik::Mesh*> meshes; // owned
    norvane::display::ShaderProgram program;
    norvane::display::Texture environment; // a cube map
    norvane::display::Material material;
    float starts[TrainCount]; // local start times of the trains -x, +x, -y, +y, -z, +z
    float height;             // value "y"
    bool active;
};
