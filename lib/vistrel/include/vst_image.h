#pragma once
// A picture stretched over the control's rectangle; where the control is clipped, only the
// matching part of the picture shows.

#include "vst_control.h"

#include <string>

namespace norvane {
namespace display {
class Texture;
}

namespace vistrel {

class Image : public Control {
public:
    Image();
    ~Image() override;

    Control* create() override;
    // "filename": the picture, read through the display's archives at the first draw.
    void load(xml::XmlParser::Iterator& tag) override;
    void draw() override;

    // Shows a texture the caller keeps; an owned one shown before is deleted.
    virtual void setTexture(display::Texture* texture);
    // Shows the picture file (owned), replacing and deleting an owned texture shown before.
    void loadFile(const std::string& fileName);

    display::Texture* getTexture() const { return mImage; }
    bool ownsImage() const { return mOwnsImage; }
    // The texture coordinates (left, top, right, bottom) of the part of the picture shown in q
    // when the whole picture spans r.
    static void cutTexture(const Rect& r, const Rect& q, float st[4]);

private:
    void dropImage();

    display::Texture* mImage;
    bool mOwnsImage;
    bool mFailed; // the picture could not be made; it was reported and is not tried again
};

} // namespace vistrel
} // namespace norvane
