#pragma once
// A shader program with named uniform values (floats, vectors, matrices, textures) that are all
// applied with one call before drawing. Textures get consecutive units in the order of their names.

#include "mathbase/mb_matrix.h"
#include "mathbase/mb_vector.h"

#include <map>
#include <string>

namespace norvane {
namespace display {

class ShaderProgram;
class Texture;

class MaterialAttrib {
public:
    virtual ~MaterialAttrib();
    // Sends the value to the program under name; textures take the next unit from textureUnit.
    virtual void apply(const std::string& name, ShaderProgram* program, int& textureUnit) = 0;
};

template <typename T> class MaterialAttribT : public MaterialAttrib {
public:
    explicit MaterialAttribT(const T& value) : mValue(value) {}
    void apply(const std::string& name, ShaderProgram* program, int& textureUnit) override;
    const T& getValue() const { return mValue; }

private:
    T mValue;
};

template <> void MaterialAttribT<float>::apply(const std::string& name, ShaderProgram* program, int& textureUnit);
template <>
void MaterialAttribT<mathbase::Vector3T<float>>::apply(const std::string& name, ShaderProgram* program,
                                                       int& textureUnit);
template <>
void MaterialAttribT<mathbase::Matrix4x4Col>::apply(const std::string& name, ShaderProgram* program, int& textureUnit);

class Material {
public:
    explicit Material(ShaderProgram* program);
    ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    void setProgram(ShaderProgram* program);
    ShaderProgram* getProgram() const { return mProgram; }

    // Makes the program current and applies every value in name order; nothing without a program.
    void use();
    void unuse();

    // While the program is in use the value goes to it at once and the stored one stays;
    // otherwise the value is stored under the name, replacing what was there.
    void setFloat(const std::string& name, float value);
    void setVec3(const std::string& name, const mathbase::Vector3T<float>& value);
    void setMatrix(const std::string& name, const mathbase::Matrix4x4Col& value);
    // Ignored while the program is in use.
    void setTexture(const std::string& name, Texture* texture);
    void removeAttrib(const std::string& name);

    // The stored attribute of that name, or null.
    MaterialAttrib* getAttrib(const std::string& name) const;
    size_t getAttribCount() const { return mAttribs.size(); }

private:
    bool programInUse() const;
    void store(const std::string& name, MaterialAttrib* attrib);

    ShaderProgram* mProgram; // not owned
    std::map<std::string, MaterialAttrib*> mAttribs;
};

} // namespace display
} // namespace norvane

// A texture handed to a sampler uniform on the next free texture unit.
class AttribTexture : public norvane::display::MaterialAttrib {
public:
    explicit AttribTexture(norvane::display::Texture* texture) : mTexture(texture) {}
    void apply(const std::string& name, norvane::display::ShaderProgram* program, int& textureUnit) override;
    norvane::display::Texture* getTexture() const { return mTexture; }

private:
    norvane::display::Texture* mTexture; // not owned
};
