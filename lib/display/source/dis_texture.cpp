#include "dis_texture.h"

#include "dis_rescheck.h"
#include "nvn_system.h"

#include <GL/glu.h>

#include <cstring>
#include <utility>
#include <vector>

namespace norvane {
namespace display {

namespace {

bool isPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

int nextPowerOfTwo(int n) {
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

int signOf(int d) { return d < 0 ? -1 : 1; }

} // namespace

Texture::Texture(DisplayGL* display)
    : Resource(display, 0), mMipmaps(false), mTarget(TARGET_UNCHOSEN), mWidth(-1), mHeight(-1), mTexture(0),
      mContextId(-1), mInited(false), mLayout(LayoutDefault), mType(TypeDefault) {}

Texture::~Texture() {
    // A name made under an earlier context generation died with that context; deleting it by
    // number now would delete whatever the new context gave that number to.
    if (mInited && mTexture != 0 && mContextId == contextGeneration()) {
        glDeleteTextures(1, &mTexture);
        try {
            DIS_CHECK("glDeleteTextures(1, &mTexture)");
        } catch (const Exception&) {
            // Already logged by the exception; a destructor must not throw.
        }
    }
    mImage.release();
    mFileName.clear();
}

void Texture::load(const std::string& fileName, bool mipmaps) {
    if (!mFileName.empty() || !mImage.empty())
        throw Exception("Texture; File already loaded, when loading '%s'", fileName.c_str());
    mFileName = fileName;
    mMipmaps = mipmaps;
}

void Texture::setImage(am::Image image, bool mipmaps) {
    if (!mImage.empty() || mInited) throw Exception("Texture already loaded!");
    mImage = image;
    mMipmaps = mipmaps;
}

void Texture::configure(int width, int height, int format, int type, GLenum target) {
    mWidth = width == 0 ? -1 : width;
    mHeight = height == 0 ? -1 : height;
    mLayout = format;
    mType = type;
    mTarget = target;
}

GLenum Texture::internalFormat() const {
    static const GLenum table[3][4] = {
        {GL_RGB8, GL_RGB16, GL_RGB16F_ARB, GL_RGB32F_ARB},
        {GL_RGBA8, GL_RGBA16, GL_RGBA16F_ARB, GL_RGBA32F_ARB},
        {GL_LUMINANCE8_ALPHA8, GL_LUMINANCE16_ALPHA16, GL_LUMINANCE_ALPHA16F_ARB, GL_LUMINANCE_ALPHA32F_ARB},
    };
    if (mLayout >= LayoutRGB && mLayout <= LayoutLuminanceAlpha) {
        int column = -1;
        if (mType == Type8) column = 0;
        else if (mType == Type16 || mType == Type16b) column = 1;
        else if (mType == TypeHalfFloat) column = 2;
        else if (mType == TypeFloat) column = 3;
        if (column >= 0) return table[mLayout - LayoutRGB][column];
    } else if (mLayout == LayoutDepth) {
        if (mType == Type16) return GL_DEPTH_COMPONENT16;
        if (mType == Type24) return GL_DEPTH_COMPONENT24;
        if (mType == Type32) return GL_DEPTH_COMPONENT32;
    }
    throw Exception("Unknown format for texture");
}

void Texture::setup() {
    DIS_CHECK("Checking status");
    if (mInited) throw Exception("Texture already inited");

    if (mType == TypeDefault) mType = Type8;
    if (mLayout == LayoutDefault) mLayout = LayoutRGBA;
    if (mTarget == TARGET_UNCHOSEN) mTarget = GL_TEXTURE_2D;

    if (isFloat() && !hasExtension("GL_ARB_texture_float"))
        throw Exception("OpenGL does not support float-textures on this computer!");
    if (mTarget == TARGET_CUBE && !hasExtension("GL_ARB_texture_cube_map"))
        throw Exception("OpenGL does not support cube maps on this computer!");

    if (mImage.empty() && !mFileName.empty()) mImage = loadImage(mFileName, false);

    try {
        checkSizes();
        const GLenum format = internalFormat();

        glGenTextures(1, &mTexture);
        DIS_CHECK("glGenTextures( 1, &mTexture )");
        try {
            glBindTexture(mTarget, mTexture);
            DIS_CHECK("glBindTexture( mTarget, mTexture )");

            if (mTarget == TARGET_CUBE) uploadCube(format);
            else if (!mImage.empty())
                bindAndLoadImage(mImage, mTarget, format, 0, 0, mImage->getWidth() - 1, mImage->getHeight() - 1, false);
            else
                bindAndLoadImage(am::Image(), mTarget, format, 0, 0, 0, 0, false);

            const bool mipmaps = mMipmaps && mLayout != LayoutDepth;
            glTexParameteri(mTarget, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_MAG_FILTER, GL_LINEAR)");
            glTexParameteri(mTarget, GL_TEXTURE_MIN_FILTER, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
            DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_MIN_FILTER, mMipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)");
            glTexParameteri(mTarget, GL_TEXTURE_WRAP_S, mTarget != TARGET_CUBE ? GL_REPEAT : GL_CLAMP_TO_EDGE);
            DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_WRAP_S, mTarget!=TARGET_CUBE ? GL_REPEAT : GL_CLAMP_TO_EDGE)");
            glTexParameteri(mTarget, GL_TEXTURE_WRAP_T, mTarget != TARGET_CUBE ? GL_REPEAT : GL_CLAMP_TO_EDGE);
            DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_WRAP_T, mTarget!=TARGET_CUBE ? GL_REPEAT : GL_CLAMP_TO_EDGE)");
            glTexParameteri(mTarget, GL_TEXTURE_WRAP_R, mTarget != TARGET_CUBE ? GL_REPEAT : GL_CLAMP_TO_EDGE);
            DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_WRAP_R, mTarget!=TARGET_CUBE ? GL_REPEAT : GL_CLAMP_TO_EDGE)");
        } catch (...) {
            // A texture loads whole or not at all: no half-made name is left behind.
            glBindTexture(mTarget, 0);
            glDeleteTextures(1, &mTexture);
            mTexture = 0;
            throw;
        }
    } catch (...) {
        if (!mFileName.empty()) mImage.release();
        throw;
    }

