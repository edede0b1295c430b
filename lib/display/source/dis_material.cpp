#include "dis_material.h"

#include "dis_rescheck.h"
#include "dis_shader.h"
#include "dis_texture.h"

namespace norvane {
namespace display {

MaterialAttrib::~MaterialAttrib() {}

template <> void MaterialAttribT<float>::apply(const std::string& name, ShaderProgram* program, int&) {
    program->setUniformFloat(name, mValue);
}

template <>
void MaterialAttribT<mathbase::Vector3T<float>>::apply(const std::string& name, ShaderProgram* program, int&) {
    program->setUniformVec3(name, mValue);
}

template <> void MaterialAttribT<mathbase::Matrix4x4Col>::apply(const std::string& name, ShaderProgram* program, int&) {
    program->setUniformMatrix(name, mValue);
}

Material::Material(ShaderProgram* program) : mProgram(program) {}

Material::~Material() {
    for (auto& entry : mAttribs) delete entry.second;
    mAttribs.clear();
}

void Material::setProgram(ShaderProgram* program) {
    if (program == mProgram) return;
    mProgram = program;
}

bool Material::programInUse() const { return mProgram != nullptr && mProgram->isInUse(); }

void Material::use() {
    if (!mProgram) return;
    mProgram->use();
    int textureUnit = 0;
    for (auto& entry : mAttribs) entry.second->apply(entry.first, mProgram, textureUnit);
}

void Material::unuse() {
    if (mProgram) mProgram->unuse();
}

void Material::store(const std::string& name, MaterialAttrib* attrib) {
    auto found = mAttribs.find(name);
    if (found != mAttribs.end()) {
        delete found->second;
        found->second = attrib;
    } else {
        mAttribs[name] = attrib;
    }
}

void Material::setFloat(const std::string& name, float value) {
    if (programInUse()) mProgram->setUniformFloat(name, value);
    else store(name, new MaterialAttribT<float>(value));
}

void Material::setVec3(const std::string& name, const mathbase::Vector3T<float>& value) {
    if (programInUse()) mProgram->setUniformVec3(name, value);
    else store(name, new MaterialAttribT<mathbase::Vector3T<float>>(value));
}

void Material::setMatrix(const std::string& name, const mathbase::Matrix4x4Col& value) {
    if (programInUse()) mProgram->setUniformMatrix(name, value);
    else store(name, new MaterialAttribT<mathbase::Matrix4x4Col>(value));
}

void Material::setTexture(const std::string& name, Texture* texture) {
    if (programInUse()) return;
    store(name, new AttribTexture(texture));
}

void Material::removeAttrib(const std::string& name) {
    auto found = mAttribs.find(name);
    if (found == mAttribs.end()) return;
    delete found->second;
    mAttribs.erase(found);
}

MaterialAttrib* Material::getAttrib(const std::string& name) const {
    auto found = mAttribs.find(name);
    return found == mAttribs.end() ? nullptr : found->second;
}

} // namespace display
} // namespace norvane

void AttribTexture::apply(const std::string& name, norvane::display::ShaderProgram* program, int& textureUnit) {
    program->setUniformInt(name, textureUnit);
    const int u = textureUnit;
    textureUnit += 1;
    glActiveTexture(GL_TEXTURE0 + u);
    DIS_CHECK("glActiveTexture(GL_TEXTURE0 + u)");
    if (mTexture) mTexture->bind();
}
