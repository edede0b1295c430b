#include "kvx_scenenode.h"
#include "nvn_system.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace norvane {
namespace kvx {

namespace {

typedef mathbase::Vector3T<float> Vec3;

// Creates the node kind a child chunk id names, or null for ids that are not children.
SceneNode* createChild(uint16_t id) {
    switch (id) {
    case ChunkCurveInstance: return new CurveInstance();
    case ChunkCamera: return new Camera();
    case ChunkMeshInstance: return new MeshInstance();
    case ChunkDummy: return new Dummy();
    case ChunkLight: return new Light();
    case ChunkArmature: return new Armature();
    default: return nullptr;
    }
}

bool tooDeep(const ChunkReader& reader) {
    if (reader.getDepth() <= MaxChunkDepth) return false;
    NVN_LOG("warning", "kvx", "Chunks nested deeper than %d levels, skipped\n", static_cast<int>(MaxChunkDepth));
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// SceneNode

SceneNode::SceneNode() : location(), rotation(), scale(), name(), children() {}

SceneNode::~SceneNode() {
    for (SceneNode* child : children) delete child;
}

void SceneNode::reset() {
    for (SceneNode* child : children) delete child;
    children.clear();
    name.clear();
    location.reset();
    rotation.reset();
    scale.reset();
    rotation.order = 4;
    scale.setDefaults(1.0f, 1.0f, 1.0f);
}

bool SceneNode::isStatic() const { return location.isConstant() && rotation.isConstant() && scale.isConstant(); }

float SceneNode::getEndTime() const {
    float end = std::max({0.0f, location.getEndTime(), rotation.getEndTime(), scale.getEndTime()});
    for (const SceneNode* child : children)
        if (child) end = std::max(end, child->getEndTime());
    return end;
}

void SceneNode::addChild(SceneNode* node) { children.push_back(node); }

SceneNode* SceneNode::findChild(const std::string& childName) const {
    for (SceneNode* child : children)
        if (child && child->name == childName) return child;
    return nullptr;
}

void SceneNode::getTransform(float time, mathbase::Matrix4x4Col& out, bool& mirrored) {
    mathbase::Quaternion q;
    q.fromEuler(rotation.evaluate(time));
    const Vec3 s = scale.evaluate(time);
    const Vec3 position = location.evaluate(time);
    out.setTransform(position, q, s);
    mirrored = s.x * s.y * s.z < 0.0f;
}

void SceneNode::getTransform(float time, mathbase::Matrix4x4Col& out) {
    bool mirrored = false;
    getTransform(time, out, mirrored);
}

void SceneNode::loadNodeChunk(uint16_t id, ChunkReader& reader) {
    switch (id) {
    case ChunkLocation: location.loadChunk(reader); return;
    case ChunkRotation: rotation.loadChunk(reader); return;
    case ChunkScale: scale.loadChunk(reader); return;
    default: break;
    }
    std::unique_ptr<SceneNode> child(createChild(id));
    if (!child || tooDeep(reader)) return;
    const size_t depth = reader.getDepth();
    try {
        child->loadChunk(reader);
        addChild(child.get());
        child.release();
    } catch (...) {
        reader.unwindTo(depth);
    }
}

void SceneNode::saveNodeData(ChunkWriter& writer) const {
    if (getType() != ChunkScene) {
        location.save(writer, ChunkLocation);
        rotation.save(writer, ChunkRotation);
        scale.save(writer, ChunkScale);
    }
    for (const SceneNode* child : children)
        if (child) child->save(writer);
}

// ---------------------------------------------------------------------------------------------
// Scene, Dummy

void Scene::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        loadNodeChunk(id, reader);
        reader.endChunk();
    }
}

void Scene::save(ChunkWriter& writer) const {
    writer.beginChunk(ChunkScene);
    writer.writeString(name);
    saveNodeData(writer);
    writer.endChunk();
}

void Dummy::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        loadNodeChunk(id, reader);
        reader.endChunk();
    }
}

void Dummy::save(ChunkWriter& writer) const {
    writer.beginChunk(ChunkDummy);
    writer.writeString(name);
    saveNodeData(writer);
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// Camera

void Camera::reset() {
    SceneNode::reset();
    fieldOfView.defaultValue = 1.5707964f;
}

void Camera::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        if (id == ChunkAngle) fieldOfView.loadChunk(reader);
        else loadNodeChunk(id, reader);
        reader.endChunk();
    }
}

