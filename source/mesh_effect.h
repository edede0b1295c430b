#pragma once
// The template of the effects that draw meshes of one .kvx scene file with one shader program:
// "<folder>/<folder>.kvx", "<folder>/<folder>.vert" and "<folder>/<folder>.frag".

#include "crv_effect.h"
#include "dis_shader.h"
#include "effect_shared.h"
#include "mathbase/mb_matrix.h"
#include "tvk_mesh.h"

#include <map>
#include <string>
#include <vector>

class MeshEffect : public norvane::corvista::Effect {
public:
    // required: the meshes that draw needs; a scene file without one of them fails the set-up.
    MeshEffect(EffectShared* shared, const std::string& folder, const std::vector<std::string>& required);
    // Releases the meshes (while the display lives), then the program.
    ~MeshEffect() override;

    void setup() override;

    // The GPU mesh of that name; null before setup or when the scene has none.
    norvane::torvik::Mesh* findMesh(const std::string& name) const;

    EffectShared* mShared; // not owned
    norvane::display::ShaderProgram program;
    std::map<std::string, norvane::torvik::Mesh*> meshes;

protected:
    // Projection of the given field of view, aspect and near/far planes 0.1 and 1000.
    void setPerspective(float fovy, float aspect);
    void setView(const norvane::mathbase::Vector3T<float>& eye, const norvane::mathbase::Vector3T<float>& target,
                 float roll);
    // Model matrix of position, rotation fromEuler(x, y, z) in order 0, and scale.
    void setModel(const norvane::mathbase::Vector3T<float>& position, float x, float y, float z,
                  const norvane::mathbase::Vector3T<float>& scale);
    // The display's width over its height.
    float aspect() const;

    std::string mFolder;
    std::vector<std::string> mRequired;
};

// A frame step that never runs a fade backwards: a seek back (negative step) counts as none.
inline float forwardStep(float step) { return step > 0.0f ? step : 0.0f; }
