// Vertex and index buffers of every vertex format, drawn through the display from GL buffer
// objects and from the memory stand-in, with more vertices and indices than GL recommends.

#include "dis_ibo.h"
#include "dis_shader.h"
#include "dis_texture.h"
#include "dis_vbo.h"
#include "glres_fixture.h"
#include "nvn_system.h"

#include <cstring>
#include <vector>

using namespace norvane;
using namespace norvane::display;
using glres::Rgba;

namespace {

const int Cells = 32;                  // cells per side, 4 x 4 pixels each
const int CellCount = Cells * Cells;   // 1024 cells
const int VertexCount = CellCount * 4; // 4096 vertices, above the 3000 GL recommends on Mesa
const int IndexCount = CellCount * 6;  // 6144 indices

Rgba cellColour(int i, int j) { return Rgba{i * 8, j * 8, 128, 255}; }

int offsetOf(const VertexFormat& f, int VertexFormat::*channel) {
    int VertexFormat::*const order[9] = {&VertexFormat::pos,     &VertexFormat::nor,     &VertexFormat::col,
                                         &VertexFormat::tex0,    &VertexFormat::tex1,    &VertexFormat::attrib6,
                                         &VertexFormat::attrib7, &VertexFormat::attrib8, &VertexFormat::attrib9};
    int offset = 0;
    for (auto c : order) {
        if (c == channel) return offset;
        offset += VertexDef::channelSize(f.*c);
    }
    return -1;
}

// Writes one channel value (floats, or unsigned bytes for code 23) at p.
void put(unsigned char* p, int code, const float* values) {
    const int n = VertexDef::components(code);
    if (VertexDef::channelGL(code) == GL_UNSIGNED_BYTE) {
        for (int k = 0; k < n; ++k) p[k] = static_cast<unsigned char>(values[k]);
    } else {
        std::memcpy(p, values, sizeof(float) * n);
    }
}

// Every cell as a quad of four vertices; each channel carries the cell's colour in its own way.
std::vector<unsigned char> gridVertices(const VertexFormat& f) {
    std::vector<unsigned char> data(static_cast<size_t>(VertexCount) * f.size, 0);
    const float cornerX[4] = {0, 1, 1, 0}, cornerY[4] = {0, 0, 1, 1};
    for (int j = 0; j < Cells; ++j) {
        for (int i = 0; i < Cells; ++i) {
            const Rgba c = cellColour(i, j);
            for (int v = 0; v < 4; ++v) {
                unsigned char* p = &data[(static_cast<size_t>(j * Cells + i) * 4 + v) * f.size];
                const float pos[3] = {(i + cornerX[v]) / Cells, (j + cornerY[v]) / Cells, 0};
                const float nor[3] = {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f};
                const float col[4] = {float(c.r), float(c.g), float(c.b), 255};
                const float tex[2] = {(i + 0.5f) / Cells, (j + 0.5f) / Cells};
                const float t0[4] = {c.r / 255.0f, c.g / 255.0f, 0, 0};
                const float t1[4] = {0, 0, c.b / 255.0f, 0};
                if (VertexDef::present(f.pos)) put(p + offsetOf(f, &VertexFormat::pos), f.pos, pos);
                if (VertexDef::present(f.nor)) put(p + offsetOf(f, &VertexFormat::nor), f.nor, nor);
                if (VertexDef::present(f.col)) put(p + offsetOf(f, &VertexFormat::col), f.col, col);
                if (VertexDef::present(f.tex0)) put(p + offsetOf(f, &VertexFormat::tex0), f.tex0, tex);
                if (VertexDef::present(f.attrib6)) put(p + offsetOf(f, &VertexFormat::attrib6), f.attrib6, t0);
                if (VertexDef::present(f.attrib7)) put(p + offsetOf(f, &VertexFormat::attrib7), f.attrib7, t1);
            }
        }
    }
    return data;
}

// Two triangles per cell.
std::vector<unsigned short> gridIndices() {
    std::vector<unsigned short> indices;
    for (int k = 0; k < CellCount; ++k) {
        const unsigned short b = static_cast<unsigned short>(k * 4);
        for (unsigned short o : {0, 1, 2, 0, 2, 3}) indices.push_back(static_cast<unsigned short>(b + o));
    }
    return indices;
}

struct FormatCase {
    const char* name;
    const VertexFormat* format;
    bool coloured; // the picture shows the cells' colours (else plain white)
};

const FormatCase formatCases[7] = {
    {"A", &formatA, false}, {"B", &formatB, false}, {"C", &formatC, true}, {"D", &formatD, true},
    {"E", &formatE, true},  {"F", &formatF, true},  {"G", &formatG, true},
};

class BufferTest : public glres::GlTest {
protected:
    // Whole-window picture of the back buffer.
    std::vector<unsigned char> picture() {
        std::vector<unsigned char> rgba(static_cast<size_t>(Size) * Size * 4);
        glReadPixels(0, 0, Size, Size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    // Every cell centre from row firstRow up shows its colour (or white); rows below are black.
    void expectCells(bool coloured, int firstRow) {
        int wrong = 0;
        for (int j = 0; j < Cells; ++j) {
            for (int i = 0; i < Cells; ++i) {
                const Rgba expected =
                    j < firstRow ? Rgba{0, 0, 0, 255} : (coloured ? cellColour(i, j) : Rgba{255, 255, 255, 255});
                const Rgba actual = pixel(i * 4 + 2, j * 4 + 2);
                if (!glres::near(actual, expected) && ++wrong <= 5)
                    ADD_FAILURE() << "cell " << i << ", " << j << ": " << actual << " instead of " << expected;
            }
        }
        EXPECT_EQ(0, wrong);
    }
};

class FormatTest : public BufferTest, public testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        BufferTest::SetUp();
        writeText("shade.frag", "varying vec4 shade;\nvoid main() { gl_FragColor = shade; }\n");
        writeText("normal.vert",
                  "varying vec4 shade;\n"
                  "void main() { shade = vec4(gl_Normal, 1.0); gl_Position = ftransform(); }\n");
        writeText("tangent.vert",
                  "attribute vec4 tangent0_vs;\nattribute vec4 tangent1_vs;\nvarying vec4 shade;\n"
                  "void main() { shade = vec4(tangent0_vs.xy, tangent1_vs.z, 1.0); gl_Position = ftransform(); }\n");
        mTexture.reset(new Texture(mDisplay.get()));
        mTexture->setImage(makeImage(Cells, Cells, cellColour), false);
    }

