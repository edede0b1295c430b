#pragma once
// A 1-D, 2-D or cube-map GL texture made from an image file, an image in memory or a bare size.
// The GL texture is made at setup (or the first bind) and made again at a bind after the
// display's GL context was re-created.

#include "dis_resource.h"

#include <GL/glew.h>

namespace norvane {
namespace display {

class Texture : public Resource {
public:
    // Channel layouts (mLayout).
    enum { LayoutDefault = 0, LayoutRGB = 2, LayoutRGBA = 3, LayoutLuminanceAlpha = 4, LayoutDepth = 5 };
    // Component types (mType).
    enum {
        TypeDefault = 0,
        Type8 = 1,
        Type16 = 2,
        Type24 = 3,
        Type32 = 4,
        TypeHalfFloat = 5,
        TypeFloat = 6,
        Type16b = 7
    };
    static const GLenum TARGET_CUBE = GL_TEXTURE_CUBE_MAP;
    static const GLenum TARGET_UNCHOSEN = 0x8514;

    explicit Texture(DisplayGL* display);
    ~Texture() override;

    // Records the file to load at the first bind.
    void load(const std::string& fileName, bool mipmaps);
    // Takes an image in memory instead of a file; it stays held for reloads.
    void setImage(am::Image image, bool mipmaps);
    // Size, channel layout, component type and target for a texture made without an image or
    // before loading one; a width or height of 0 means "take it from the image".
    void configure(int width, int height, int format, int type, GLenum target);
    // Makes the GL texture now; throws when it exists already.
    void setup();
    // Makes the texture current, creating or re-creating it first when needed.
    void bind(int face = -1);
    void unbind();
    // Wrap mode of the texture bound at the time.
    void setWrap(bool repeat);
    // Uploads the rectangle (x0, y0)-(x1, y1) of the image (reversed where x1 < x0 or y1 < y0,
    // transposed on request), scaled to the texture's size; a zero-filled block without an image.
    void bindAndLoadImage(am::Image image, GLenum target, GLenum internalFormat, int x0, int y0, int x1, int y1,
                          bool transpose);

    bool isInited() const { return mInited; }
    const std::string& getFileName() const { return mFileName; }
    // The GL internal format of the configured layout and type; throws for an unknown pair.
    GLenum internalFormat() const;

    bool mMipmaps;
    GLenum mTarget;
    int mWidth;
    int mHeight;
    GLuint mTexture;

private:
    void checkSizes();
    void uploadCube(GLenum format);
    void uploadBlock(GLenum target, GLenum format, const void* data);
    void uploadEmpty(GLenum target, GLenum format);
    bool isFloat() const { return mType == TypeHalfFloat || mType == TypeFloat; }
    // The file name for messages; "unknown" for an image handed over in memory.
    const char* sourceName() const { return mFileName.empty() ? "unknown" : mFileName.c_str(); }

    int mContextId;
    std::string mFileName;
    am::Image mImage;
    bool mInited;
    int mLayout;
    int mType;
};

} // namespace display
} // namespace norvane