void Camera::save(ChunkWriter& writer) const {
    writer.beginChunk(ChunkCamera);
    writer.writeString(name);
    fieldOfView.save(writer, ChunkAngle);
    saveNodeData(writer);
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// MeshInstance

void MeshInstance::reset() {
    SceneNode::reset();
    materialOverrides.clear();
    meshName.clear();
}

void MeshInstance::setMaterialOverride(int slot, const std::string& materialName) {
    if (slot < 0) return;
    if (materialOverrides.size() < static_cast<size_t>(slot) + 1) materialOverrides.resize(slot + 1);
    materialOverrides[slot] = materialName;
}

std::string MeshInstance::getMaterialOverride(int slot) const {
    if (slot < 0 || slot >= static_cast<int>(materialOverrides.size())) return std::string();
    return materialOverrides[slot];
}

void MeshInstance::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    reader.readString(meshName);
    while (uint16_t id = reader.nextChunk()) {
        if (id == ChunkMaterialOverride) {
            uint8_t slot = 0;
            std::string material;
            reader.readByte(slot);
            reader.readString(material);
            setMaterialOverride(slot, material);
        } else {
            loadNodeChunk(id, reader);
        }
        reader.endChunk();
    }
}

void MeshInstance::save(ChunkWriter& writer) const {
    writer.beginChunk(ChunkMeshInstance);
    writer.writeString(name);
    writer.writeString(meshName);
    // Slots are one byte in files; only those can be written.
    const size_t slots = std::min<size_t>(materialOverrides.size(), 256);
    for (size_t slot = 0; slot < slots; ++slot) {
        if (materialOverrides[slot].empty()) continue;
        writer.beginChunk(ChunkMaterialOverride);
        writer.writeByte(static_cast<uint8_t>(slot));
        writer.writeString(materialOverrides[slot]);
        writer.endChunk();
    }
    saveNodeData(writer);
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// Light

void Light::reset() {
    SceneNode::reset();
    color.setDefaults(mathbase::Color(1.0f, 1.0f, 1.0f, 1.0f));
    angle.defaultValue = 0.7853982f;
    valueA.defaultValue = 50.0f;
    valueB.defaultValue = 1.0f;
}

bool Light::isStatic() const {
    return SceneNode::isStatic() && color.isConstant() && valueA.isConstant() && valueB.isConstant() &&
           angle.isConstant();
}

float Light::getEndTime() const {
    return std::max({SceneNode::getEndTime(), color.getEndTime(), valueA.getEndTime(), valueB.getEndTime(),
                     angle.getEndTime()});
}

void Light::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case ChunkColor: color.loadChunk(reader); break;
        case ChunkLightValueA: valueA.loadChunk(reader); break;
        case ChunkLightValueB: valueB.loadChunk(reader); break;
        case ChunkAngle: angle.loadChunk(reader); break;
        case ChunkLightFlag: {
            uint8_t byte = 0;
            reader.readByte(byte);
            flag = byte == 1;
            break;
        }
        default: loadNodeChunk(id, reader); break;
        }
        reader.endChunk();
    }
}

void Light::save(ChunkWriter& writer) const {
    writer.beginChunk(ChunkLight);
    writer.writeString(name);
    color.save(writer, ChunkColor);
    valueB.save(writer, ChunkLightValueB);
    valueA.save(writer, ChunkLightValueA);
    angle.save(writer, ChunkAngle);
    writer.beginChunk(ChunkLightFlag);
    writer.writeByte(flag ? 1 : 0);
    writer.endChunk();
    saveNodeData(writer);
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// Armature and bones

Armature::Bone::Bone()
    : name(), children(), head(), worldHead(), rotation(), worldRotation(), length(0.0f), rotationTrack() {}

Armature::Bone::~Bone() {
    for (Bone* child : children) delete child;
}

void Armature::Bone::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    reader.readVec3(head);
    float q[4] = {rotation.w, rotation.x, rotation.y, rotation.z};
    reader.readVec4(q);
    rotation = mathbase::Quaternion(q[0], q[1], q[2], q[3]);
    reader.readFloat(length);
    while (uint16_t id = reader.nextChunk()) {
        if (id == ChunkBone) {
            if (!tooDeep(reader)) {
                std::unique_ptr<Bone> child(new Bone());
                const size_t depth = reader.getDepth();
                try {
                    child->loadChunk(reader);
                    children.push_back(child.get());
                    child.release();
                } catch (...) {
                    reader.unwindTo(depth);
                }
            }
        } else if (id == ChunkBoneRotation) {
            rotationTrack.loadChunk(reader);
        } else {
            std::printf("Other chunk with ID=0x%0X\n", id);
        }
        reader.endChunk();
    }
}

