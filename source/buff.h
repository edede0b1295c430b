#pragma once
// "buff": an animated .kvx scene seen through its own animated camera and lit by up to six moving
// lights. Every curve instance at the top of the scene drives a head that lofts a 12-sided tube
// behind it; a ring of 100 boxes far around the camera is the star field.

#include "crv_effect.h"
#include "dis_ibo.h"
#include "dis_shader.h"
#include "dis_vbo.h"
#include "effect_shared.h"
#include "mathbase/mb_matrix.h"
#include "mathbase/mb_vector.h"
#include "tvk_mesh.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace norvane::kvx {
class Camera;
class CurveInstance;
class Manager;
class Material;
class Mesh;
class MeshInstance;
class SceneNode;
} // namespace norvane::kvx

class Buff : public norvane::corvista::Effect {
public:
    typedef norvane::mathbase::Vector3T<float> Vec3;

    enum { MaxLights = 6, RingSides = 12, RingVertices = RingSides + 1 };
    enum { MaxTubeVertices = 96000, MaxTubeIndices = 383952 };
    // The fixed step of the tubes' growth, 1/120 s.
    static const float StepLength;
    // A field of view that would make the projection's vertical angle reach a half turn is held here.
    static const float MaxVerticalAngle;

    // How one kvx material draws.
    struct MaterialRecord {
        MaterialRecord(const norvane::kvx::Material& material, const Buff* owner);
        float boost;      // 2.5 for "boxmat", else 1
        float colour[4];  // the "diffuse" attribute's x, y, z with alpha 1, or white
        const Buff* owner; // for the space amount
    };

    // One tube following one curve instance of the scene.
    class Head {
    public:
        // Without a display the head keeps its geometry and counts but writes no GPU buffers.
        Head(norvane::display::DisplayGL* display, norvane::kvx::CurveInstance* curve);
        Head(const Head&) = delete;
        Head& operator=(const Head&) = delete;

        // Moves the tip to the curve at the time and lays a ring when it has gone far enough or
        // turned; a negative time changes nothing. With lay false only the tip moves.
        void step(float time, bool lay = true);
        void addRing();
        void addSegment();
        // The tube so far, the open end up to the tip and both caps; only once the first ring is laid.
        void draw(norvane::display::DisplayGL* display);

        bool isStarting() const { return starting; }
        int getVertexCount() const { return vertexCount; }
        int getIndexCount() const { return indexCount; }
        norvane::kvx::CurveInstance* getCurve() const { return curve; }

        Vec3 position, direction, side;
        float radius;
        float parameter;
        norvane::kvx::CurveInstance* curve; // not owned
        bool starting;
        Vec3 lastPosition, lastDirection, lastSide;
        float lastRadius;
        norvane::display::VertexP3N3T2 ring[RingVertices];
        norvane::display::VertexP3N3T2 staging[RingVertices];
        norvane::display::VertexP3N3T2 startRing[RingVertices];
        norvane::display::VBO_wrap<norvane::display::VertexP3N3T2> vertices;
        norvane::display::IBO indices;
        int vertexCount;
        int indexCount;

    private:
        bool uploads; // the buffers exist
        // Takes the side off the direction; a side that has come to lie along it is chosen anew.
        void correctSide();
        void buildRing();
    };

    explicit Buff(EffectShared* shared);
    ~Buff() override;

    void setup() override;
    void trigger(float local, const std::string& name, const std::string& value) override;
    void setValue(float local, const std::string& name, float value) override;
    void draw(float local, float step, float progress) override;
    Reads reads() const override;

    // Throws, naming the path, unless the file's first scene has a camera at its top and every
    // mesh instance it draws names a mesh of the file whose submeshes all name materials of the file.
    static void checkScene(const norvane::kvx::Manager& file, const char* path);

    // The heads' fixed steps up to the time, the tips moved to it and the lights placed: the work
    // of a frame before anything is drawn.
    void advance(float t);

    // The cross product b = normalize(s x d) that spans a ring with the side.
    static Vec3 computeRingBinormal(const Vec3& side, const Vec3& direction);
    // The tube colour of head i; the first six are also the light colours.
    static Vec3 headColour(int index);
    // The projection's vertical angle for a camera field of view: 1.5 times it, kept inside (0, pi).
    static float verticalAngle(float fieldOfView);

    EffectShared* getShared() const { return mShared; }
    float getSpaceAmount() const { return spaceAmount; }
    bool isLofterOn() const { return lofter; }
    float getStepTime() const { return stepTime; }
    const std::vector<Head*>& getHeads() const { return heads; }
    const norvane::kvx::Camera* getCamera() const { return camera; }
    // The first scene of the file; null before setup.
    norvane::kvx::SceneNode* getScene() const;
    // The light positions and colours handed to the shader at the last draw.
    const Vec3* getLightPositions() const { return lpos; }
    const Vec3* getLightColours() const { return lcol; }

    // The path of the scene file.
    static const char* const ScenePath;

private:
    void drawNode(norvane::kvx::SceneNode* node, const norvane::mathbase::Matrix4x4Col& parent, float time,
                  bool mirrored);
    void drawMesh(norvane::kvx::Mesh& mesh, const norvane::kvx::MeshInstance& instance,
                  const norvane::mathbase::Matrix4x4Col& objectToWorld, bool mirrored);
    void drawStars(const Vec3& eye);

    EffectShared* mShared; // not owned; not read
    std::vector<Head*> heads;
    norvane::display::ShaderProgram program;
    std::map<std::string, norvane::torvik::Mesh*> meshes;
    std::map<std::string, MaterialRecord*> materials;
    std::unique_ptr<norvane::kvx::Manager> sceneFile;
    norvane::kvx::Camera* camera; // not owned; the first camera at the top of the scene
    float stepTime;
    bool lofter;
    float spaceAmount;
    Vec3 lpos[MaxLights];
    Vec3 lcol[MaxLights];
};