    void TearDown() override {
        mProgram.reset();
        mTexture.reset();
        BufferTest::TearDown();
    }

    // Sets up what shows the format's colour channel: a shader, a texture or nothing.
    void beginShading(const VertexFormat* f) {
        if (f == &formatC) useProgram("normal.vert");
        else if (f == &formatF) useProgram("tangent.vert");
        else if (f == &formatD) {
            glEnable(GL_TEXTURE_2D);
            mTexture->bind();
        }
    }

    void endShading() {
        if (mProgram) mProgram->unuse();
        glDisable(GL_TEXTURE_2D);
    }

    void useProgram(const char* vertexFile) {
        if (!mProgram) {
            mProgram.reset(new ShaderProgram(mDisplay.get()));
            mProgram->loadFiles(vertexFile, "shade.frag");
        }
        mProgram->use();
    }

    // Draws the grid four ways and checks each; returns the picture of the whole-buffer draw.
    std::vector<unsigned char> drawAllWays(const FormatCase& c, const char* mode) {
        const std::vector<unsigned char> vertices = gridVertices(*c.format);
        const std::vector<unsigned short> indices = gridIndices();
        VBO vbo(mDisplay.get());
        IBO shortIndices(mDisplay.get()), intIndices(mDisplay.get());
        testing::internal::CaptureStdout();
        vbo.setup(c.format, VertexCount, vertices.data());
        shortIndices.setup(GL_UNSIGNED_SHORT, IndexCount, indices.data());
        intIndices.setup(GL_UNSIGNED_INT, IndexCount, nullptr);
        intIndices.bind();
        intIndices.replace(0, IndexCount, indices.data(), 0, GL_UNSIGNED_SHORT);
        intIndices.unbind();
        mLog = testing::internal::GetCapturedStdout();
        EXPECT_EQ(VertexCount, vbo.getSize());
        EXPECT_EQ(IndexCount, shortIndices.getSize());

        SCOPED_TRACE(mode);
        std::vector<unsigned char> whole;
        {
            SCOPED_TRACE("all vertices as quads");
            begin2D();
            beginShading(c.format);
            mDisplay->setVBO(&vbo);
            mDisplay->draw(GL_QUADS, -1, 0, -1, 0);
            endShading();
            expectCells(c.coloured, 0);
            whole = picture();
            savePicture(std::string("buffer_format") + c.name + "_" + mode);
        }
        {
            SCOPED_TRACE("the upper half of the vertices");
            begin2D();
            beginShading(c.format);
            mDisplay->draw(GL_QUADS, -1, 0, VertexCount / 2, VertexCount / 2);
            endShading();
            expectCells(c.coloured, Cells / 2);
        }
        {
            SCOPED_TRACE("all indices");
            begin2D();
            beginShading(c.format);
            mDisplay->setIBO(&shortIndices);
            mDisplay->draw(GL_TRIANGLES, -1, 0, -1, 0);
            endShading();
            expectCells(c.coloured, 0);
        }
        {
            SCOPED_TRACE("the upper half of the indices, rebuilt as ints");
            begin2D();
            beginShading(c.format);
            mDisplay->setIBO(&intIndices);
            mDisplay->draw(GL_TRIANGLES, IndexCount / 2, IndexCount / 2, 0, 0);
            endShading();
            expectCells(c.coloured, Cells / 2);
        }
        mDisplay->setIBO(nullptr);
        mDisplay->setVBO(nullptr);
        return whole;
    }

