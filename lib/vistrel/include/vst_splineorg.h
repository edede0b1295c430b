#pragma once
// A stand-alone curve editor: it keeps its own list of keys (x from 0 at the left edge to 1 at the
// right, y from -1 at the top edge to +1 at the bottom) and its own type name, and draws stepped
// or straight segments between the keys. Keys are dragged, added and removed with the mouse, the
// keyboard and a context menu; every drag notifies CodeSplineEdited.

#include "vst_context.h"

#include <string>
#include <vector>

namespace norvane {
namespace vistrel {

class SplineOrg : public Control {
public:
    struct Key {
        Key() : x(0), y(0), hovered(false) {}
        Key(float x_, float y_) : x(x_), y(y_), hovered(false) {}
        float x, y;
        bool hovered;
    };

    SplineOrg();
    ~SplineOrg() override;

    Control* create() override;
    // "type" and the "item" tags (with "x" and "y") become the type and keys.
    void load(xml::XmlParser::Iterator& tag) override;
    // A key being dragged keeps the pointer, so the release always ends the drag.
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Lets go of the dragged key and forgets the hovered one, as a release and a move away do.
    void endDrag() override;

    // Appends the key at the end of the list.
    virtual void addKey(const Key& key);
    // "square", "linear" or "smooth"; any other name changes nothing.
    virtual void setType(std::string name);

    const std::vector<Key>& getKeys() const { return mKeys; }
    const std::string& getType() const { return mType; }
    int getSelected() const { return mSelected; }
    int getDragged() const { return mDragged; }
    Context& getAddMenu() { return mAddMenu; }
    Context& getKeyMenu() { return mKeyMenu; }
    // Key space to screen.
    Point toScreen(const Key& key) const;

private:
    static void buildMenu(Context& menu, const char* entry, const char* separator);
    // Key space from a screen point, clamped to x 0..1 and y -1..1; false for a control without
    // extent.
    bool fromScreen(float x, float y, Key& key) const;
    void removeKey(int index);
    void insertKey(int index, const Key& key);
    bool isFocused();
    void dragTo(float x, float y);

    std::vector<Key> mKeys; // ascending x
    std::string mType;
    float mHandleRadius;
    Point mPointer;
    int mDragged;
    int mMenuKey;
    Point mMenuPoint;
    int mSelected;
    Context mAddMenu;
    Context mKeyMenu;
};

} // namespace vistrel
} // namespace norvane