void Armature::Bone::computeWorld(const mathbase::Quaternion& parentRotation, const Vec3& parentEnd) {
    Vec3 rotatedHead;
    parentRotation.rotate(rotatedHead, head);
    worldHead = rotatedHead + parentEnd;
    worldRotation = parentRotation * rotation;
    Vec3 tail;
    worldRotation.rotate(tail, Vec3(0.0f, 0.0f, -length));
    const Vec3 end = worldHead + tail;
    for (Bone* child : children) child->computeWorld(worldRotation, end);
}

Armature::~Armature() { deleteBones(); }

void Armature::deleteBones() {
    for (Bone* bone : bones) delete bone;
    bones.clear();
}

void Armature::reset() {
    SceneNode::reset();
    deleteBones();
}

void Armature::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        if (id == ChunkBone) {
            // A root bone that fails takes the whole armature with it.
            std::unique_ptr<Bone> bone(new Bone());
            bone->loadChunk(reader);
            bones.push_back(bone.get());
            bone.release();
        } else {
            loadNodeChunk(id, reader);
        }
        reader.endChunk();
    }
}

void Armature::save(ChunkWriter&) const {}

void Armature::computeBones() {
    for (Bone* bone : bones) bone->computeWorld(mathbase::Quaternion(), Vec3());
}

// ---------------------------------------------------------------------------------------------
// CurveInstance

float CurveInstance::getEndTime() const { return std::max(SceneNode::getEndTime(), timeTrack.getEndTime()); }

void CurveInstance::loadChunk(ChunkReader& reader) {
    static_assert(sizeof(Point) == 36, "points must be packed");
    reader.readString(name);
    uint8_t type = 0;
    reader.readByte(type);
    if (type != 0) std::printf("Curve without type==0, reinterpreting randomly!");
    uint32_t count = 0;
    reader.readU32(count);
    // Never more points than the bytes that remain reach into; a point cut short keeps zeros.
    count = std::min(count, static_cast<uint32_t>((static_cast<uint64_t>(reader.bytesLeft()) + 35) / 36));
    points.assign(count, Point());
    reader.readFields(points.data(), count * 36);
    while (uint16_t id = reader.nextChunk()) {
        if (id == ChunkCurveTimeTrack) timeTrack.loadChunk(reader);
        else loadNodeChunk(id, reader);
        reader.endChunk();
    }
}

void CurveInstance::save(ChunkWriter& writer) const {
    writer.beginChunk(ChunkCurveInstance);
    writer.writeString(name);
    writer.writeByte(0);
    writer.writeU32(static_cast<uint32_t>(points.size()));
    writer.write(points.data(), static_cast<uint32_t>(points.size() * sizeof(Point)));
    saveNodeData(writer);
    timeTrack.save(writer, ChunkCurveTimeTrack);
    writer.endChunk();
}

void CurveInstance::evaluate(float u, Vec3& position, Vec3& tangent) const {
    const size_t n = points.size();
    if (n == 0) {
        position = Vec3();
        tangent = Vec3(0.0f, 1.0f, 0.0f);
        return;
    }
    if (n == 1) {
        position = points[0].position;
        tangent = points[0].out - points[0].in;
        return;
    }
    const float s = 1.0f / static_cast<float>(n - 1);
    // The segment index stays in 0 .. n - 2 for any parameter, a NaN one included.
    float segment = std::floor(u / s);
    if (!(segment >= 0.0f)) segment = 0.0f;
    if (segment > static_cast<float>(n - 2)) segment = static_cast<float>(n - 2);
    const size_t d = static_cast<size_t>(segment);
    const float t = (u - static_cast<float>(d) * s) / s;
    const float v = 1.0f - t;
    const Vec3& p0 = points[d].position;
    const Vec3& p1 = points[d].out;
    const Vec3& p2 = points[d + 1].in;
    const Vec3& p3 = points[d + 1].position;
    position = p0 * (v * v * v) + p1 * (3.0f * t * v * v) + p2 * (3.0f * t * t * v) + p3 * (t * t * t);
    tangent = (p1 - p0) * (v * v) + (p2 - p1) * (2.0f * t * v) + (p3 - p2) * (t * t);
}

bool CurveInstance::evaluateAtTime(float time, Vec3& position, Vec3& tangent, float& parameter) {
    if (!(time >= 0.0f)) return false;
    float u = timeTrack.evaluate(time);
    if (!(u >= 0.0f)) u = 0.0f;
    if (u > 1.0f) u = 1.0f;
    parameter = u;
    evaluate(u, position, tangent);
    return true;
}

} // namespace kvx
} // namespace norvane