    std::unique_ptr<Texture> mTexture;
    std::unique_ptr<ShaderProgram> mProgram;
    std::string mLog;
};

TEST_P(FormatTest, DrawsTheSamePictureFromGLBuffersAndFromMemory) {
    const FormatCase& c = formatCases[GetParam()];
    GLint maxVertices = 0, maxIndices = 0;
    glGetIntegerv(GL_MAX_ELEMENTS_VERTICES, &maxVertices);
    glGetIntegerv(GL_MAX_ELEMENTS_INDICES, &maxIndices);
    ASSERT_LT(maxVertices, VertexCount);
    ASSERT_LT(maxIndices, IndexCount);

    const std::vector<unsigned char> real = drawAllWays(c, "gl");
    EXPECT_NE(std::string::npos, mLog.find("Creating vertex buffer with too many vertices (" +
                                           std::to_string(VertexCount) + " when " + std::to_string(maxVertices) +
                                           " recommended)"))
        << mLog;
    EXPECT_NE(std::string::npos, mLog.find("Creating index buffer with too many indices (" +
                                           std::to_string(IndexCount) + " when " + std::to_string(maxIndices) +
                                           " recommended)"))
        << mLog;

    pretendMissing(__GLEW_ARB_vertex_buffer_object);
    const std::vector<unsigned char> memory = drawAllWays(c, "memory");
    EXPECT_NE(std::string::npos, mLog.find("GL_ARB_vertex_buffer_object not supported, emulating fool")) << mLog;
    EXPECT_TRUE(real == memory) << "the memory stand-in draws a different picture";
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatTest, testing::Range(0, 7),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string("format") + formatCases[info.param].name;
                         });

