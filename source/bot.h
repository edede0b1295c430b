#pragma once
// "bot": a walking robot built from the meshes of "bot/robot.kvx", placed by a fixed tree of parts
// and moved by closed-form functions of the local time, with a card on its chest, a screen on its
// head that shows the render target "screen", a soft shadow and a large logo floor.

#include "crv_effect.h"
#include "dis_shader.h"
#include "dis_texture.h"
#include "effect_shared.h"
#include "mathbase/mb_matrix.h"
#include "mathbase/mb_vector.h"
#include "tvk_mesh.h"

#include <map>
#include <string>
#include <vector>

class Bot : public norvane::corvista::Effect {
public:
    typedef norvane::mathbase::Vector3T<float> Vec3;

    // One part of the robot, placed in its parent's frame.
    struct Part {
        Part() = default;
        Part(const Vec3& position_, const Vec3& angles_, const std::string& name_)
            : position(position_), angles(angles_), name(name_) {}
        Vec3 position;
        Vec3 angles; // Euler angles in radians, rotation order 0
        std::string name; // a mesh, or "texture" (the card) or "brus" (the screen)
        std::vector<Part> children;
    };

    static const char* const ScenePath;

    explicit Bot(EffectShared* shared);
    // Releases the meshes while the display lives, then the textures and the program.
    ~Bot() override;

    void setup() override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;

    // Sets the moving parts of the tree for the local time.
    void animate(float t);
    // The head's turn about Y at the local time.
    static float headAngle(float t);
    // The tree built by setup; empty before.
    const std::vector<Part>& getParts() const { return parts; }
    // The GPU mesh of that name, or null.
    norvane::torvik::Mesh* findMesh(const std::string& name) const;

private:
    void drawPart(const Part& part, const norvane::mathbase::Matrix4x4Col& parent);
    // A textured quad of four corners with their texture coordinates, in the current colour.
    static void quad(const float corners[4][5]);

    EffectShared* mShared; // not owned
    norvane::display::ShaderProgram program;
    norvane::display::Texture card;
    norvane::display::Texture shadow;
    norvane::display::Texture floor;
    std::map<std::string, norvane::torvik::Mesh*> meshes;
    std::vector<Part> parts;
};
