// Render targets: drawn into, sampled, nested, and made again after a context change.

#include "dis_fbo.h"
#include "dis_texture.h"
#include "glres_fixture.h"
#include "nvn_system.h"

using namespace norvane;
using namespace norvane::display;
using glres::Rgba;

namespace {

const Rgba Red{255, 0, 0, 255}, Green{0, 255, 0, 255}, Blue{0, 0, 255, 255}, Yellow{255, 255, 0, 255};

GLint framebufferBinding() {
    GLint value = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &value);
    return value;
}

struct Viewport {
    GLint v[4];
};

Viewport viewport() {
    Viewport result;
    glGetIntegerv(GL_VIEWPORT, result.v);
    return result;
}

class FBOTest : public glres::GlTest {
protected:
    // Clears the bound target to a colour and draws a quad of another over its middle.
    void paint(const Rgba& background, const Rgba& middle) {
        glClearColor(background.r / 255.0f, background.g / 255.0f, background.b / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3ub(static_cast<GLubyte>(middle.r), static_cast<GLubyte>(middle.g), static_cast<GLubyte>(middle.b));
        drawQuad(0.25f, 0.25f, 0.75f, 0.75f);
        glColor3f(1, 1, 1);
    }

    // Shows the texture over the whole window.
    void show(Texture& texture) {
        glEnable(GL_TEXTURE_2D);
        texture.bind();
        drawQuad(0, 0, 1, 1);
        texture.unbind();
        glDisable(GL_TEXTURE_2D);
    }
};

TEST_F(FBOTest, RenderedIntoThenSampled) {
    Texture colour(mDisplay.get());
    FBO target(mDisplay.get());
    target.setSize(32, 16, true);
    target.attach(GL_COLOR_ATTACHMENT0_EXT, &colour);
    EXPECT_EQ(32, colour.mWidth);
    EXPECT_EQ(16, colour.mHeight);

    begin2D();
    target.bind();
    EXPECT_TRUE(target.isInited());
    EXPECT_EQ(static_cast<GLint>(target.mFrameBuffer), framebufferBinding());
    const Viewport inside = viewport();
    EXPECT_EQ(32, inside.v[2]);
    EXPECT_EQ(16, inside.v[3]);
    // The depth buffer works: the nearer quad drawn first stays in front.
    glEnable(GL_DEPTH_TEST);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);
    glVertex3f(0.25f, 0.25f, 0.5f);
    glVertex3f(0.75f, 0.25f, 0.5f);
    glVertex3f(0.75f, 0.75f, 0.5f);
    glVertex3f(0.25f, 0.75f, 0.5f);
    glColor3f(0, 0, 1);
    glVertex3f(0, 0, -0.5f);
    glVertex3f(1, 0, -0.5f);
    glVertex3f(1, 1, -0.5f);
    glVertex3f(0, 1, -0.5f);
    glEnd();
    glDisable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    target.unbind();

    EXPECT_EQ(0, framebufferBinding());
    EXPECT_EQ(Size, viewport().v[2]);
    EXPECT_EQ(Size, viewport().v[3]);
    show(colour);
    savePicture("fbo_sampled");
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Green);
    EXPECT_RGB(pixelAt(0.1f, 0.1f), Blue);
    EXPECT_RGB(pixelAt(0.9f, 0.9f), Blue);
}

TEST_F(FBOTest, NestedTargetsReturnToTheOuterOne) {
    Texture outerColour(mDisplay.get()), innerColour(mDisplay.get());
    FBO outer(mDisplay.get()), inner(mDisplay.get());
    outer.setSize(64, 64, false);
    outer.attach(GL_COLOR_ATTACHMENT0_EXT, &outerColour);
    inner.setSize(16, 16, true);
    inner.attach(GL_COLOR_ATTACHMENT0_EXT, &innerColour);

    begin2D();
    outer.bind();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    inner.bind();
    EXPECT_EQ(16, viewport().v[2]);
    paint(Yellow, Yellow);
    inner.unbind();
    // Back in the outer target, at its size.
    EXPECT_EQ(static_cast<GLint>(outer.mFrameBuffer), framebufferBinding());
    EXPECT_EQ(64, viewport().v[2]);
    glColor3f(1, 0, 0);
    drawQuad(0.25f, 0.25f, 0.75f, 0.75f);
    glColor3f(1, 1, 1);
    outer.unbind();
    EXPECT_EQ(0, framebufferBinding());
    EXPECT_EQ(Size, viewport().v[2]);

    begin2D();
    show(outerColour);
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Red);
    EXPECT_RGB(pixelAt(0.1f, 0.1f), Blue);
    savePicture("fbo_nested_outer");
    begin2D();
    show(innerColour);
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Yellow);
}

TEST_F(FBOTest, BindTwiceAndLateSizesChangeNothing) {
    Texture colour(mDisplay.get());
    FBO target(mDisplay.get());
    target.setSize(8, 8, false);
    target.attach(GL_COLOR_ATTACHMENT0_EXT, &colour);
    begin2D();
    target.bind();
    target.bind();
    target.setSize(64, 64, true);
    EXPECT_EQ(8, target.mScreenX);
    EXPECT_EQ(8, viewport().v[2]);
    target.unbind();
    EXPECT_EQ(0, framebufferBinding());
    EXPECT_EQ(Size, viewport().v[2]);
    target.unbind(); // not bound: nothing
    EXPECT_EQ(Size, viewport().v[2]);
    EXPECT_EQ(0u, target.mDepthTexture);
}