TEST(VertexFormats, StridesAndChannelPlaces) {
    const int sizes[7] = {8, 12, 24, 32, 16, 64, 28};
    for (int i = 0; i < 7; ++i) {
        const VertexFormat& f = *formatCases[i].format;
        int sum = 0;
        for (int code : {f.pos, f.nor, f.col, f.tex0, f.tex1, f.attrib6, f.attrib7, f.attrib8, f.attrib9})
            sum += VertexDef::channelSize(code);
        EXPECT_EQ(sizes[i], f.size) << formatCases[i].name;
        EXPECT_EQ(f.size, sum) << formatCases[i].name;
    }
    EXPECT_EQ(32, offsetOf(formatF, &VertexFormat::attrib6));
    EXPECT_EQ(48, offsetOf(formatF, &VertexFormat::attrib7));
    EXPECT_EQ(24, offsetOf(formatG, &VertexFormat::col));
    EXPECT_EQ(static_cast<GLenum>(GL_UNSIGNED_BYTE), VertexDef::channelGL(formatE.col));
    EXPECT_EQ(static_cast<GLenum>(GL_DOUBLE), VertexDef::channelGL(4 * 4 + 1));
    EXPECT_EQ(16, VertexDef::channelSize(4 * 4 + 1));
    EXPECT_EQ(0, VertexDef::channelSize(VertexDef::Absent));
    EXPECT_EQ(32u, sizeof(VertexP3N3T2));
    EXPECT_EQ(28u, sizeof(VertexP3N3C4b));
}

class IndexTest : public BufferTest, public testing::WithParamInterface<bool> {};

TEST_P(IndexTest, ReplaceRebasesNarrowsAndStaysInside) {
    if (GetParam()) pretendMissing(__GLEW_ARB_vertex_buffer_object);
    IBO ibo(mDisplay.get());
    const unsigned char zeros[4] = {0, 0, 0, 0};
    ibo.setup(GL_UNSIGNED_BYTE, 4, zeros);
    EXPECT_EQ(GetParam(), ibo.isEmulated());
    ibo.bind();
    const unsigned short source[3] = {1, 2, 3};
    ibo.replace(0, 3, source, 10, GL_UNSIGNED_SHORT);
    const unsigned int wide[1] = {0x1ff};
    ibo.replace(3, 1, wide, 0, GL_UNSIGNED_INT); // cut to the buffer's 8 bits

    // Outside the buffer: refused, and nothing is written.
    EXPECT_EQ("BufferObject::replace; entities 2 to 5 lie outside the buffer of 4 entities",
              glres::thrownText([&] { ibo.replace(2, 3, source, 0, GL_UNSIGNED_SHORT); }));
    const unsigned char bytes[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ("BufferObject::replace; entities 1 to 9 lie outside the buffer of 4 entities",
              glres::thrownText([&] { ibo.replace(1, 8, bytes); }));
    EXPECT_EQ("BufferObject::replace; entities -1 to 0 lie outside the buffer of 4 entities",
              glres::thrownText([&] { ibo.replace(-1, 1, bytes); }));

    const unsigned char* contents = static_cast<const unsigned char*>(ibo.lock(false, true));
    ASSERT_NE(nullptr, contents);
    EXPECT_EQ(11, contents[0]);
    EXPECT_EQ(12, contents[1]);
    EXPECT_EQ(13, contents[2]);
    EXPECT_EQ(0xff, contents[3]);
    ibo.unlock();

    testing::internal::CaptureStdout();
    const unsigned char same[2] = {7, 8};
    ibo.replace(0, 2, same);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, log.find("replace(0, 2, ")) << log;
    EXPECT_EQ(7, static_cast<const unsigned char*>(ibo.lock(false, true))[0]);
    ibo.unlock();
    ibo.unbind();

    EXPECT_EQ("IBO::setup; Unknown dataformat", glres::thrownText([&] { ibo.replace(0, 1, bytes, 0, GL_FLOAT); }));
    EXPECT_EQ("Wrong format for IBO::setup!", glres::thrownText([&] { ibo.setup(GL_FLOAT, 4, nullptr); }));
    EXPECT_EQ(0, ibo.getSize());
    EXPECT_EQ("BufferObject::replace; entities 0 to 1 lie outside the buffer of 0 entities",
              glres::thrownText([&] { ibo.replace(0, 1, source, 1, GL_UNSIGNED_SHORT); }));
}

