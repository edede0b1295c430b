#pragma once
// GLSL vertex and fragment shaders compiled from files fetched through the archives, and the
// programs they link into, with uniform setters.

#include "dis_glcheck.h"
#include "dis_resource.h"
#include "mathbase/mb_matrix.h"
#include "mathbase/mb_vector.h"

#include <GL/glew.h>

#include <string>

namespace norvane {
namespace display {

// The shader-object, shading-language, vertex-shader and fragment-shader extensions are all present.
bool hasShaderSupport();

class Shader : public Resource {
public:
    explicit Shader(DisplayGL* display);
    ~Shader() override;

    // Compiles header + the file's text; throws when the file is missing or does not compile.
    void loadFromFile(const char* fileName, const std::string& header);
    // Compiles length bytes of source (no terminating zero needed); name is for messages only.
    void compile(const char* source, int length, const char* name);

    GLuint getHandle() const { return mHandle; }
    // The name of the last source compiled (its file name when loaded from a file).
    const std::string& getName() const { return mName; }

    GLuint mHandle;

protected:
    virtual void createHandle() = 0;

private:
    std::string mName;
};

class VertexShader : public Shader {
public:
    explicit VertexShader(DisplayGL* display) : Shader(display) {}
    VertexShader(DisplayGL* display, const std::string& fileName, const std::string& header) : Shader(display) {
        loadFromFile(fileName.c_str(), header);
    }
    ~VertexShader() override {
        if (mHandle != 0) glDeleteShader(mHandle);
    }

protected:
    void createHandle() override {
        mHandle = glCreateShader(GL_VERTEX_SHADER);
        checkGLError(__FILE__, __LINE__, "mHandle=glCreateShader(GL_VERTEX_SHADER)");
    }
};

class FragmentShader : public Shader {
public:
    explicit FragmentShader(DisplayGL* display) : Shader(display) {}
    FragmentShader(DisplayGL* display, const std::string& fileName, const std::string& header) : Shader(display) {
        loadFromFile(fileName.c_str(), header);
    }
    ~FragmentShader() override {
        if (mHandle != 0) glDeleteShader(mHandle);
    }

protected:
    void createHandle() override {
        mHandle = glCreateShader(GL_FRAGMENT_SHADER);
        checkGLError(__FILE__, __LINE__, "mHandle=glCreateShader(GL_FRAGMENT_SHADER)");
    }
};

class ShaderProgram : public Resource {
public:
    // Generic attributes bound by name before every link: the mesh vertex's two tangent channels.
    enum { Tangent0Attrib = 6, Tangent1Attrib = 7 };

    explicit ShaderProgram(DisplayGL* display);
    ~ShaderProgram() override;

    void attach(Shader& shader);
    void attachShaders(Shader& vertex, Shader& fragment);
    // Binds the tangent attributes and links; throws with the driver's message and the names of
    // the attached shaders on failure.
    void link();
    // Compiles both files, links them and lets the shader objects go.
    void loadFiles(const std::string& vertexFile, const std::string& fragmentFile);

    void use();
    void unuse();

    // These work whether or not the program is in use; the current program is unchanged after.
    void setUniformInt(const std::string& name, int value);
    void setUniformFloat(const std::string& name, float value);
    void setUniformVec3(const std::string& name, const mathbase::Vector3T<float>& v);
    void setUniformVec3Array(const std::string& name, const mathbase::Vector3T<float>* v, int count);
    void setUniformMatrix(const std::string& name, const mathbase::Matrix4x4Col& m);

    GLuint getHandle() const { return mHandle; }
    bool isLinked() const { return mLinked; }
    bool isInUse() const { return mInUse; }

    GLuint mHandle;

private:
    void createProgram();
    GLint location(const std::string& name) const;

    bool mLinked;
    bool mInUse;
    std::string mShaderNames; // "'a.vert', 'a.frag'": the attached shaders, for the link's error
};

} // namespace display
} // namespace norvane
