// The spline control: mapping between curve and screen, editing by mouse, keys and menus, and
// the sampled picture of the curve with its keys.

#include "vst_spline.h"
#include "vst_curveparts.h"
#include "vst_whole.h"

#include <GL/glew.h>

#include <cmath>

namespace norvane {
namespace vistrel {

using namespace curve;

Spline::Spline()
    : mOwnsCurve(false), mCurve(nullptr), mChanged(true), mHandleRadius(3.5f), mPointerX(0), mHovered(-1),
      mSelected(-1), mDragged(-1), mMenuKey(-1) {
    mClassName = "spline";
    mName = "spline";
    setDefaultColors(*this);
    buildMenu(mAddMenu, "add key", "-------");
    buildMenu(mKeyMenu, "delete key", "---------");
}

Spline::~Spline() {
    closeMyMenu();
    mAddMenu.setOwner(nullptr);
    mKeyMenu.setOwner(nullptr);
    setCurve(nullptr, false);
}

void Spline::buildMenu(Context& menu, const char* entry, const char* separator) {
    menu.clear();
    menu.addItem(entry, entry);
    menu.addItem(separator, separator);
    menu.setText("spline");
    Context* type = menu.addItem("type", "type");
    type->addItem("square", "square");
    type->addItem("linear", "linear");
    type->addItem("smooth", "smooth");
}

void Spline::closeMyMenu() { forgetMenus(*this, mAddMenu, mKeyMenu); }

Control* Spline::create() { return new Spline(); }

void Spline::setCurve(script::Spline* curve, bool owned) {
    if (mOwnsCurve && mCurve != curve)
        delete mCurve;
    mCurve = curve;
    mOwnsCurve = owned;
    mChanged = true;
    mHovered = mSelected = mDragged = -1;
}

void Spline::setType(std::string name) {
    if (mCurve) {
        if (name == "square")
            mCurve->mType = script::Spline::Square;
        else if (name == "linear")
            mCurve->mType = script::Spline::Linear;
        else if (name == "smooth")
            mCurve->mType = script::Spline::Smooth;
    }
    mChanged = true;
}

void Spline::load(xml::XmlParser::Iterator& tag) {
    setCurve(new script::Spline(script::Spline::Smooth, true), true);
    Control::load(tag);
    setType(tag->getAttribute("type"));
    xml::XmlParser::Iterator items = tag.children("item");
    while (++items) {
        script::Spline::Key key;
        key.time = items->getFloat("x");
        key.value = items->getFloat("y");
        // A key that is not a number has no place on the curve.
        if (std::isfinite(key.time) && std::isfinite(key.value))
            mCurve->addKey(key);
    }
    mChanged = true;
}

int Spline::keyCount() const { return mCurve ? static_cast<int>(mCurve->mKeys.size()) : 0; }

Point Spline::toScreen(float time, float value) const {
    const Rect& s = mScreenArea;
    float h = (s.y2 - s.y1) * 0.5f;
    return Point(s.x1 + (s.x2 - s.x1) * (time / mTimeSpan), s.y1 + h + h * value);
}

void Spline::setTimeSpan(float seconds) {
    mTimeSpan = (std::isfinite(seconds) && seconds > 0.0f) ? seconds : 1.0f;
    mChanged = true;
}

Point Spline::fromScreen(float x, float y) const {
    const Rect& s = mScreenArea;
    float h = (s.y2 - s.y1) * 0.5f;
    return Point((x - s.x1) / (s.x2 - s.x1) * mTimeSpan, (y - s.y1 - h) / h);
}

int Spline::sampleCount() const {
    // Beyond a sample per two pixels of the widest window, more samples show nothing more.
    float n = wholePixels((mScreenArea.x2 - mScreenArea.x1) * 0.5f);
    if (n > 8192)
        n = 8192;
    return n < 10 ? 10 : static_cast<int>(n);
}

bool Spline::isFocused() { return mParent && mParent->getFocus() == this; }

bool Spline::hitTest(const Event& e) { return Control::hitTest(e) || mDragged >= 0; }

void Spline::removeKey(int index) {
    if (!mCurve || index < 0 || index >= keyCount())
        return;
    mCurve->removeKey(index);
    mChanged = true;
    // No index refers to the removed key any more, nor past the end of the keys. The keys after
    // it moved down by one: a key selected after it stays selected, so Delete takes that key.
    mHovered = -1;
    mDragged = -1;
    if (index < mSelected)
        --mSelected;
    int n = keyCount();
    if (mSelected >= n)
        mSelected = n - 1;
}

void Spline::addKey(const script::Spline::Key& key) {
    const int index = mCurve->addKey(key);
    mChanged = true;
    // The keys from the new one on moved up by one: the hovered, the dragged and the selected key
    // stay the keys they were, so a press without a move in between takes the key under the
    // pointer, and the highlight and Delete stay on the key the author selected.
    if (mHovered >= index)
        ++mHovered;
    if (mDragged >= index)
        ++mDragged;
    if (mSelected >= index)
        ++mSelected;
}

void Spline::endDrag() {
    mDragged = -1;
    mHovered = -1;
    Control::endDrag();
}

bool Spline::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (!mVisible)
        return result;
    const int n = keyCount();
    // A screen without extent maps to no curve position.
    const bool mapped = mScreenArea.width() > 0 && mScreenArea.height() > 0;
    if (e.name == "mousemove") {
        mPointerX = e.x;
        if (mDragged < 0 || mDragged >= n) {
            mDragged = -1;
            mHovered = -1;
            const float r = mHandleRadius;
            Rect box(e.x - r - 1, e.y - r - 1, e.x + r + 1, e.y + r + 1);
            for (int i = 0; i < n; ++i) {
                const script::Spline::Key& k = mCurve->mKeys[i];
                if (box.contains(toScreen(k.time, k.value))) {
                    mHovered = i;
                    break;
                }
            }
        } else if (mapped) {
            Point p = fromScreen(e.x, e.y);
            script::Spline::Key& k = mCurve->mKeys[mDragged];
            k.time = p.x;
            k.value = p.y;
            int index = mCurve->moveKey(mDragged);
            mDragged = mSelected = mHovered = index;
            mChanged = true;
            notify(CodeSplineEdited);
        }
    } else if (e.name == "mousedown") {
        if (e.button == 0) {
            if (mHovered >= 0 && mHovered < n) {
                mDragged = mHovered;
                mSelected = mHovered;
            }
        } else if (mHovered < 0 || mHovered >= n) {
            mMenuPoint = Point(e.x, e.y);
            mAddMenu.setPosition(e.x, e.y);
            openPopup(&mAddMenu);
        } else {
            mKeyMenu.setPosition(e.x, e.y);
            openPopup(&mKeyMenu);
            mMenuKey = mHovered;
        }
    } else if (e.name == "mouseup") {
        mDragged = -1;
        mHovered = -1;
    } else if (e.name == "keydown") {
        if (e.key == KeyLeft)
            --mSelected;
        else if (e.key == KeyRight)
            ++mSelected;
        if (mSelected > n - 1)
            mSelected = n - 1;
        if (mSelected < 0)
            mSelected = n > 0 ? 0 : -1;
        if (e.key == KeyDelete && mSelected >= 0) {
            removeKey(mSelected);
        } else if (e.key == KeyInsert && mCurve) {
            script::Spline::Key key;
            if (n == 0) {
                key.time = 0;
                key.value = 0;
            } else if (mSelected < 0 || mSelected == n - 1) {
                key.time = mTimeSpan;
                key.value = mCurve->mKeys[n - 1].value;
            } else {
                const script::Spline::Key& a = mCurve->mKeys[mSelected];
                const script::Spline::Key& b = mCurve->mKeys[mSelected + 1];
                key.time = (a.time + b.time) * 0.5f;
                key.value = (a.value + b.value) * 0.5f;
            }
            addKey(key);
        }
    } else if (e.name == "context") {
        if (e.text == "spline.type.square")
            setType("square");
        else if (e.text == "spline.type.linear")
            setType("linear");
        else if (e.text == "spline.type.smooth")
            setType("smooth");
        else if (e.text == "spline.delete key")
            removeKey(mMenuKey);
        else if (e.text == "spline.add key" && mCurve && mapped) {
            Point p = fromScreen(mMenuPoint.x, mMenuPoint.y);
            script::Spline::Key key;
            key.time = p.x;
            key.value = p.y;
            addKey(key);
        }
        mChanged = true;
    }
    return result;
}

void Spline::draw() {
    Render* render = getRender();
    if (!render)
        return;
    const Rect& s = mScreenArea;
    int type = mCurve ? mCurve->mType : -1;
    drawBackdrop(*this, render, type == 0 ? "square" : type == 1 ? "linear" : type == 2 ? "smooth" : "unknown");

    glLineWidth(2);
    if (mCurve) {
        const int count = sampleCount();
        if (mChanged || static_cast<int>(mSamples.size()) < count) {
            mSamples.resize(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i) {
                float t = static_cast<float>(i) / static_cast<float>(count - 1) * mTimeSpan;
                mSamples[i] = Point(t, mCurve->evaluate(t));
            }
            mChanged = false;
        }
        render->setColors(getColor(BlockBack, StateBorder, Second), NoColor);
        for (size_t i = 1; i < mSamples.size(); ++i) {
            Point a = toScreen(mSamples[i - 1].x, mSamples[i - 1].y);
            Point b = toScreen(mSamples[i].x, mSamples[i].y);
            const float p1[2] = {a.x, a.y};
            const float p2[2] = {b.x, b.y};
            render->line(p1, p2);
        }

        const bool focused = isFocused();
        const float radius = focused ? mHandleRadius : 2.0f;
        const int n = keyCount();
        for (int i = 0; i < n; ++i) {
            Point p = toScreen(mCurve->mKeys[i].time, mCurve->mKeys[i].value);
            drawKeyHandle(*this, render, p, radius, i == mHovered, mDragged >= 0, i == mSelected && focused);
        }
    }

    if (isFocused() && mHover) {
        glLineWidth(1);
        render->setColors(getColor(BlockBack, StateBorder, First), NoColor);
        const float top[2] = {mPointerX, s.y1};
        const float bottom[2] = {mPointerX, s.y2};
        render->line(top, bottom);
    }
}

} // namespace vistrel
} // namespace norvane