INSTANTIATE_TEST_SUITE_P(GLAndMemory, IndexTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "memory" : "gl");
                         });

TEST_F(BufferTest, LockAndReplaceChangeWhatIsDrawn) {
    for (bool memory : {false, true}) {
        SCOPED_TRACE(memory ? "memory" : "gl");
        if (memory) pretendMissing(__GLEW_ARB_vertex_buffer_object);
        VBO_wrap<VertexP3N3C4b> vbo(mDisplay.get());
        EXPECT_EQ(&formatG, vbo.getFormat());
        VertexP3N3C4b quad[4] = {};
        const float xs[4] = {0, 1, 1, 0}, ys[4] = {0, 0, 1, 1};
        for (int v = 0; v < 4; ++v) {
            quad[v].pos[0] = xs[v];
            quad[v].pos[1] = ys[v];
            quad[v].col[0] = 255;
            quad[v].col[3] = 255;
        }
        vbo.setup(&formatG, 4, quad);
        mDisplay->setVBO(&vbo);
        begin2D();
        mDisplay->draw(GL_QUADS, -1, 0, -1, 0);
        EXPECT_RGB(pixelAt(0.5f, 0.5f), (Rgba{255, 0, 0, 255}));

        for (VertexP3N3C4b& v : quad) v.col[0] = 0, v.col[1] = 255;
        vbo.replace(0, 4, quad);
        begin2D();
        mDisplay->draw(GL_QUADS, -1, 0, -1, 0);
        EXPECT_RGB(pixelAt(0.5f, 0.5f), (Rgba{0, 255, 0, 255}));

        VertexP3N3C4b* locked = static_cast<VertexP3N3C4b*>(vbo.lock(true, false));
        ASSERT_NE(nullptr, locked);
        for (int v = 0; v < 4; ++v) locked[v].col[2] = 255;
        vbo.unlock();
        begin2D();
        mDisplay->draw(GL_QUADS, -1, 0, -1, 0);
        EXPECT_RGB(pixelAt(0.5f, 0.5f), (Rgba{0, 255, 255, 255}));
        mDisplay->setVBO(nullptr);

        vbo.release();
        EXPECT_EQ(&formatG, vbo.getFormat()) << "the wrapper keeps its format";
    }
}

TEST_F(BufferTest, ReplaceAndLockReachTheirOwnBufferWhenAnotherIsBound) {
    const unsigned char zeros[4] = {0, 0, 0, 0}, ones[4] = {1, 1, 1, 1};
    IBO mine(mDisplay.get()), other(mDisplay.get());
    mine.setup(GL_UNSIGNED_BYTE, 4, zeros);
    other.setup(GL_UNSIGNED_BYTE, 4, zeros);
    other.bind();
    mine.replace(0, 4, ones);
    GLint bound = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLint>(other.mID), bound) << "the other buffer stays bound";
    unsigned char* written = static_cast<unsigned char*>(mine.lock(true, true));
    ASSERT_NE(nullptr, written);
    EXPECT_EQ(1, written[3]);
    written[0] = 5;
    mine.unlock();
    const unsigned char* untouched = static_cast<const unsigned char*>(other.lock(false, true));
    EXPECT_EQ(0, untouched[0] + untouched[1] + untouched[2] + untouched[3]);
    other.unlock();
    other.unbind();
    mine.bind();
    EXPECT_EQ(5, static_cast<const unsigned char*>(mine.lock(false, true))[0]);
    mine.unlock();
    mine.unbind();
}

