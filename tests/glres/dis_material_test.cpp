// Materials: named uniform values and textures handed to a program with one call.

#include "dis_material.h"
#include "dis_shader.h"
#include "dis_texture.h"
#include "glres_fixture.h"
#include "nvn_system.h"

using namespace norvane;
using namespace norvane::display;
using glres::Rgba;

namespace {

GLint currentProgram() {
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

class MaterialTest : public glres::GlTest {
protected:
    void SetUp() override {
        glres::GlTest::SetUp();
        writeText("material.vert",
                  "uniform mat4 move;\n"
                  "varying vec2 uv;\n"
                  "void main() { uv = gl_MultiTexCoord0.xy; gl_Position = gl_ModelViewProjectionMatrix * (move * "
                  "gl_Vertex); }\n");
        writeText("material.frag",
                  "uniform float alpha;\n"
                  "uniform vec3 tint;\n"
                  "uniform sampler2D diffuse;\n"
                  "uniform sampler2D normalmap;\n"
                  "uniform sampler2D Zebra;\n"
                  "uniform sampler2D apple;\n"
                  "varying vec2 uv;\n"
                  "void main() {\n"
                  "  vec4 d = texture2D(diffuse, uv) + texture2D(normalmap, uv);\n"
                  "  gl_FragColor = vec4(d.rgb * tint * alpha, 1.0) + 0.001 * (texture2D(Zebra, uv) + texture2D(apple, uv));\n"
                  "}\n");
        mProgram.reset(new ShaderProgram(mDisplay.get()));
        mProgram->loadFiles("material.vert", "material.frag");
        mRed.reset(new Texture(mDisplay.get()));
        mRed->setImage(makeImage(2, 2, [](int, int) { return Rgba{255, 0, 0, 255}; }), false);
        mBlue.reset(new Texture(mDisplay.get()));
        mBlue->setImage(makeImage(2, 2, [](int, int) { return Rgba{0, 0, 255, 255}; }), false);
    }

    void TearDown() override {
        mRed.reset();
        mBlue.reset();
        mProgram.reset();
        glres::GlTest::TearDown();
    }

    GLint samplerUnit(const char* name) {
        GLint unit = -1;
        glGetUniformiv(mProgram->getHandle(), glGetUniformLocation(mProgram->getHandle(), name), &unit);
        return unit;
    }

    float floatUniform(const char* name) {
        GLfloat value = -1;
        glGetUniformfv(mProgram->getHandle(), glGetUniformLocation(mProgram->getHandle(), name), &value);
        return value;
    }

    GLint boundTexture(int unit) {
        GLint active = 0, name = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        glActiveTexture(GL_TEXTURE0 + unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        glActiveTexture(active);
        return name;
    }

    std::unique_ptr<ShaderProgram> mProgram;
    std::unique_ptr<Texture> mRed, mBlue;
};

TEST_F(MaterialTest, UseHandsValuesAndTexturesToTheProgram) {
    Material material(mProgram.get());
    mathbase::Matrix4x4Col move;
    move[12] = 0.5f;
    material.setFloat("alpha", 0.5f);
    material.setVec3("tint", mathbase::Vector3T<float>(1.0f, 1.0f, 0.5f));
    material.setMatrix("move", move);
    material.setTexture("diffuse", mRed.get());
    material.setTexture("normalmap", mBlue.get());
    EXPECT_EQ(5u, material.getAttribCount());

    begin2D();
    material.use();
    EXPECT_EQ(static_cast<GLint>(mProgram->getHandle()), currentProgram());
    EXPECT_EQ(0, samplerUnit("diffuse"));
    EXPECT_EQ(1, samplerUnit("normalmap"));
    EXPECT_EQ(static_cast<GLint>(mRed->mTexture), boundTexture(0));
    EXPECT_EQ(static_cast<GLint>(mBlue->mTexture), boundTexture(1));
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(GL_TEXTURE1, active) << "the active unit is left at the last one used";
    drawQuad(0, 0, 0.5f, 1);
    material.unuse();
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(0, currentProgram());
    savePicture("material");
    // red + blue, tinted (1, 1, 0.5) and halved; moved into the right half.
    EXPECT_RGB(pixelAt(0.75f, 0.5f), (Rgba{128, 0, 64, 255}));
    EXPECT_RGB(pixelAt(0.25f, 0.5f), (Rgba{0, 0, 0, 255}));
}

TEST_F(MaterialTest, TextureUnitsFollowTheNamesByteOrder) {
    Material material(mProgram.get());
    material.setTexture("apple", mRed.get());
    material.setTexture("Zebra", mBlue.get());
    material.use();
    EXPECT_EQ(0, samplerUnit("Zebra"));
    EXPECT_EQ(1, samplerUnit("apple"));
    material.unuse();
    glActiveTexture(GL_TEXTURE0);
}

TEST_F(MaterialTest, StoredValuesAndValuesSentWhileInUse) {
    Material material(mProgram.get());
    material.setFloat("alpha", 0.25f);
    material.setFloat("alpha", 0.5f);
    EXPECT_EQ(1u, material.getAttribCount());
    auto* stored = dynamic_cast<MaterialAttribT<float>*>(material.getAttrib("alpha"));
    ASSERT_NE(nullptr, stored);
    EXPECT_EQ(0.5f, stored->getValue());

    material.use();
    EXPECT_EQ(0.5f, floatUniform("alpha"));
    material.setFloat("alpha", 0.75f); // straight to the program; the stored value stays
    EXPECT_EQ(0.75f, floatUniform("alpha"));
    EXPECT_EQ(0.5f, stored->getValue());
    material.setTexture("diffuse", mRed.get()); // ignored while in use
    EXPECT_EQ(nullptr, material.getAttrib("diffuse"));
    material.unuse();
    material.use();
    EXPECT_EQ(0.5f, floatUniform("alpha"));
    material.unuse();

    material.removeAttrib("alpha");
    material.removeAttrib("not there");
    EXPECT_EQ(0u, material.getAttribCount());
    material.setVec3("tint", mathbase::Vector3T<float>(1, 2, 3));
    material.setVec3("tint", mathbase::Vector3T<float>(4, 5, 6));
    EXPECT_EQ(1u, material.getAttribCount());
}

TEST_F(MaterialTest, WithoutAttributesOnlyTheProgramSwitches) {
    Material material(mProgram.get());
    material.use();
    EXPECT_EQ(static_cast<GLint>(mProgram->getHandle()), currentProgram());
    material.unuse();
    EXPECT_EQ(0, currentProgram());
}

TEST_F(MaterialTest, WithoutAProgramNothingHappens) {
    Material material(nullptr);
    material.setFloat("alpha", 1.0f);
    material.setTexture("diffuse", mRed.get());
    EXPECT_EQ(2u, material.getAttribCount());
    EXPECT_NO_THROW(material.use());
    EXPECT_EQ(0, currentProgram());
    EXPECT_NO_THROW(material.unuse());

    material.setProgram(mProgram.get());
    material.use();
    EXPECT_EQ(static_cast<GLint>(mProgram->getHandle()), currentProgram());
    EXPECT_EQ(1.0f, floatUniform("alpha"));
    material.unuse();
    glActiveTexture(GL_TEXTURE0);
}

} // namespace
