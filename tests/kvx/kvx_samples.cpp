#include "kvx_samples.h"

#include <cstring>

using namespace norvane::kvx;
using norvane::mathbase::Vector3;

namespace kvxsamples {

namespace {

AnimCurve::Key key(float time, float value, float slope) {
    const float reach = 0.25f;
    return AnimCurve::Key{time - reach, value - reach * slope, time, value, time + reach, value + reach * slope};
}

void animate(AnimCurve& curve, int interpolation, int extrapolation, float scale) {
    curve.interpolation = interpolation;
    curve.extrapolation = extrapolation;
    curve.keys = {key(0, 0, scale), key(1, scale, 0), key(2.5f, -scale, scale)};
}

} // namespace

Mesh* makeMesh(const std::string& name) {
    Mesh* mesh = new Mesh();
    mesh->name = name;
    mesh->materialNames = {"stone", "", "glass"};
    mesh->positions = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 1, 0), Vector3(0, 1, 0),
                       Vector3(0, 0, 1), Vector3(1, 0, 1)};
    Submesh* a = new Submesh();
    a->mesh = mesh;
    a->materialIndex = 0;
    a->vertices = {0, 1, 2, 3, 0};
    a->faces = {Face{0, {0, 1, 2}}, Face{1, {0, 2, 3}}};
    a->vertexArrays.push_back(new Submesh::VertexArray{Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(1, 1, 0),
                                                       Vector3(0, 1, 0), Vector3(0.5f, 0.5f, 0)});
    a->vertexArrays.push_back(new Submesh::VertexArray{Vector3(1, 1, 1), Vector3(2, 2, 2), Vector3(3, 3, 3),
                                                       Vector3(4, 4, 4), Vector3(5, 5, 5)});
    a->computeBounds();
    Submesh* b = new Submesh();
    b->mesh = mesh;
    b->materialIndex = 2;
    b->vertices = {0, 1, 4, 5};
    b->faces = {Face{0, {0, 1, 3}}, Face{255, {0, 3, 2}}};
    b->computeBounds();
    mesh->submeshes = {a, b};
    mesh->computeBounds();
    return mesh;
}

Material* makeMaterial(const std::string& name) {
    Material* material = new Material();
    material->name = name;
    material->firstFlag = true;
    material->secondFlag = false;
    Material::Attribute* diffuse = new Material::Attribute();
    diffuse->name = "diffuse";
    const float colour[4] = {0.8f, 0.5f, 0.25f, 1.0f};
    std::memcpy(diffuse->value, colour, sizeof(colour));
    Material::AttributeItem* texture = new Material::AttributeItem();
    texture->name = "texture";
    texture->text = "stone.png";
    texture->byteValue = 200;
    Material::AttributeItem* blank = new Material::AttributeItem();
    diffuse->items = {texture, blank};
    Material::Attribute* shine = new Material::Attribute();
    shine->name = "specular";
    shine->value[0] = 32.0f;
    material->attributes = {diffuse, shine};
    return material;
}

Scene* makeScene(const std::string& name) {
    Scene* scene = new Scene();
    scene->name = name;

    Camera* camera = new Camera();
    camera->name = "camera";
    animate(camera->fieldOfView, AnimCurve::Bezier, AnimCurve::ExtrapolateLinear, 0.5f);
    animate(camera->location.z, AnimCurve::Linear, AnimCurve::Cyclic, 4.0f);
    scene->addChild(camera);

    MeshInstance* instance = new MeshInstance();
    instance->name = "instance";
    instance->meshName = "box";
    instance->setMaterialOverride(0, "glass");
    instance->setMaterialOverride(3, "stone");
    animate(instance->rotation.y, AnimCurve::Bezier, AnimCurve::CyclicOffset, 1.5f);
    instance->scale.setDefaults(2, 2, -1);
    scene->addChild(instance);

    Dummy* dummy = new Dummy();
    dummy->name = "pivot";
    animate(dummy->location.x, AnimCurve::Constant, AnimCurve::ExtrapolateConstant, 3.0f);
    dummy->location.setDefaults(0, 7, 0);
    Dummy* inner = new Dummy();
    inner->name = "inner";
    inner->location.setDefaults(1, 2, 3);
    dummy->addChild(inner);
    scene->addChild(dummy);

    Light* light = new Light();
    light->name = "lamp";
    light->flag = true;
    animate(light->color.a, AnimCurve::Linear, AnimCurve::ExtrapolateLinear, 1.0f);
    light->color.setDefaults(norvane::mathbase::Color(1, 0.5f, 0.25f, 1));
    animate(light->valueA, AnimCurve::Linear, AnimCurve::Cyclic, 10.0f);
    light->valueB.defaultValue = 3.0f;
    light->angle.defaultValue = 0.5f;
    dummy->addChild(light);

    CurveInstance* path = new CurveInstance();
    path->name = "path";
    path->points = {CurveInstance::Point{Vector3(-1, 0, 0), Vector3(0, 0, 0), Vector3(1, 0, 0)},
                    CurveInstance::Point{Vector3(2, 1, 0), Vector3(3, 1, 0), Vector3(4, 1, 0)},
                    CurveInstance::Point{Vector3(5, 0, 1), Vector3(6, 0, 1), Vector3(7, 0, 1)}};
    path->timeTrack.interpolation = AnimCurve::Linear;
    path->timeTrack.keys = {key(0, 0, 0.1f), key(10, 1, 0.1f)};
    scene->addChild(path);
    return scene;
}