TEST_F(BufferTest, ReleasingALockedBoundBufferUnlocksUnbindsAndDeletes) {
    VBO vbo(mDisplay.get());
    vbo.setup(&formatB, 16, nullptr);
    const GLuint id = vbo.mID;
    vbo.bind();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    ASSERT_NE(nullptr, vbo.lock(true, false));
    vbo.release();
    EXPECT_FALSE(vbo.isLocked());
    EXPECT_FALSE(vbo.isBound());
    EXPECT_EQ(0, vbo.getSize());
    EXPECT_EQ(nullptr, vbo.getFormat());
    EXPECT_FALSE(glIsBuffer(id));
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(0, bound);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
}

TEST_F(BufferTest, CardLimitsOnTextureChannels) {
    VBO mesh(mDisplay.get()), plain(mDisplay.get());
    mesh.setup(&formatB, 3, nullptr);
    pretendMissing(__GLEW_ARB_multitexture);
    EXPECT_EQ("Your card does not support multi-texturing",
              glres::thrownText([&] { mesh.setup(&formatF, 4, nullptr); }));
    // The refused format is not taken: the buffer is as it was.
    EXPECT_EQ(&formatB, mesh.getFormat());
    EXPECT_EQ(3, mesh.getSize());
    EXPECT_NO_THROW(plain.setup(&formatD, 4, nullptr)); // one texture channel needs no multitexturing
}

TEST_F(BufferTest, ASetupThatFailsLeavesNoFormatWithoutStorage) {
    VBO vbo(mDisplay.get());
    VBO_wrap<VertexP3N3T2> wrapped(mDisplay.get());
    vbo.setup(&formatB, 3, nullptr);
    // GL refuses a negative size.
    EXPECT_NE("", glres::thrownText([&] { vbo.setup(&formatC, -1, nullptr); }));
    EXPECT_NE("", glres::thrownText([&] { wrapped.setup(&formatD, -1, nullptr); }));
    EXPECT_EQ(nullptr, vbo.getFormat());
    EXPECT_EQ(0, vbo.getSize());
    EXPECT_EQ(0u, vbo.mID);
    EXPECT_EQ(&formatD, wrapped.getFormat()); // a wrapper keeps its own format, as after a release
    EXPECT_EQ(0u, wrapped.mID);
    // A later bind points GL at nothing.
    mDisplay->setVBO(&vbo);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    mDisplay->setVBO(nullptr);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(BufferTest, ABufferGoneFromTheDisplayIsNoLongerCurrent) {
    std::unique_ptr<VBO> vbo(new VBO(mDisplay.get()));
    std::unique_ptr<IBO> ibo(new IBO(mDisplay.get()));
    vbo->setup(&formatB, 3, nullptr);
    ibo->setup(GL_UNSIGNED_SHORT, 3, nullptr);
    mDisplay->setVBO(vbo.get());
    mDisplay->setIBO(ibo.get());
    vbo.reset();
    ibo.reset();
    EXPECT_EQ(nullptr, mDisplay->getCurrentVBO());
    EXPECT_EQ(nullptr, mDisplay->getCurrentIBO());
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    VBO next(mDisplay.get());
    next.setup(&formatB, 3, nullptr);
    EXPECT_NO_THROW(mDisplay->setVBO(&next));
    mDisplay->setVBO(nullptr);
}

TEST_F(BufferTest, ABufferOfADeadContextDoesNotDeleteANewOne) {
    std::unique_ptr<VBO> old(new VBO(mDisplay.get()));
    old->setup(&formatB, 3, nullptr);
    const GLuint oldName = old->mID;
    reopen();
    VBO fresh(mDisplay.get());
    fresh.setup(&formatB, 3, nullptr);
    ASSERT_EQ(oldName, fresh.mID) << "the new context hands out the same name again";
    old.reset();
    EXPECT_TRUE(glIsBuffer(fresh.mID));
}

} // namespace
