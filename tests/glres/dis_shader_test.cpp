// Shaders compiled from files in the archive, linked into programs and drawn with uniforms.

#include "dis_shader.h"
#include "glres_fixture.h"
#include "nvn_system.h"

#include <ctime>

#include <unistd.h>

using namespace norvane;
using namespace norvane::display;
using glres::Rgba;

namespace {

const char* const PlainVertex = "void main() { gl_Position = ftransform(); }\n";

const char* const UniformFragment =
    "uniform vec3 colour;\n"
    "uniform float scale;\n"
    "void main() { gl_FragColor = vec4(colour * scale, 1.0); }\n";

GLint currentProgram() {
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

class ShaderTest : public glres::GlTest {
protected:
    void SetUp() override {
        glres::GlTest::SetUp();
        writeText("plain.vert", PlainVertex);
        writeText("uniform.frag", UniformFragment);
    }
};

TEST_F(ShaderTest, ProgramDrawsWithItsUniforms) {
    ShaderProgram program(mDisplay.get());
    program.loadFiles("plain.vert", "uniform.frag");
    EXPECT_TRUE(program.isLinked());
    EXPECT_NE(0u, program.getHandle());

    begin2D();
    program.use();
    program.setUniformVec3("colour", mathbase::Vector3T<float>(1.0f, 0.5f, 0.25f));
    program.setUniformFloat("scale", 1.0f);
    drawQuad(0, 0, 0.5f, 1);
    program.setUniformFloat("scale", 0.5f);
    program.setUniformFloat("no such uniform", 3.0f); // location -1: ignored
    drawQuad(0.5f, 0, 1, 1);
    program.unuse();
    savePicture("shader_uniforms");

    EXPECT_RGB(pixelAt(0.25f, 0.5f), (Rgba{255, 128, 64, 255}));
    EXPECT_RGB(pixelAt(0.75f, 0.5f), (Rgba{128, 64, 32, 255}));
    EXPECT_EQ(0, currentProgram());
}

TEST_F(ShaderTest, MatrixAndVectorArrayUniforms) {
    writeText("moved.vert",
              "uniform mat4 move;\n"
              "void main() { gl_Position = gl_ModelViewProjectionMatrix * (move * gl_Vertex); }\n");
    writeText("sum.frag",
              "uniform vec3 parts[2];\n"
              "void main() { gl_FragColor = vec4(parts[0] + parts[1], 1.0); }\n");
    ShaderProgram program(mDisplay.get());
    program.loadFiles("moved.vert", "sum.frag");
    mathbase::Matrix4x4Col move;
    move.setIdentity();
    move[12] = 0.5f; // column-major: the translation sits in elements 12 to 14
    const mathbase::Vector3T<float> parts[2] = {mathbase::Vector3T<float>(0, 1, 0),
                                                mathbase::Vector3T<float>(0, 0, 1)};
    begin2D();
    program.use();
    program.setUniformMatrix("move", move);
    program.setUniformVec3Array("parts", parts, 2);
    drawQuad(0, 0, 0.5f, 1);
    program.unuse();
    EXPECT_RGB(pixelAt(0.25f, 0.5f), (Rgba{0, 0, 0, 255}));
    EXPECT_RGB(pixelAt(0.75f, 0.5f), (Rgba{0, 255, 255, 255}));
}

TEST_F(ShaderTest, TangentAttributesAreBoundAtSixAndSeven) {
    writeText("tangent.vert",
              "attribute vec4 tangent1_vs;\n"
              "attribute vec4 tangent0_vs;\n"
              "varying vec4 shade;\n"
              "void main() {\n"
              "  shade = vec4(tangent0_vs.x, tangent0_vs.y, tangent1_vs.z, 1.0);\n"
              "  gl_Position = ftransform();\n"
              "}\n");
    writeText("shade.frag", "varying vec4 shade;\nvoid main() { gl_FragColor = shade; }\n");
    ShaderProgram program(mDisplay.get());
    program.loadFiles("tangent.vert", "shade.frag");
    EXPECT_EQ(6, glGetAttribLocation(program.getHandle(), "tangent0_vs"));
    EXPECT_EQ(7, glGetAttribLocation(program.getHandle(), "tangent1_vs"));

    begin2D();
    program.use();
    glVertexAttrib4f(6, 1.0f, 0.5f, 0.0f, 0.0f);
    glVertexAttrib4f(7, 0.0f, 0.0f, 1.0f, 0.0f);
    drawQuad(0, 0, 1, 1);
    program.unuse();
    EXPECT_RGB(pixelAt(0.5f, 0.5f), (Rgba{255, 128, 255, 255}));
}

TEST_F(ShaderTest, UniformSettersLeaveTheCurrentProgramAsItWas) {
    ShaderProgram program(mDisplay.get());
    program.loadFiles("plain.vert", "uniform.frag");
    program.setUniformFloat("scale", 0.25f);
    EXPECT_EQ(0, currentProgram());
    EXPECT_FALSE(program.isInUse());
    program.setUniformVec3("colour", mathbase::Vector3T<float>(1, 0.5f, 0.25f));
    EXPECT_EQ(0, currentProgram());
    // The values reached this program, not whichever one was current.
    GLfloat colour[3] = {0, 0, 0};
    glGetUniformfv(program.getHandle(), glGetUniformLocation(program.getHandle(), "colour"), colour);
    EXPECT_EQ(0.5f, colour[1]);
    GLfloat quarter = 0;
    glGetUniformfv(program.getHandle(), glGetUniformLocation(program.getHandle(), "scale"), &quarter);
    EXPECT_EQ(0.25f, quarter);

    program.use();
    program.setUniformInt("scale", 0); // wrong type for a float: GL ignores it, the program stays
    glGetError();
    program.setUniformFloat("scale", 0.75f);
    EXPECT_EQ(static_cast<GLint>(program.getHandle()), currentProgram());
    GLfloat scale = 0;
    glGetUniformfv(program.getHandle(), glGetUniformLocation(program.getHandle(), "scale"), &scale);
    EXPECT_EQ(0.75f, scale);
    program.unuse();
}

TEST_F(ShaderTest, AProgramThatDidNotLinkIsNeverInUse) {
    writeText("undefined.frag", "vec4 shade();\nvoid main() { gl_FragColor = shade(); }\n");
    ShaderProgram program(mDisplay.get());
    EXPECT_NE("", glres::thrownText([&] { program.loadFiles("plain.vert", "undefined.frag"); }));
    EXPECT_NE(std::string::npos, glres::thrownText([&] { program.use(); }).find("glUseProgram(mHandle)"));
    EXPECT_FALSE(program.isInUse());
    // A setter tries to make it current again and says so, rather than sending to no program.
    EXPECT_NE(std::string::npos,
              glres::thrownText([&] { program.setUniformFloat("scale", 1.0f); }).find("glUseProgram(mHandle)"));
    EXPECT_FALSE(program.isInUse());
    EXPECT_EQ(0, currentProgram());
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError()); // nothing left for a later statement
}

TEST_F(ShaderTest, AHeaderIsCompiledDirectlyBeforeTheFile) {
    // The header ends in the middle of a line; the file's first bytes finish it.
    writeText("headed.frag", " vec4(0.0, 1.0, 0.0, 1.0)\nvoid main() { gl_FragColor = GREEN; }\n");
    VertexShader vertex(mDisplay.get(), "plain.vert", "");
    FragmentShader fragment(mDisplay.get(), "headed.frag", "#define GREEN");
    ShaderProgram program(mDisplay.get());
    program.attachShaders(vertex, fragment);
    program.link();
    begin2D();
    program.use();
    drawQuad(0, 0, 1, 1);
    program.unuse();
    EXPECT_RGB(pixelAt(0.5f, 0.5f), (Rgba{0, 255, 0, 255}));
}

TEST_F(ShaderTest, CompileMessagesAreLoggedWithTheFileName) {
    // A text of its own each run: the driver's shader cache would skip the compile and its message.
    const std::string unique = "// " + std::to_string(getpid()) + " " + std::to_string(time(nullptr)) + "\n";
    writeText("warns.frag",
              "#extension GL_no_such_extension : warn\n" + unique + "void main() { gl_FragColor = vec4(1.0); }\n");
    testing::internal::CaptureStdout();
    FragmentShader fragment(mDisplay.get(), "warns.frag", "");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Shader 'warns.frag' compiled with message (")) << log;
    EXPECT_NE(std::string::npos, log.find("GL_no_such_extension")) << log;
    EXPECT_NE(0u, fragment.getHandle());
}

TEST_F(ShaderTest, FailureTexts) {
    writeText("broken.frag", "void main() { gl_FragColor = vec4(1.0) }\n");
    const std::string compile = glres::thrownText([&] { FragmentShader shader(mDisplay.get(), "broken.frag", ""); });
    EXPECT_EQ(0u, compile.find("Could not compile 'broken.frag'.\nCompile message:\n")) << compile;
    EXPECT_GT(compile.size(), std::string("Could not compile 'broken.frag'.\nCompile message:\n").size());

    // Declared but never defined: every shader compiles, the link fails.
    writeText("undefined.frag", "vec4 shade();\nvoid main() { gl_FragColor = shade(); }\n");
    ShaderProgram unlinked(mDisplay.get());
    const std::string link = glres::thrownText([&] { unlinked.loadFiles("plain.vert", "undefined.frag"); });
    EXPECT_EQ(0u, link.find("Could not link.\n\nLink message:\n")) << link;
    EXPECT_NE(std::string::npos, link.find("\nShaders: 'plain.vert', 'undefined.frag'")) << link;
    EXPECT_FALSE(unlinked.isLinked());

    ShaderProgram missing(mDisplay.get());
    EXPECT_EQ("Display::Resource; File 'nothere.vert' could not be read",
              glres::thrownText([&] { missing.loadFiles("nothere.vert", "uniform.frag"); }));

    EXPECT_EQ("The device can not load files! (when loading plain.vert)",
              glres::thrownText([&] { VertexShader homeless(nullptr, "plain.vert", ""); }));
    mDisplay->setArchive(nullptr);
    EXPECT_EQ("The device can not load files! (when loading plain.vert)",
              glres::thrownText([&] { VertexShader noArchive(mDisplay.get(), "plain.vert", ""); }));
    mDisplay->setArchive(mArchives.get());

    pretendMissing(__GLEW_ARB_fragment_shader);
    EXPECT_FALSE(hasShaderSupport());
    EXPECT_EQ("Your graphic card does not support shaders!",
              glres::thrownText([&] { VertexShader unsupported(mDisplay.get(), "plain.vert", ""); }));
}

} // namespace