void fillManager(Manager& manager) {
    Mesh* box = makeMesh("box");
    manager.meshIndex[box->name] = 0;
    manager.meshes.push_back(box);
    Mesh* other = makeMesh("other");
    delete other->submeshes.back();
    other->submeshes.pop_back();
    other->computeBounds();
    manager.meshIndex[other->name] = 1;
    manager.meshes.push_back(other);
    for (const char* name : {"stone", "glass"}) {
        Material* material = makeMaterial(name);
        manager.materialIndex[name] = static_cast<int>(manager.materials.size());
        manager.materials.push_back(material);
    }
    TextureRef* ref = new TextureRef();
    ref->name = "stone";
    ref->path = "textures/stone.png";
    manager.textureRefIndex[ref->name] = 0;
    manager.textureRefs.push_back(ref);
    manager.addScene(makeScene("main"));
    manager.addScene(makeScene("second"));
}

std::vector<SeedFile> seedFiles() {
    std::vector<SeedFile> files;
    {
        Manager m;
        fillManager(m);
        files.push_back({"full.kvx", managerBytes(m)});
    }
    {
        Manager m;
        m.meshes.push_back(makeMesh("box"));
        files.push_back({"mesh.kvx", managerBytes(m)});
    }
    {
        Manager m;
        m.materials.push_back(makeMaterial("stone"));
        TextureRef* ref = new TextureRef();
        ref->name = "t";
        ref->path = "t.png";
        m.textureRefs.push_back(ref);
        files.push_back({"material.kvx", managerBytes(m)});
    }
    {
        Manager m;
        m.addScene(makeScene("scene"));
        files.push_back({"scene.kvx", managerBytes(m)});
    }
    {
        // A scene with an armature and root transforms, written with the chunk primitives in the
        // way the content generator writes what the object writers leave out.
        ChunkWriter w("KVXF", 1, 1, ChunkImplicitSizes);
        w.beginChunk(0x1000);
        w.beginChunk(ChunkScene);
        w.writeString("rig");
        AnimCurve3 location;
        location.setDefaults(0, 1, 0);
        location.save(w, ChunkLocation);
        w.beginChunk(ChunkArmature);
        w.writeString("armature");
        for (int bone = 0; bone < 2; ++bone) {
            w.beginChunk(ChunkBone);
            w.writeString(bone ? "arm" : "spine");
            w.writeVec3(Vector3(0, 0, 0));
            w.writeVec4(1, 0, 0, 0);
            w.writeFloat(1.0f);
            w.beginChunk(ChunkBone);
            w.writeString("hand");
            w.writeVec3(Vector3(0, 0.5f, 0));
            w.writeVec4(0.7071068f, 0.7071068f, 0, 0);
            w.writeFloat(0.5f);
            AnimatedQuaternion track;
            animate(track.x, AnimCurve::Linear, AnimCurve::Cyclic, 0.5f);
            track.save(w, ChunkBoneRotation);
            w.endChunk();
            w.endChunk();
        }
        w.endChunk();
        w.endChunk();
        w.endChunk();
        files.push_back({"armature.kvx", w.getData()});
    }
    return files;
}

std::vector<char> managerBytes(const Manager& manager) {
    char* data = nullptr;
    int size = 0;
    manager.save(data, size);
    std::vector<char> bytes(data, data + size);
    delete[] data;
    return bytes;
}

} // namespace kvxsamples