    mContextId = contextGeneration();
    mInited = true;
    glBindTexture(mTarget, 0);
    DIS_CHECK("glBindTexture(mTarget, 0)");

    if (!mFileName.empty()) mImage.release();
}

void Texture::checkSizes() {
    if (mImage.empty()) {
        if (mTarget == GL_TEXTURE_1D && mWidth < 2 && mHeight > 1) std::swap(mWidth, mHeight);
        return;
    }
    const int w = mImage->getWidth();
    const int h = mImage->getHeight();
    if (w <= 0 || h <= 0 || mImage->getPixels() == nullptr)
        throw Exception("Could not construct gl-image for '%s' of size %dx%d.",
                        sourceName(), w, h);

    if (mTarget != TARGET_CUBE) {
        if (mWidth == -1) mWidth = w;
        if (mHeight == -1) mHeight = h;
    }
    if (mTarget == GL_TEXTURE_1D) {
        if (mWidth < 2 && mHeight > 1) std::swap(mWidth, mHeight);
        else if (mWidth >= 2 && mHeight > 1)
            throw Exception("Loaded 1d-texture but both dimensions are non-1! (when loading '%s')", sourceName());
    }
    if (mTarget == TARGET_CUBE) {
        const int longer = w > h ? w : h;
        const int shorter = w > h ? h : w;
        if (longer % 4 != 0)
            throw Exception("Error when loading cube map from '%s'; longest side must be divisible by 4!",
                            mFileName.c_str());
        if (shorter % 3 != 0)
            throw Exception("Error when loading cube map from '%s'; shorted side must be divisible by 3!",
                            mFileName.c_str());
        if (longer / 4 != shorter / 3)
            throw Exception("Error when loading cube map from '%s'; the individual faces must be square textures!",
                            mFileName.c_str());
        if (mWidth == -1) mWidth = longer / 4;
        if (mHeight == -1) mHeight = longer / 4;
    }
    if (!mMipmaps && !(isPowerOfTwo(mWidth) && isPowerOfTwo(mHeight)) &&
        !hasExtension("GL_ARB_texture_non_power_of_two")) {
        mWidth = nextPowerOfTwo(mWidth);
        mHeight = nextPowerOfTwo(mHeight);
    }
}

