// The single-line text field.

#include "vst_textinput.h"
#include "vst_render.h"

#include "dis_font.h"
#include "dis_listener.h"

#include <algorithm>
#include <cstdlib>

namespace norvane {
namespace vistrel {

namespace {
const float NoColor[4] = {0, 0, 0, -1};

bool isExponent(char c) { return c == 'e' || c == 'E'; }
bool isSign(char c) { return c == '+' || c == '-'; }
} // namespace

TextInput::TextInput()
    : mNumeric(false), mPadding(3), mSelecting(false), mPassword(false), mMaskChar('*'), mCursor(0), mAnchor(0),
      mHasSelection(false), mInsertMode(true), mScrollOffset(0) {
    mClassName = "textinput";
    mName = "textinput";
    setColor(BlockBack, StateColor, First, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateColor, Second, mathbase::Color(1, 1, 1, 1));
    setColor(BlockBack, StateInactive, First, mathbase::Color(0.6f, 0.6f, 0.6f, 1));
    setColor(BlockBack, StateInactive, Second, mathbase::Color(0.6f, 0.6f, 0.6f, 1));
    setColor(BlockText, StateColor, First, mathbase::Color(0, 0, 0, 1));
    setColor(BlockText, StateColor, Second, mathbase::Color(1, 0.5f, 0.5f, 1));
    setColor(BlockText, StateInactive, First, mathbase::Color(0, 0, 0, 0.31415927f));
}

TextInput::~TextInput() {}

Control* TextInput::create() { return new TextInput(); }

void TextInput::load(xml::XmlParser::Iterator& tag) {
    Control::load(tag);
    mInputText = tag->getAttribute("text");
    setInactive(tag->getAttribute("inactive") == "true");
    const std::string& type = tag->getAttribute("type");
    if (type == "numeric")
        setNumeric(true);
    else if (type == "password")
        setPassword(true);
    clampCaret();
}

bool TextInput::hitTest(const Event& e) { return Control::hitTest(e) || mSelecting; }

void TextInput::setNumeric(bool numeric) {
    mNumeric = numeric;
    if (numeric)
        mPassword = false;
}

bool TextInput::isNumeric() { return mNumeric; }

void TextInput::setPassword(bool password) {
    mPassword = password;
    if (password)
        mNumeric = false;
}

bool TextInput::isPassword() { return mPassword; }

void TextInput::setMaskChar(char mask) { mMaskChar = mask; }

int TextInput::positionToIndex(float x, float) {
    // Measured on the shown text, as the caret is drawn.
    // The widths of the leading parts grow one character at a time, so a long text is measured
    // once rather than once for every character in it.
    Render* render = getRender();
    std::string shown = shownText();
    int result = 0;
    float w = 0;
    for (size_t i = 0; i <= shown.size(); ++i) {
        if (i > 0 && render)
            w += render->textWidth(shown.substr(i - 1, 1));
        if (x > w + mPadding + mScreenArea.x1 - mScrollOffset)
            result = static_cast<int>(i);
    }
    return result;
}

float TextInput::getFloat() const { return static_cast<float>(std::atof(mInputText.c_str())); }

std::string TextInput::shownText() const {
    return mPassword ? std::string(mInputText.size(), mMaskChar) : mInputText;
}

void TextInput::clampCaret() {
    int length = static_cast<int>(mInputText.size());
    mCursor = std::min(std::max(mCursor, 0), length);
    mAnchor = std::min(std::max(mAnchor, 0), length);
}

void TextInput::eraseSelection() {
    int from = std::min(mAnchor, mCursor);
    int to = std::max(mAnchor, mCursor);
    mInputText.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
    if (mAnchor < mCursor)
        mCursor = mAnchor;
}

bool TextInput::passesNumberFilter(char c) const {
    const std::string& t = mInputText;
    size_t k = static_cast<size_t>(mCursor);
    if (c >= '0' && c <= '9')
        return true;
    if (c == '.') {
        if (t.find('.') != std::string::npos)
            return false;
        for (size_t i = 0; i < k && i < t.size(); ++i) {
            if (isExponent(t[i]))
                return false;
        }
        return true;
    }
    if (isExponent(c)) {
        if (mInsertMode && k == 0 && !t.empty() && isSign(t[0]))
            return false;
        if (t.find_first_of("eE") != std::string::npos)
            return false;
        if (t.find('.', k + 1) != std::string::npos)
            return false;
        if (mInsertMode && k < t.size() && t[k] == '.')
            return false;
        return true;
    }
    if (isSign(c)) {
        if (k != 0)
            return false;
        return !(mInsertMode && !t.empty() && isSign(t[0]));
    }
    return false;
}

void TextInput::handleKey(const Event& e) {
    int length = static_cast<int>(mInputText.size());
    bool shift = (e.modifiers & (display::ModLeftShift | display::ModRightShift)) != 0;
    int key = e.key;
    if (!mHasSelection && shift && (key == KeyLeft || key == KeyRight)) {
        mHasSelection = true;
        mAnchor = mCursor;
    }
    switch (key) {
    case KeyLeft:
        if (mCursor > 0)
            --mCursor;
        if (!shift)
            mHasSelection = false;
        break;
    case KeyRight:
        if (mCursor < length)
            ++mCursor;
        if (!shift)
            mHasSelection = false;
        break;
    case KeyHome:
        mCursor = 0;
        break;
    case KeyEnd:
        mCursor = length;
        break;
    case KeyBackspace:
        if (mHasSelection) {
            eraseSelection();
        } else if (mCursor > 0) {
            mInputText.erase(static_cast<size_t>(mCursor - 1), 1);
            --mCursor;
        }
        mHasSelection = false;
        notify(CodeTextEdited);
        break;
    case KeyInsert:
        mInsertMode = !mInsertMode;
        break;
    case KeyDelete:
        if (mHasSelection)
            eraseSelection();
        else if (mCursor < length)
            mInputText.erase(static_cast<size_t>(mCursor), 1);
        mHasSelection = false;
        notify(CodeTextEdited);
        break;
    default:
        break;
    }
}

void TextInput::handleCharacter(int c) {
    // Characters are stored as single bytes.
    if (c <= 0 || c > 255)
        return;
    char ch = static_cast<char>(c);
    if (mNumeric && !passesNumberFilter(ch))
        return;
    if (mHasSelection)
        eraseSelection();
    else if (!mInsertMode && mCursor < static_cast<int>(mInputText.size()))
        mInputText.erase(static_cast<size_t>(mCursor), 1);
    mInputText.insert(static_cast<size_t>(mCursor), 1, ch);
    ++mCursor;
    mHasSelection = false;
    notify(CodeTextEdited);
}

bool TextInput::handleEvent(Event& e) {
    bool result = Control::handleEvent(e);
    // A hidden field may still be its parent's focus: the keys must not edit it unseen.
    if (mInactive || !mVisible)
        return result;
    clampCaret();
    if (e.name == "mousedown") {
        mHasSelection = true;
        mCursor = mAnchor = positionToIndex(e.x, e.y);
        mSelecting = true;
    } else if (e.name == "mousemove") {
        if (mSelecting)
            mCursor = positionToIndex(e.x, e.y);
    } else if (e.name == "mouseup") {
        stopSelecting();
    } else if (e.name == "keydown") {
        handleKey(e);
    } else if (e.name == "keychardown") {
        handleCharacter(e.character);
    }
    return result;
}

void TextInput::stopSelecting() {
    // A press without a drag leaves no selection.
    if (mAnchor == mCursor)
        mHasSelection = false;
    mSelecting = false;
}

void TextInput::endDrag() {
    stopSelecting();
    Control::endDrag();
}

void TextInput::draw() {
    Render* render = getRender();
    if (!render)
        return;
    const Rect inner = fillBorderedFace(render, mInactive ? StateInactive : StateColor);

    clampCaret();
    std::string shown = shownText();
    bool focused = mParent && mParent->getFocus() == this;
    if (focused && !mInactive) {
        // Measured on the shown text throughout, so that the marks line up with what is drawn.
        float p = render->textWidth(shown.substr(0, static_cast<size_t>(mCursor))) + mPadding;
        float width = mArea.width();
        if (width < p + 5 - mScrollOffset)
            mScrollOffset = p - width + 5;
        if (p - mScrollOffset < 0)
            mScrollOffset = p;
        float cx = mScreenArea.x1 + p - mScrollOffset + 1;
        Rect box(cx, mScreenArea.y1 + 2, cx, mScreenArea.y2 - 2);
        if (mHasSelection) {
            int from = std::min(mAnchor, mCursor);
            int to = std::max(mAnchor, mCursor);
            float w = render->textWidth(shown.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
            if (mCursor < mAnchor)
                box.x2 = cx + w;
            else
                box.x1 = cx - w;
        } else if (mInsertMode) {
            box.x2 = cx + 2;
        } else {
            box.x2 = cx + (mCursor < static_cast<int>(shown.size())
                               ? render->textWidth(shown.substr(static_cast<size_t>(mCursor), 1))
                               : 6.0f);
        }
        box.intersect(mClipArea);
        render->setColors(getColor(BlockText, StateColor, Second), NoColor);
        render->fillRect(box, 0);
    }

    if (display::Font* font = render->getFont())
        font->mAlign = display::Font::AlignLeft;
    render->setColors(getColor(BlockText, mInactive ? StateInactive : StateColor, First), NoColor);
    Rect scissor = mScreenArea;
    scissor.inflate(-2);
    scissor.intersect(mClipArea);
    render->setScissor(scissor.x1, scissor.y1, scissor.x2, scissor.y2);
    render->drawText(shown, mScreenArea.x1 + 2 + mPadding - mScrollOffset, inner.center().y);
}

} // namespace vistrel
} // namespace norvane
