#include "bb_support.h"

#include <GL/glew.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

using namespace norvane::kvx;

namespace bbtest {

namespace {
int gWindowCount = 0;

AnimCurve::Key linearKey(float time, float value) {
    return AnimCurve::Key{time - 1, value, time, value, time + 1, value};
}
} // namespace

Window::Window(int width, int height, bool withDemo) {
    mFolder = std::filesystem::temp_directory_path() /
              ("botbuff_test_" + std::to_string(getpid()) + "_" + std::to_string(++gWindowCount));
    std::filesystem::remove_all(mFolder);
    std::filesystem::create_directories(mFolder);
    mArchives.reset(new norvane::am::ArchiveManager());
    mArchives->addArchive(mFolder.string() + "/");
    if (withDemo) mArchives->addArchive(std::string(HALCYRA_DEMO_DIR) + "/");
    norvane::display::WindowMode mode;
    mode.title = "botbuff";
    mode.width = width;
    mode.height = height;
    mDisplay.reset(new norvane::display::DisplayGL(mode));
    mDisplay->setArchive(mArchives.get());
    mDisplay->open();
}

Window::~Window() {
    mDisplay.reset();
    mArchives.reset();
    std::error_code error;
    std::filesystem::remove_all(mFolder, error);
}

void Window::write(const std::string& name, const std::vector<char>& bytes) const {
    const std::filesystem::path file = mFolder / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Window::copyShader(const std::string& name) const {
    const std::filesystem::path target = mFolder / name;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(std::filesystem::path(HALCYRA_SOURCE_DIR) / "demo" / name, target,
                               std::filesystem::copy_options::overwrite_existing);
}

std::vector<int> Window::pixel(int x, int y) const {
    unsigned char p[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

std::vector<char> bytesOf(const Manager& manager) {
    char* data = nullptr;
    int size = 0;
    manager.save(data, size);
    std::vector<char> bytes(data, data + size);
    delete[] data;
    return bytes;
}

CurveInstance* straightPath(const std::string& name, float length) {
    CurveInstance* path = new CurveInstance();
    path->name = name;
    path->points = {CurveInstance::Point{Vec3(-length / 3, 0, 0), Vec3(0, 0, 0), Vec3(length / 3, 0, 0)},
                    CurveInstance::Point{Vec3(2 * length / 3, 0, 0), Vec3(length, 0, 0), Vec3(4 * length / 3, 0, 0)}};
    path->timeTrack.interpolation = AnimCurve::Linear;
    path->timeTrack.keys = {linearKey(0, 0), linearKey(length, 1)};
    return path;
}

CurveInstance* cornerPath(const std::string& name, float leg) {
    CurveInstance* path = new CurveInstance();
    path->name = name;
    path->points = {CurveInstance::Point{Vec3(-leg / 3, 0, 0), Vec3(0, 0, 0), Vec3(leg / 3, 0, 0)},
                    CurveInstance::Point{Vec3(2 * leg / 3, 0, 0), Vec3(leg, 0, 0), Vec3(leg, 0, leg / 3)},
                    CurveInstance::Point{Vec3(leg, 0, 2 * leg / 3), Vec3(leg, 0, leg), Vec3(leg, 0, 4 * leg / 3)}};
    path->timeTrack.interpolation = AnimCurve::Linear;
    path->timeTrack.keys = {linearKey(0, 0), linearKey(2 * leg, 1)};
    return path;
}

std::vector<char> testScene(const SceneOptions& options) {
    Manager manager;
    Mesh* box = new Mesh();
    box->name = "box";
    box->materialNames = {options.material};
    box->positions = {Vec3(-1, -1, 1), Vec3(1, -1, 1), Vec3(1, 1, 1), Vec3(-1, 1, 1)};
    Submesh* face = new Submesh();
    face->mesh = box;
    face->materialIndex = 0;
    face->vertices = {0, 1, 2, 3};
    face->faces = {Face{0, {0, 1, 2}}, Face{0, {0, 2, 3}}};
    face->computeBounds();
    box->submeshes.push_back(face);
    box->computeBounds();
    manager.meshes.push_back(box);
    manager.meshIndex["box"] = 0;
    if (options.withMaterialRecord) {
        Material* material = new Material();
        material->name = options.material;
        Material::Attribute* diffuse = new Material::Attribute();
        diffuse->name = "diffuse";
        const float colour[4] = {0.2f, 0.4f, 0.6f, 0.5f};
        std::memcpy(diffuse->value, colour, sizeof(colour));
        material->attributes.push_back(diffuse);
        manager.materials.push_back(material);
        manager.materialIndex[material->name] = 0;
    }
    Scene* scene = new Scene();
    scene->name = "test";
    if (options.camera) {
        Camera* camera = new Camera();
        camera->name = "camera";
        camera->location.setDefaults(0, 0, 12);
        camera->rotation.setDefaults(1.5707964f, 0, 0);
        camera->fieldOfView.defaultValue = options.fieldOfView;
        scene->addChild(camera);
    }
    for (int i = 0; i < options.curves; ++i) {
        CurveInstance* path = straightPath("path" + std::to_string(i), 8);
        path->location.setDefaults(-4, 2.0f - static_cast<float>(i), 0);
        scene->addChild(path);
    }
    MeshInstance* instance = new MeshInstance();
    instance->name = "block";
    instance->meshName = options.instanceMesh;
    scene->addChild(instance);
    manager.addScene(scene);
    return bytesOf(manager);
}

} // namespace bbtest