void Texture::uploadCube(GLenum format) {
    if (mImage.empty()) {
        // A cube render target: six empty faces.
        for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face)
            bindAndLoadImage(am::Image(), face, format, 0, 0, 0, 0, false);
        return;
    }
    const int w = mImage->getWidth();
    const int h = mImage->getHeight();
    if (w > h)
        throw Exception("Cube maps with horizontal cross is not supported at the moment! (when loading '%s')",
                        sourceName());
    const int f = h / 4;
    struct Cell {
        GLenum target;
        int column, row;
        bool turned;
    };
    static const Cell cells[6] = {
        {GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 1, 0, false}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 1, 2, false},
        {GL_TEXTURE_CUBE_MAP_NEGATIVE_X, 0, 1, false}, {GL_TEXTURE_CUBE_MAP_POSITIVE_X, 2, 1, false},
        {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 1, 1, false}, {GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 1, 3, true},
    };
    for (const Cell& c : cells) {
        const int left = c.column * f, top = c.row * f;
        const int right = left + f - 1, bottom = top + f - 1;
        if (c.turned) bindAndLoadImage(mImage, c.target, format, right, bottom, left, top, false);
        else bindAndLoadImage(mImage, c.target, format, left, top, right, bottom, false);
    }
}

void Texture::bindAndLoadImage(am::Image image, GLenum target, GLenum internalFormat, int x0, int y0, int x1, int y1,
                               bool transpose) {
    const char* name = sourceName();
    if (image.empty()) {
        uploadEmpty(target, internalFormat);
        return;
    }

    const int iw = image->getWidth(), ih = image->getHeight();
    const unsigned char* pixels = image->getPixels();
    if (pixels == nullptr || x0 < 0 || y0 < 0 || x1 < 0 || y1 < 0 || x0 >= iw || x1 >= iw || y0 >= ih || y1 >= ih)
        throw Exception("Texture; the rectangle (%d, %d)-(%d, %d) lies outside the image '%s' of size %dx%d", x0, y0,
                        x1, y1, name, iw, ih);

    const int dx = x1 - x0, dy = y1 - y0;
    int columns = (dx < 0 ? -dx : dx) + 1;
    int rows = (dy < 0 ? -dy : dy) + 1;
    if (transpose) std::swap(columns, rows);

    // A 1-D texture takes the block as one line, whichever way round the picture lies.
    const bool line = target == GL_TEXTURE_1D;
    const int blockW = line ? columns * rows : columns;
    const int blockH = line ? 1 : rows;
    const int texW = line ? mWidth * mHeight : mWidth;
    const int texH = line ? 1 : mHeight;

    std::vector<unsigned char> copy;
    const unsigned char* block = pixels;
    if (dx < 0 || dy < 0 || transpose || columns != iw || rows != ih) {
        copy.resize(static_cast<size_t>(columns) * rows * 4);
        const int sx = signOf(dx), sy = signOf(dy);
        unsigned char* out = copy.data();
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c, out += 4) {
                const int px = transpose ? x0 + r * sx : x0 + c * sx;
                const int py = transpose ? y0 + c * sy : y0 + r * sy;
                std::memcpy(out, pixels + (static_cast<size_t>(py) * iw + px) * 4, 4);
            }
        }
        block = copy.data();
    }

    std::vector<unsigned char> scaled;
    if (blockW != texW || blockH != texH) {
        NVN_LOG("warning", "display", "Warning: Manually rescaling picture '%s'!", mFileName.c_str());
        if (texW <= 0 || texH <= 0)
            throw Exception("Could not construct gl-image for '%s' of size %dx%d.", name, mWidth, mHeight);
        scaled.resize(static_cast<size_t>(texW) * texH * 4);
        const GLint result = gluScaleImage(GL_RGBA, blockW, blockH, GL_UNSIGNED_BYTE, block, texW, texH,
                                           GL_UNSIGNED_BYTE, scaled.data());
        if (result != 0)
            throw Exception("Error %s when scaling image '%s'", reinterpret_cast<const char*>(gluErrorString(result)),
                            name);
        block = scaled.data();
    }
    uploadBlock(target, internalFormat, block);
}

