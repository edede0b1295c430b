#include "mesh_effect.h"

#include "dis_display.h"
#include "kvx_manager.h"
#include "nvn_system.h"
#include "scene_file.h"

#include <memory>

using norvane::Exception;
using norvane::mathbase::Matrix4x4Col;
using norvane::mathbase::Quaternion;
using norvane::mathbase::Vector3T;

MeshEffect::MeshEffect(EffectShared* shared, const std::string& folder, const std::vector<std::string>& required)
    : mShared(shared), program(nullptr), mFolder(folder), mRequired(required) {}

MeshEffect::~MeshEffect() {
    for (auto& entry : meshes) delete entry.second;
}

void MeshEffect::setup() {
    norvane::kvx::Manager scene;
    const std::string path = mFolder + "/" + mFolder + ".kvx";
    loadSceneFile(mDisplay, path, scene);

    for (norvane::kvx::Mesh* source : scene.meshes) {
        std::unique_ptr<norvane::torvik::Mesh> mesh(new norvane::torvik::Mesh(mDisplay));
        mesh->loadWithNormals(*source, 1);
        norvane::torvik::Mesh*& slot = meshes[mesh->name];
        delete slot; // a later mesh of the same name replaces the earlier one
        slot = mesh.release();
    }
    // A scene without a mesh that draw needs is a broken asset: say so now, not at the first frame.
    for (const std::string& name : mRequired)
        if (!findMesh(name)) throw Exception("File '%s' has no mesh '%s'.", path.c_str(), name.c_str());

    norvane::display::VertexShader vertex(mDisplay);
    vertex.loadFromFile((mFolder + "/" + mFolder + ".vert").c_str(), std::string());
    norvane::display::FragmentShader fragment(mDisplay);
    fragment.loadFromFile((mFolder + "/" + mFolder + ".frag").c_str(), std::string());
    program.mDisplay = mDisplay;
    program.attach(vertex);
    program.attach(fragment);
    program.link();
}

norvane::torvik::Mesh* MeshEffect::findMesh(const std::string& name) const {
    auto it = meshes.find(name);
    return it == meshes.end() ? nullptr : it->second;
}

void MeshEffect::setPerspective(float fovy, float aspectRatio) {
    Matrix4x4Col projection;
    projection.setPerspective(fovy, aspectRatio, 0.1f, 1000.0f);
    mDisplay->setProjection(projection);
}

void MeshEffect::setView(const Vector3T<float>& eye, const Vector3T<float>& target, float roll) {
    Matrix4x4Col view;
    view.setLookAt(eye, target, roll);
    mDisplay->setViewMatrix(view);
}

void MeshEffect::setModel(const Vector3T<float>& position, float x, float y, float z, const Vector3T<float>& scale) {
    Quaternion rotation;
    rotation.fromEuler(norvane::mathbase::EulerAngles(x, y, z, 0));
    Matrix4x4Col model;
    model.setTransform(position, rotation, scale);
    mDisplay->setModelMatrix(model);
}

float MeshEffect::aspect() const {
    const int width = mDisplay->getWidth(), height = mDisplay->getHeight();
    return (width > 0 && height > 0) ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
}
