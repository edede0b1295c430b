#pragma once
// A single-line text field: caret, mouse and Shift-key selection, insert and overwrite modes,
// horizontal scrolling that keeps the caret in view, a numeric mode that admits only the characters
// of a decimal number, and a password mode that shows a mask character for every character.

#include "vst_control.h"

#include <string>

namespace norvane {
namespace vistrel {

class TextInput : public Control {
public:
    // Key codes the field reacts to, as the display translates them.
    enum {
        KeyBackspace = 8,
        KeyLeft = 285,
        KeyRight = 286,
        KeyInsert = 293,
        KeyDelete = 294,
        KeyHome = 297,
        KeyEnd = 298
    };

    TextInput();
    ~TextInput() override;

    Control* create() override;
    // "text", "inactive" ("true"), "type" ("numeric" or "password").
    void load(xml::XmlParser::Iterator& tag) override;
    // The field keeps the mouse during a drag selection.
    bool hitTest(const Event& e) override;
    bool handleEvent(Event& e) override;
    void draw() override;
    // Ends a drag selection as a release does; the selected text stays selected.
    void endDrag() override;

    // Numeric and password modes exclude each other: setting one clears the other.
    virtual void setNumeric(bool numeric);
    virtual bool isNumeric();
    virtual void setPassword(bool password);
    virtual bool isPassword();
    virtual void setMaskChar(char mask);
    // The caret index for a screen point: the last one whose text width lies left of x.
    virtual int positionToIndex(float x, float y);

    // The text read as a decimal number (0 when it does not start with one).
    float getFloat() const;

    const std::string& getInputText() const { return mInputText; }
    int getCursor() const { return mCursor; }
    int getAnchor() const { return mAnchor; }
    bool hasSelection() const { return mHasSelection; }
    bool isSelecting() const { return mSelecting; }
    bool isInsertMode() const { return mInsertMode; }
    float getScrollOffset() const { return mScrollOffset; }

private:
    // Whether c may go in at the caret in numeric mode.
    bool passesNumberFilter(char c) const;
    // The end of a drag selection: a press without a drag leaves no selection.
    void stopSelecting();
    // Removes the selected characters; the caret goes to their start.
    void eraseSelection();
    // Keeps caret and anchor within the text.
    void clampCaret();
    void handleKey(const Event& e);
    void handleCharacter(int c);
    // The text as shown: the mask characters in password mode.
    std::string shownText() const;

    std::string mInputText;
    bool mNumeric;
    float mPadding;
    bool mSelecting; // the button is held after a press in the field
    bool mPassword;
    char mMaskChar;
    int mCursor;
    int mAnchor;
    bool mHasSelection;
    bool mInsertMode;
    float mScrollOffset; // pixels the text is scrolled to the left
};

} // namespace vistrel
} // namespace norvane
