// The image control: a textured quad over the visible part of the control.

#include "vst_image.h"

#include "dis_texture.h"

#include "nvn_system.h"

#include <GL/glew.h>

namespace norvane {
namespace vistrel {

Image::Image() : mImage(nullptr), mOwnsImage(false), mFailed(false) { mClassName = "image"; }

Image::~Image() { dropImage(); }

Control* Image::create() { return new Image(); }

void Image::dropImage() {
    if (mOwnsImage)
        delete mImage;
    mImage = nullptr;
    mOwnsImage = false;
    mFailed = false;
}

void Image::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    const std::string& fileName = tag->getAttribute("filename");
    if (!fileName.empty())
        loadFile(fileName);
}

void Image::setTexture(display::Texture* texture) {
    dropImage();
    mImage = texture;
}

void Image::loadFile(const std::string& fileName) {
    // A file loaded before is replaced; the texture we made for it goes with it.
    dropImage();
    display::Texture* texture = new display::Texture(getDisplay());
    texture->load(fileName, true);
    mImage = texture;
    mOwnsImage = true;
}

void Image::cutTexture(const Rect& r, const Rect& q, float st[4]) {
    st[0] = 0;
    st[1] = 0;
    st[2] = 1;
    st[3] = 1;
    float w = r.width(), h = r.height();
    if (r.y1 < q.y1 && h > 0)
        st[1] = (q.y1 - r.y1) / h;
    if (r.y2 > q.y2 && h > 0)
        st[3] = 1 - (r.y2 - q.y2) / h;
    if (r.x1 < q.x1 && w > 0)
        st[0] = (q.x1 - r.x1) / w;
    if (r.x2 > q.x2 && w > 0)
        st[2] = 1 - (r.x2 - q.x2) / w;
}

void Image::draw() {
    if (!mImage || mFailed)
        return;
    Rect q = mScreenArea.intersected(mClipArea);
    float st[4];
    cutTexture(mScreenArea, q, st);
    glEnable(GL_TEXTURE_2D);
    try {
        mImage->bind(-1);
    } catch (const Exception&) {
        // The picture is missing or unreadable: the exception has logged why. The control stays
        // empty rather than failing every frame.
        glDisable(GL_TEXTURE_2D);
        mFailed = true;
        return;
    }
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(st[0], st[1]);
    glVertex2f(q.x1, q.y1);
    glTexCoord2f(st[2], st[1]);
    glVertex2f(q.x2, q.y1);
    glTexCoord2f(st[2], st[3]);
    glVertex2f(q.x2, q.y2);
    glTexCoord2f(st[0], st[3]);
    glVertex2f(q.x1, q.y2);
    glEnd();
    mImage->unbind();
    glDisable(GL_TEXTURE_2D);
}

} // namespace vistrel
} // namespace norvane