void Texture::uploadBlock(GLenum target, GLenum format, const void* data) {
    try {
        GLint result = 0;
        if (target == GL_TEXTURE_1D) {
            if (mMipmaps) {
                result = gluBuild1DMipmaps(target, format, mWidth * mHeight, GL_BGRA, GL_UNSIGNED_BYTE, data);
                DIS_CHECK("gluBuild1DMipmaps(target, format, mWidth, GL_BGRA, GL_UNSIGNED_BYTE, data)");
            } else {
                glTexImage1D(target, 0, format, mWidth * mHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, data);
                DIS_CHECK("glTexImage1D(target, 0, format, mWidth, 0, GL_BGRA,GL_UNSIGNED_BYTE, data)");
            }
        } else if (mMipmaps) {
            result = gluBuild2DMipmaps(target, format, mWidth, mHeight, GL_BGRA, GL_UNSIGNED_BYTE, data);
            DIS_CHECK("gluBuild2DMipmaps(target, format, mWidth, mHeight, GL_BGRA, GL_UNSIGNED_BYTE, data)");
        } else {
            glTexImage2D(target, 0, format, mWidth, mHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, data);
            DIS_CHECK("glTexImage2D(target, 0, format, mWidth, mHeight, 0, GL_BGRA,GL_UNSIGNED_BYTE, data)");
        }
        // The mipmap builders report their own failures (a size GL refuses, say) by result.
        if (result != 0) throw Exception("Error %s when building mipmaps", reinterpret_cast<const char*>(gluErrorString(result)));
    } catch (const Exception&) {
        throw Exception("Could not construct gl-image for '%s' of size %dx%d.",
                        sourceName(), mWidth, mHeight);
    }
}

void Texture::uploadEmpty(GLenum target, GLenum format) {
    const char* name = sourceName();
    if (mWidth <= 0 || mHeight <= 0)
        throw Exception("Could not construct gl-image for '%s' of size %dx%d.", name, mWidth, mHeight);
    // The upload format and type follow the internal format, so GL accepts depth and float
    // textures without image data as well as colour ones.
    GLenum pixelFormat = GL_BGRA, pixelType = GL_UNSIGNED_BYTE;
    size_t bytesPerPixel = 4;
    if (mLayout == LayoutDepth) {
        pixelFormat = GL_DEPTH_COMPONENT;
        pixelType = GL_UNSIGNED_INT;
    } else if (isFloat()) {
        pixelType = GL_FLOAT;
        bytesPerPixel = 16;
    }
    const std::vector<unsigned char> zeros(static_cast<size_t>(mWidth) * mHeight * bytesPerPixel, 0);
    const bool mipmaps = mMipmaps && mLayout != LayoutDepth;
    try {
        GLint result = 0;
        if (target == GL_TEXTURE_1D) {
            if (mipmaps) result = gluBuild1DMipmaps(target, format, mWidth * mHeight, pixelFormat, pixelType, zeros.data());
            else glTexImage1D(target, 0, format, mWidth * mHeight, 0, pixelFormat, pixelType, zeros.data());
            DIS_CHECK("glTexImage1D(target, 0, format, mWidth, 0, pixelFormat, pixelType, data)");
        } else {
            if (mipmaps)
                result = gluBuild2DMipmaps(target, format, mWidth, mHeight, pixelFormat, pixelType, zeros.data());
            else glTexImage2D(target, 0, format, mWidth, mHeight, 0, pixelFormat, pixelType, zeros.data());
            DIS_CHECK("glTexImage2D(target, 0, format, mWidth, mHeight, 0, pixelFormat, pixelType, data)");
        }
        if (result != 0) throw Exception("Error %s when building mipmaps", reinterpret_cast<const char*>(gluErrorString(result)));
    } catch (const Exception&) {
        throw Exception("Could not construct gl-image for '%s' of size %dx%d.", name, mWidth, mHeight);
    }
}

void Texture::bind(int /*face*/) {
    if (!mInited || mContextId != contextGeneration()) {
        NVN_LOG("log", "app", "Reloading texture from '%s'.", mFileName.empty() ? "am::Image" : mFileName.c_str());
        mInited = false;
        mTexture = 0; // the old name belonged to a context that no longer exists
        setup();
    }
    glBindTexture(mTarget, mTexture);
    DIS_CHECK("glBindTexture(mTarget, mTexture)");
}

void Texture::unbind() {
    glBindTexture(mTarget, 0);
    DIS_CHECK("glBindTexture(mTarget, 0)");
}

void Texture::setWrap(bool repeat) {
    glTexParameteri(mTarget, GL_TEXTURE_WRAP_S, repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_WRAP_S, repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE)");
    glTexParameteri(mTarget, GL_TEXTURE_WRAP_T, repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    DIS_CHECK("glTexParameteri(mTarget, GL_TEXTURE_WRAP_T, repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE)");
}

} // namespace display
} // namespace norvane
