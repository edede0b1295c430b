// The stand-alone curve editor with its own keys.

#include "vst_splineorg.h"
#include "vst_curveparts.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace norvane {
namespace vistrel {

using namespace curve;

namespace {
float clampTo(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
} // namespace

SplineOrg::SplineOrg() : mHandleRadius(3.5f), mDragged(-1), mMenuKey(-1), mSelected(0) {
    mClassName = "splineorg";
    mName = "splineorg";
    setDefaultColors(*this);
    // Built here rather than at load: a control loaded from a style and then from its layout tag
    // would otherwise get every entry twice.
    buildMenu(mAddMenu, "add key", "-------");
    buildMenu(mKeyMenu, "delete key", "---------");
}

SplineOrg::~SplineOrg() {
    forgetMenus(*this, mAddMenu, mKeyMenu);
    mAddMenu.setOwner(nullptr);
    mKeyMenu.setOwner(nullptr);
}

void SplineOrg::buildMenu(Context& menu, const char* entry, const char* separator) {
    menu.clear();
    menu.addItem(entry, "");
    menu.addItem(separator, "");
    menu.setText("spline");
    Context* type = menu.addItem("type", "");
    type->addItem("square", "");
    type->addItem("linear", "");
    type->addItem("smooth", "");
}

Control* SplineOrg::create() { return new SplineOrg(); }

void SplineOrg::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    setType(tag->getAttribute("type"));
    xml::XmlParser::Iterator items = tag.children("item");
    while (++items) {
        Key key(items->getFloat("x"), items->getFloat("y"));
        // A key that is not a number has no place on the curve.
        if (std::isfinite(key.x) && std::isfinite(key.y))
            addKey(key);
    }
}

void SplineOrg::addKey(const Key& key) { mKeys.push_back(key); }

void SplineOrg::setType(std::string name) {
    if (name == "square" || name == "linear" || name == "smooth")
        mType = name;
}

Point SplineOrg::toScreen(const Key& key) const {
    const Rect& s = mScreenArea;
    float h = s.height() * 0.5f;
    return Point(s.x1 + key.x * s.width(), s.y1 + h + key.y * h);
}

bool SplineOrg::fromScreen(float x, float y, Key& key) const {
    const Rect& s = mScreenArea;
    if (!(s.width() > 0 && s.height() > 0))
        return false;
    key.x = clampTo((x - s.x1) / s.width(), 0, 1);
    key.y = clampTo(2 * (y - s.y1) / s.height() - 1, -1, 1);
    return true;
}

bool SplineOrg::isFocused() { return mParent && mParent->getFocus() == this; }

bool SplineOrg::hitTest(const Event& e) { return Control::hitTest(e) || mDragged >= 0; }

void SplineOrg::insertKey(int index, const Key& key) {
    index = std::max(0, std::min(index, static_cast<int>(mKeys.size())));
    mKeys.insert(mKeys.begin() + index, key);
}

void SplineOrg::removeKey(int index) {
    if (index < 0 || index >= static_cast<int>(mKeys.size()))
        return;
    mKeys.erase(mKeys.begin() + index);
    if (mDragged == index)
        mDragged = -1;
    else if (mDragged > index)
        --mDragged;
    // The selection stays on the key it was on, and never points past the keys that remain.
    if (mSelected > index)
        --mSelected;
    int n = static_cast<int>(mKeys.size());
    if (mSelected > n - 1)
        mSelected = n - 1;
    if (mSelected < 0)
        mSelected = 0;
}

void SplineOrg::dragTo(float x, float y) {
    Key moved;
    if (!fromScreen(x, y, moved))
        return;
    int d = mDragged;
    int n = static_cast<int>(mKeys.size());
    mKeys[d].x = moved.x;
    mKeys[d].y = moved.y;
    // Past a neighbour, the dragged key takes the neighbour's place (at the neighbour's x for
    // this move) and the neighbour takes the dragged key's old place: the list stays in order.
    int neighbour = -1;
    if (d > 0 && mKeys[d - 1].x > moved.x)
        neighbour = d - 1;
    else if (d < n - 1 && mKeys[d + 1].x < moved.x)
        neighbour = d + 1;
    if (neighbour >= 0) {
        Key& k = mKeys[neighbour];
        mKeys[d].x = k.x;
        mKeys[d].y = k.y;
        k.y = moved.y;
        mKeys[d].hovered = false;
        k.hovered = true;
        // The selection follows the dragged key to its new index.
        if (mSelected == d)
            mSelected = neighbour;
        mDragged = neighbour;
    }
    notify(CodeSplineEdited);
}

void SplineOrg::endDrag() {
    mDragged = -1;
    for (Key& k : mKeys)
        k.hovered = false;
    Control::endDrag();
}

bool SplineOrg::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    if (!mVisible)
        return result;
    const int n = static_cast<int>(mKeys.size());
    if (mDragged >= n)
        mDragged = -1;
    if (e.name == "mousemove") {
        mPointer = Point(e.x, e.y);
        if (mDragged < 0) {
            const float r = mHandleRadius;
            Rect box(e.x - r - 1, e.y - r - 1, e.x + r + 1, e.y + r + 1);
            bool found = false;
            for (Key& k : mKeys) {
                k.hovered = !found && box.contains(toScreen(k));
                found = found || k.hovered;
            }
        } else {
            dragTo(e.x, e.y);
        }
    } else if (e.name == "mousedown") {
        int hovered = -1;
        for (int i = 0; i < n && hovered < 0; ++i) {
            if (mKeys[i].hovered)
                hovered = i;
        }
        if (e.button == 0) {
            if (hovered >= 0)
                mDragged = mSelected = hovered;
        } else if (hovered >= 0) {
            mKeyMenu.setPosition(e.x, e.y);
            openPopup(&mKeyMenu);
            mMenuKey = hovered;
        } else {
            mMenuPoint = Point(e.x, e.y);
            mAddMenu.setPosition(e.x, e.y);
            openPopup(&mAddMenu);
        }
    } else if (e.name == "mouseup") {
        mDragged = -1;
    } else if (e.name == "keydown") {
        if (e.key == KeyLeft) {
            if (mSelected > 0)
                --mSelected;
        } else if (e.key == KeyRight) {
            if (mSelected < n - 1)
                ++mSelected;
        } else if (e.key == KeyDelete) {
            removeKey(mSelected);
        } else if (e.key == KeyInsert) {
            if (n == 0) {
                mKeys.push_back(Key(0, 0));
            } else {
                int s = std::max(0, std::min(mSelected, n - 1));
                if (s + 1 < n) {
                    const Key& a = mKeys[s];
                    const Key& b = mKeys[s + 1];
                    insertKey(s + 1, Key((a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f));
                } else {
                    mKeys.push_back(Key(1.0f, mKeys[s].y));
                }
            }
        }
    } else if (e.name == "context") {
        if (e.text == "spline.type.square") {
            setType("square");
        } else if (e.text == "spline.type.linear" || e.text == "spline.type.smooth") {
            setType("linear");
        } else if (e.text == "spline.delete key") {
            removeKey(mMenuKey);
            mMenuKey = -1;
        } else if (e.text == "spline.add key") {
            // The menu point in key space: x as a fraction of the width, like a dragged key.
            Key key;
            if (fromScreen(mMenuPoint.x, mMenuPoint.y, key)) {
                int at = 0;
                for (int i = 0; i < n; ++i) {
                    if (toScreen(mKeys[i]).x < mMenuPoint.x)
                        at = i + 1;
                }
                insertKey(at, key);
                // The selection stays on the key it was on.
                if (n > 0 && at <= mSelected)
                    ++mSelected;
            }
        }
    }
    return result;
}

void SplineOrg::draw() {
    Render* render = getRender();
    if (!render)
        return;
    const Rect& s = mScreenArea;
    drawBackdrop(*this, render, mType);

    glLineWidth(2);
    render->setColors(getColor(BlockBack, StateBorder, Second), NoColor);
    const size_t n = mKeys.size();
    auto line = [render](Point a, Point b) {
        const float p1[2] = {a.x, a.y};
        const float p2[2] = {b.x, b.y};
        render->line(p1, p2);
    };
    if (n > 0) {
        Point first = toScreen(mKeys[0]);
        line(Point(s.x1, first.y), first);
    }
    if (n >= 2 && (mType == "square" || mType == "linear")) {
        for (size_t i = 0; i + 1 < n; ++i) {
            Point a = toScreen(mKeys[i]);
            Point b = toScreen(mKeys[i + 1]);
            if (mType == "square") {
                line(a, Point(b.x, a.y));
                line(Point(b.x, a.y), b);
            } else {
                line(a, b);
            }
        }
    }
    if (n > 0) {
        Point last = toScreen(mKeys[n - 1]);
        line(last, Point(s.x2, last.y));
    }

    const bool focused = isFocused();
    const float radius = focused ? mHandleRadius : 2.0f;
    for (size_t i = 0; i < n; ++i)
        drawKeyHandle(*this, render, toScreen(mKeys[i]), radius, mKeys[i].hovered, mDragged >= 0,
                      static_cast<int>(i) == mSelected && focused);

    if (mHover) {
        glLineWidth(1);
        render->setColors(getColor(BlockBack, StateBorder, First), NoColor);
        line(Point(mPointer.x, s.y1), Point(mPointer.x, s.y2));
    }
    glLineWidth(1);
}

} // namespace vistrel
} // namespace norvane