TEST_F(FBOTest, ATargetWithoutItsOwnSizeTakesItsTexturesSize) {
    Texture colour(mDisplay.get());
    colour.configure(24, 12, 0, 0, GL_TEXTURE_2D);
    FBO target(mDisplay.get());
    target.attach(GL_COLOR_ATTACHMENT0_EXT, &colour);
    target.bind();
    EXPECT_EQ(24, viewport().v[2]);
    EXPECT_EQ(12, viewport().v[3]);
    target.unbind();
}

TEST_F(FBOTest, TargetsAreMadeAgainAfterTheContextIsRecreated) {
    Texture colour(mDisplay.get());
    FBO target(mDisplay.get());
    target.setSize(32, 32, true);
    target.attach(GL_COLOR_ATTACHMENT0_EXT, &colour);
    begin2D();
    target.bind();
    paint(Red, Red);
    target.unbind();

    reopen();
    testing::internal::CaptureStdout();
    begin2D();
    target.bind();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Reloading fbo\n")) << log;
    EXPECT_NE(std::string::npos, log.find("Reloading texture from 'am::Image'.")) << log;
    EXPECT_TRUE(glIsFramebufferEXT(target.mFrameBuffer));
    EXPECT_TRUE(glIsRenderbufferEXT(target.mDepthTexture));
    paint(Blue, Green);
    target.unbind();
    show(colour);
    EXPECT_RGB(pixelAt(0.5f, 0.5f), Green);
    EXPECT_RGB(pixelAt(0.1f, 0.1f), Blue);
}

TEST_F(FBOTest, ATargetOfADeadContextDoesNotDeleteANewOne) {
    Texture oldColour(mDisplay.get()), newColour(mDisplay.get());
    std::unique_ptr<FBO> old(new FBO(mDisplay.get()));
    old->setSize(8, 8, true);
    old->attach(GL_COLOR_ATTACHMENT0_EXT, &oldColour);
    old->bind();
    old->unbind();
    const GLuint oldName = old->mFrameBuffer;

    reopen();
    FBO fresh(mDisplay.get());
    fresh.setSize(8, 8, true);
    fresh.attach(GL_COLOR_ATTACHMENT0_EXT, &newColour);
    fresh.bind();
    fresh.unbind();
    ASSERT_EQ(oldName, fresh.mFrameBuffer) << "the new context hands out the same name again";
    old.reset();
    EXPECT_TRUE(glIsFramebufferEXT(fresh.mFrameBuffer));
    EXPECT_TRUE(glIsRenderbufferEXT(fresh.mDepthTexture));

    // A target destroyed in its own context lets its names go.
    std::unique_ptr<FBO> passing(new FBO(mDisplay.get()));
    Texture passingColour(mDisplay.get());
    passing->setSize(8, 8, true);
    passing->attach(GL_COLOR_ATTACHMENT0_EXT, &passingColour);
    passing->bind();
    passing->unbind();
    const GLuint passingName = passing->mFrameBuffer, passingDepth = passing->mDepthTexture;
    passing.reset();
    EXPECT_FALSE(glIsFramebufferEXT(passingName));
    EXPECT_FALSE(glIsRenderbufferEXT(passingDepth));
}

TEST_F(FBOTest, DepthTextureAttachment) {
    Texture colour(mDisplay.get()), depth(mDisplay.get());
    depth.configure(0, 0, Texture::LayoutDepth, Texture::Type24, GL_TEXTURE_2D);
    FBO target(mDisplay.get());
    target.setSize(16, 16, false);
    target.attach(GL_COLOR_ATTACHMENT0_EXT, &colour);
    target.attach(GL_DEPTH_ATTACHMENT_EXT, &depth);
    testing::internal::CaptureStdout();
    EXPECT_NO_THROW(target.bind());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string::npos, log.find("incomplete")) << log;
    EXPECT_EQ(static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT), glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT));
    target.unbind();
}

TEST_F(FBOTest, IncompleteTargetsArePrinted) {
    FBO empty(mDisplay.get());
    empty.setSize(8, 8, false);
    testing::internal::CaptureStdout();
    empty.bind();
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Framebuffer incomplete, missing attachment\n")) << log;
    empty.unbind();

    // A depth texture where a colour picture belongs.
    Texture depth(mDisplay.get());
    depth.configure(0, 0, Texture::LayoutDepth, Texture::Type24, GL_TEXTURE_2D);
    FBO wrong(mDisplay.get());
    wrong.setSize(8, 8, false);
    wrong.attach(GL_COLOR_ATTACHMENT0_EXT, &depth);
    testing::internal::CaptureStdout();
    wrong.bind();
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("Framebuffer incomplete, status 0x8cd6\n")) << log;
    wrong.unbind();

    FBO unsupported(mDisplay.get());
    pretendMissing(__GLEW_EXT_framebuffer_object);
    EXPECT_EQ("Display::FBO; Render Targets not supported [GL_EXT_framebuffer_object]",
              glres::thrownText([&] { unsupported.bind(); }));
    EXPECT_FALSE(unsupported.isInited());
}

} // namespace
