#include "kvx_manager.h"
#include "nvn_system.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace norvane {
namespace kvx {

namespace {

const uint16_t kMain = 0x1000;
const uint16_t kMesh = 0x2000;
const uint16_t kTextureRef = 0x4000;
const uint16_t kTexturePath = 0xF020;
const uint16_t kMaterial = 0x6000;

template <typename T> T* byIndex(const std::vector<T*>& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size())) return nullptr;
    return list[index];
}

int lookUp(const std::map<std::string, int>& index, const std::string& name) {
    const auto it = index.find(name);
    return it == index.end() ? -1 : it->second;
}

// Loads one object of the main chunk; one whose loading throws is dropped and reading resumes
// after its chunk. Returns the object, or null when it was dropped.
template <typename T> T* loadObject(ChunkReader& reader, T* object) {
    std::unique_ptr<T> owned(object);
    const size_t depth = reader.getDepth();
    try {
        owned->loadChunk(reader);
    } catch (...) {
        reader.unwindTo(depth);
        return nullptr;
    }
    return owned.release();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TextureRef

void TextureRef::reset() {
    name.clear();
    path.clear();
}

void TextureRef::loadChunk(ChunkReader& reader) {
    reader.readString(name);
    while (uint16_t id = reader.nextChunk()) {
        if (id == kTexturePath) reader.readString(path);
        else std::printf("Unknown chunk with ID=0x%X\n", id);
        reader.endChunk();
    }
}

void TextureRef::save(ChunkWriter& writer) const {
    writer.beginChunk(kTextureRef);
    writer.writeString(name);
    writer.beginChunk(kTexturePath);
    writer.writeString(path);
    writer.endChunk();
    writer.endChunk();
}

// ---------------------------------------------------------------------------------------------
// Manager

Manager::Manager() {}

Manager::~Manager() { clear(); }

void Manager::clear() {
    for (TextureRef* ref : textureRefs) delete ref;
    for (Mesh* mesh : meshes) delete mesh;
    for (SceneNode* scene : scenes) delete scene;
    for (Material* material : materials) delete material;
    textureRefs.clear();
    meshes.clear();
    scenes.clear();
    materials.clear();
    textureRefIndex.clear();
    meshIndex.clear();
    materialIndex.clear();
}

void Manager::load(const char* data, int size, const std::string& fileName) {
    ChunkReader reader(data, size > 0 ? static_cast<uint32_t>(size) : 0, ChunkImplicitSizes);
    const std::string tag = reader.getTag();
    if (reader.getMinor() != 1 || reader.getMajor() != reader.getMinor() || tag != "KVXF") {
        throw Exception("Manager-file is of wrong version (%d:%d of format %s)", reader.getMajor(),
                        reader.getMinor(), tag.c_str());
    }
    const uint16_t id = reader.nextChunk();
    if (id != kMain) throw Exception("There can only be a main-chunk as the top of the hiarchy! Found 0x%X", id);
    loadChunkMain(reader);
    reader.endChunk();
    if (!fileName.empty() && reader.getEndPastData() > 0) {
        NVN_LOG("warning", "kvx", "'%s' is cut short: a chunk ends at byte %llu of %u", fileName.c_str(),
                static_cast<unsigned long long>(reader.getEndPastData()), reader.getSize());
    }
}

void Manager::loadChunkMain(ChunkReader& reader) {
    while (uint16_t id = reader.nextChunk()) {
        switch (id) {
        case kMesh:
            if (Mesh* mesh = loadObject(reader, new Mesh())) {
                meshIndex[mesh->name] = static_cast<int>(meshes.size());
                meshes.push_back(mesh);
            }
            break;
        case kTextureRef:
            if (TextureRef* ref = loadObject(reader, new TextureRef())) {
                textureRefIndex[ref->name] = static_cast<int>(textureRefs.size());
                textureRefs.push_back(ref);
            }
            break;
        case ChunkScene:
            if (Scene* scene = loadObject(reader, new Scene())) scenes.push_back(scene);
            break;
        case kMaterial:
            if (Material* material = loadObject(reader, new Material())) {
                materialIndex[material->name] = static_cast<int>(materials.size());
                materials.push_back(material);
            }
            break;
        default: NVN_LOG("warning", "kvx", "Unknown chunk with ID=0x%X\n", id); break;
        }
        reader.endChunk();
    }
}

void Manager::save(ChunkWriter& writer) const {
    writer.beginChunk(kMain);
    for (const Mesh* mesh : meshes) mesh->save(writer);
    for (const Material* material : materials) material->save(writer);
    for (const TextureRef* ref : textureRefs) ref->save(writer);
    for (const SceneNode* scene : scenes) scene->save(writer);
    writer.endChunk();
}

void Manager::save(char*& data, int& size) const {
    data = nullptr;
    size = 0;
    ChunkWriter writer("KVXF", 1, 1, ChunkImplicitSizes);
    save(writer);
    const std::vector<char>& bytes = writer.bytes();
    data = new char[bytes.size()];
    std::memcpy(data, bytes.data(), bytes.size());
    size = static_cast<int>(bytes.size());
}

int Manager::getMeshIndex(const std::string& name) const { return lookUp(meshIndex, name); }
int Manager::getMaterialIndex(const std::string& name) const { return lookUp(materialIndex, name); }
int Manager::getTextureRefIndex(const std::string& name) const { return lookUp(textureRefIndex, name); }

Mesh* Manager::getMesh(const std::string& name) { return byIndex(meshes, getMeshIndex(name)); }
const Mesh* Manager::getMesh(const std::string& name) const { return byIndex(meshes, getMeshIndex(name)); }
Material* Manager::getMaterial(const std::string& name) { return byIndex(materials, getMaterialIndex(name)); }
const Material* Manager::getMaterial(const std::string& name) const {
    return byIndex(materials, getMaterialIndex(name));
}
TextureRef* Manager::getTextureRef(const std::string& name) { return byIndex(textureRefs, getTextureRefIndex(name)); }
const TextureRef* Manager::getTextureRef(const std::string& name) const {
    return byIndex(textureRefs, getTextureRefIndex(name));
}

SceneNode* Manager::getScene(const std::string& name) const {
    for (SceneNode* scene : scenes)
        if (scene->name == name) return scene;
    return nullptr;
}

Mesh* Manager::getMeshByIndex(int index) const { return byIndex(meshes, index); }
Material* Manager::getMaterialByIndex(int index) const { return byIndex(materials, index); }
TextureRef* Manager::getTextureRefByIndex(int index) const { return byIndex(textureRefs, index); }
SceneNode* Manager::getSceneByIndex(int index) const { return byIndex(scenes, index); }

void Manager::addScene(SceneNode* scene) { scenes.push_back(scene); }

} // namespace kvx
} // namespace norvane
