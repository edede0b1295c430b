#pragma once
// Scene graph nodes: animated transforms (location, rotation, scale) and owned children of seven
// kinds: scene roots, cameras, mesh instances, dummies, lights, armatures and curve instances.

#include "kvx_animcurve.h"
#include "kvx_chunk.h"
#include "mathbase/mb_matrix.h"
#include "mathbase/mb_quaternion.h"
#include "mathbase/mb_vector.h"

#include <string>
#include <vector>

namespace norvane {
namespace kvx {

enum NodeChunk : uint16_t {
    ChunkScene = 0x5000,
    ChunkCamera = 0x5110,
    ChunkMeshInstance = 0x5120,
    ChunkDummy = 0x5130,
    ChunkLight = 0x5140,
    ChunkLightFlag = 0x5151,
    ChunkLightValueA = 0x5150,
    ChunkLightValueB = 0x5160,
    ChunkArmature = 0x5180,
    ChunkBone = 0x5190,
    ChunkCurveInstance = 0x2900,
    ChunkCurveTimeTrack = 0x2910,
    ChunkMaterialOverride = 0x6210,
    ChunkLocation = 0xFA00,
    ChunkRotation = 0xFA10,
    ChunkScale = 0xFA20,
    ChunkColor = 0xFA30,
    ChunkAngle = 0xFA40, // field of view of a camera, cone angle of a light
    ChunkBoneRotation = 0xFA50
};

// Deeper chunk nesting than this is skipped with a warning, so no file can exhaust the stack.
enum { MaxChunkDepth = 96 };

class SceneNode {
public:
    SceneNode();
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    virtual int getType() const = 0;
    virtual ~SceneNode();
    virtual void reset();
    virtual void loadChunk(ChunkReader& reader) = 0;
    virtual void save(ChunkWriter& writer) const = 0;
    virtual bool isStatic() const;
    virtual float getEndTime() const;

    // Takes ownership.
    void addChild(SceneNode* node);
    // The first direct child of that name, or null.
    SceneNode* findChild(const std::string& childName) const;
    // T * R * S at the time; mirrored when the scale turns the handedness over.
    void getTransform(float time, mathbase::Matrix4x4Col& out, bool& mirrored);
    void getTransform(float time, mathbase::Matrix4x4Col& out);

    // One sub-chunk that every kind accepts: children and the three transform values.
    void loadNodeChunk(uint16_t id, ChunkReader& reader);
    // The transform values (not for a scene root), then every child.
    void saveNodeData(ChunkWriter& writer) const;

    AnimCurve3 location;
    AnimRotation rotation;
    AnimCurve3 scale;
    std::string name;
    std::vector<SceneNode*> children;
};

class Scene : public SceneNode {
public:
    Scene() { reset(); }
    int getType() const override { return ChunkScene; }
    void loadChunk(ChunkReader& reader) override;
    void save(ChunkWriter& writer) const override;
};

class Camera : public SceneNode {
public:
    Camera() { reset(); }
    int getType() const override { return ChunkCamera; }
    void reset() override;
    void loadChunk(ChunkReader& reader) override;
    void save(ChunkWriter& writer) const override;

    AnimCurve fieldOfView;
};

class MeshInstance : public SceneNode {
public:
    MeshInstance() { reset(); }
    int getType() const override { return ChunkMeshInstance; }
    void reset() override;
    void loadChunk(ChunkReader& reader) override;
    void save(ChunkWriter& writer) const override;

    // Grows the list as needed; a negative slot is ignored.
    void setMaterialOverride(int slot, const std::string& materialName);
    // Empty when the slot has no override.
    std::string getMaterialOverride(int slot) const;

    std::string meshName;
    std::vector<std::string> materialOverrides;
};

class Dummy : public SceneNode {
public:
    Dummy() { reset(); }
    int getType() const override { return ChunkDummy; }
    void loadChunk(ChunkReader& reader) override;
    void save(ChunkWriter& writer) const override;
};

class Light : public SceneNode {
public:
    Light() : flag(false) { reset(); }
    int getType() const override { return ChunkLight; }
    void reset() override;
    void loadChunk(ChunkReader& reader) override;
    void save(ChunkWriter& writer) const override;
    bool isStatic() const override;
    float getEndTime() const override;

    bool flag;
    AnimatedColor color;
    AnimCurve valueA;
    AnimCurve valueB;
    AnimCurve angle;
};

class Armature : public SceneNode {
public:
    class Bone {
    public:
        Bone();
        ~Bone();
        Bone(const Bone&) = delete;
        Bone& operator=(const Bone&) = delete;

        void loadChunk(ChunkReader& reader);
        void computeWorld(const mathbase::Quaternion& parentRotation, const mathbase::Vector3T<float>& parentEnd);

        std::string name;
        std::vector<Bone*> children;
        mathbase::Vector3T<float> head;
        mathbase::Vector3T<float> worldHead;
        mathbase::Quaternion rotation;
        mathbase::Quaternion worldRotation;
        float length;
        AnimatedQuaternion rotationTrack;
    };

    Armature() { reset(); }
    ~Armature() override;
    int getType() const override { return ChunkArmature; }
    void reset() override;
    void loadChunk(ChunkReader& reader) override;
    // Armatures are not written: a saved file holds none.
    void save(ChunkWriter& writer) const override;
    void computeBones();

    std::vector<Bone*> bones;

private:
    void deleteBones();
};

class CurveInstance : public SceneNode {
public:
    // 36 bytes in files, in this order.
    struct Point {
        mathbase::Vector3T<float> in;
        mathbase::Vector3T<float> position;
        mathbase::Vector3T<float> out;
    };

    CurveInstance() { reset(); }
    int getType() const override { return ChunkCurveInstance; }
    void loadChunk(ChunkReader& reader) override;
    void save(ChunkWriter& writer) const override;
    float getEndTime() const override;

    // The point at parameter u in [0, 1] on the path and its (unnormalised) direction.
    void evaluate(float u, mathbase::Vector3T<float>& position, mathbase::Vector3T<float>& tangent) const;
    // False, writing nothing, for a time below 0 (or not a number).
    bool evaluateAtTime(float time, mathbase::Vector3T<float>& position, mathbase::Vector3T<float>& tangent,
                        float& parameter);

    std::vector<Point> points;
    AnimCurve timeTrack;
};

} // namespace kvx
} // namespace norvane
