#include "dis_shader.h"

#include "dis_rescheck.h"
#include "nvn_system.h"

#include <cstring>
#include <memory>
#include <vector>

namespace norvane {
namespace display {

namespace {

// The info log of a shader or program, as GL wrote it, and the number of characters written.
std::string infoLog(GLuint handle, bool program, GLint& written) {
    GLint maxLength = 0;
    if (program) glGetProgramiv(handle, GL_INFO_LOG_LENGTH, &maxLength);
    else glGetShaderiv(handle, GL_INFO_LOG_LENGTH, &maxLength);
    written = 0;
    if (maxLength <= 0) return std::string();
    std::vector<char> log(static_cast<size_t>(maxLength) + 1, 0);
    if (program) glGetProgramInfoLog(handle, maxLength, &written, log.data());
    else glGetShaderInfoLog(handle, maxLength, &written, log.data());
    return std::string(log.data());
}

} // namespace

bool hasShaderSupport() {
    static const char* const needed[] = {"GL_ARB_shader_objects", "GL_ARB_shading_language_100",
                                         "GL_ARB_vertex_shader", "GL_ARB_fragment_shader"};
    for (const char* name : needed)
        if (glewIsSupported(name) != GL_TRUE) return false;
    return true;
}

Shader::Shader(DisplayGL* display) : Resource(display, 0), mHandle(0) {}

Shader::~Shader() {}

void Shader::loadFromFile(const char* fileName, const std::string& header) {
    if (!hasShaderSupport()) throw Exception("Your graphic card does not support shaders!");
    if (!canLoadFiles()) throw Exception("The device can not load files! (when loading %s)", fileName);
    am::FileDataHandle data = loadFile(fileName);
    if (header.empty()) {
        compile(data->bytes, data->size, fileName);
    } else {
        std::string source = header;
        source.append(data->bytes ? data->bytes : "", static_cast<size_t>(data->size));
        compile(source.data(), static_cast<int>(source.size()), fileName);
    }
    data.release();
}

void Shader::compile(const char* source, int length, const char* name) {
    if (!name) name = "unknown";
    mName = name;
    if (mHandle == 0) createHandle();
    const char* dataBajs = source ? source : "";
    GLint dataLength = source ? length : 0;
    glShaderSource(mHandle, 1, &dataBajs, &dataLength);
    DIS_CHECK("glShaderSource(mHandle, 1, &dataBajs, (const GLint*) &dataLength)");
    glCompileShader(mHandle);
    DIS_CHECK("glCompileShader(mHandle)");
    GLint compiled = 0;
    glGetShaderiv(mHandle, GL_COMPILE_STATUS, &compiled);
    GLint written = 0;
    const std::string message = infoLog(mHandle, false, written);
    if (!compiled) throw Exception("Could not compile '%s'.\nCompile message:\n%s", name, message.c_str());
    if (written > 0)
        NVN_LOG("info", "display", "Shader '%s' compiled with message (%d chars):\n%s", name, written, message.c_str());
}

ShaderProgram::ShaderProgram(DisplayGL* display) : Resource(display, 0), mHandle(0), mLinked(false), mInUse(false) {}

ShaderProgram::~ShaderProgram() {
    if (mHandle != 0) {
        glDeleteProgram(mHandle);
        try {
            DIS_CHECK("glDeleteProgram(mHandle)");
        } catch (const Exception&) {
            // Already logged by the exception; a destructor must not throw.
        }
    }
}

void ShaderProgram::createProgram() {
    mHandle = glCreateProgram();
    DIS_CHECK("mHandle=glCreateProgram()");
}

void ShaderProgram::attach(Shader& shader) {
    if (mHandle == 0) createProgram();
    const GLuint attachHandle = shader.getHandle();
    glAttachShader(mHandle, attachHandle);
    DIS_CHECK("glAttachShader(mHandle,attachHandle)");
    if (!mShaderNames.empty()) mShaderNames += ", ";
    mShaderNames += "'" + shader.getName() + "'";
}

void ShaderProgram::attachShaders(Shader& vertex, Shader& fragment) {
    attach(vertex);
    attach(fragment);
}

void ShaderProgram::link() {
    if (mHandle == 0) createProgram();
    glBindAttribLocation(mHandle, Tangent0Attrib, "tangent0_vs");
    DIS_CHECK("glBindAttribLocation(mHandle, 6, \"tangent0_vs\")");
    glBindAttribLocation(mHandle, Tangent1Attrib, "tangent1_vs");
    DIS_CHECK("glBindAttribLocation(mHandle, 7, \"tangent1_vs\")");
    glLinkProgram(mHandle);
    DIS_CHECK("glLinkProgram(mHandle)");
    GLint linked = 0;
    glGetProgramiv(mHandle, GL_LINK_STATUS, &linked);
    GLint written = 0;
    const std::string message = infoLog(mHandle, true, written);
    if (!linked) {
        // The driver's message rarely says which files it is about: name them.
        const char* end = (!message.empty() && message.back() == '\n') ? "" : "\n";
        throw Exception("Could not link.\n\nLink message:\n%s%sShaders: %s", message.c_str(), end,
                        mShaderNames.empty() ? "none" : mShaderNames.c_str());
    }
    if (written > 0) {
        static const char success[] = " Link successful.";
        const size_t compared = written < 17 ? static_cast<size_t>(written) : 17;
        if (std::strncmp(message.c_str(), success, compared) != 0)
            NVN_LOG("info", "display", "Linked shaderprogram, message (%d):\n%s", written, message.c_str());
    }
    mLinked = true;
}

void ShaderProgram::loadFiles(const std::string& vertexFile, const std::string& fragmentFile) {
    std::unique_ptr<VertexShader> vertex(new VertexShader(mDisplay, vertexFile, ""));
    std::unique_ptr<FragmentShader> fragment(new FragmentShader(mDisplay, fragmentFile, ""));
    attachShaders(*vertex, *fragment);
    link();
}

void ShaderProgram::use() {
    glUseProgram(mHandle);
    DIS_CHECK("glUseProgram(mHandle)");
    mInUse = true; // only once GL took it: a program that failed to link is never current
}

void ShaderProgram::unuse() {
    glUseProgram(0);
    DIS_CHECK("glUseProgram(0)");
    mInUse = false;
}

GLint ShaderProgram::location(const std::string& name) const { return glGetUniformLocation(mHandle, name.c_str()); }

// A uniform goes to the current program, so a setter makes this one current for the call
// when it is not, and switches it off again afterwards.
#define WITH_PROGRAM(statement)          \
    const bool wasInUse = mInUse;        \
    if (!wasInUse) use();                \
    statement;                           \
    if (!wasInUse) unuse();

void ShaderProgram::setUniformInt(const std::string& name, int value) {
    WITH_PROGRAM(glUniform1i(location(name), value))
}

void ShaderProgram::setUniformFloat(const std::string& name, float value) {
    WITH_PROGRAM(glUniform1f(location(name), value))
}

void ShaderProgram::setUniformVec3(const std::string& name, const mathbase::Vector3T<float>& v) {
    const GLfloat values[3] = {v.x, v.y, v.z};
    WITH_PROGRAM(glUniform3fv(location(name), 1, values))
}

void ShaderProgram::setUniformVec3Array(const std::string& name, const mathbase::Vector3T<float>* v, int count) {
    // The vectors are three packed floats each, as GL takes them: no copy.
    static_assert(sizeof(mathbase::Vector3T<float>) == 3 * sizeof(GLfloat), "Vector3T<float> must be three packed floats");
    WITH_PROGRAM(glUniform3fv(location(name), count > 0 ? count : 0, count > 0 ? &v[0].x : nullptr))
}

void ShaderProgram::setUniformMatrix(const std::string& name, const mathbase::Matrix4x4Col& m) {
    WITH_PROGRAM(glUniformMatrix4fv(location(name), 1, GL_FALSE, m.data()))
}

#undef WITH_PROGRAM

} // namespace display
} // namespace norvane
