// Callbacks that change the tree or the callback list while a control is notifying them. Under
// AddressSanitizer a control that goes on using itself after its callback deleted it is reported.

#include "vst_ctrl_support.h"

#include <functional>
#include <memory>

using namespace vsttest;
using namespace norvane::vistrel;

namespace {

// Counts notifications and runs its action on those of one code.
class OnCode : public Callback {
public:
    OnCode(int code, std::function<void()> action) : mCode(code), mAction(std::move(action)) {}
    void onControl(Control*, int code) override {
        ++calls;
        if (code == mCode && mAction)
            mAction();
    }
    int calls = 0;

private:
    int mCode;
    std::function<void()> mAction;
};

class CallbackTest : public CtrlTest {
protected:
    void SetUp() override {
        CtrlTest::SetUp();
        registerBox();
        start(320, 240,
              layoutOf("<box id='dialog'><area x='10' y='10' width='140' height='50'/><child>"
                       "<button id='ok'><area x='10' y='10' width='80' height='24'/></button></child></box>"
                       "<radiobutton id='radio'><area x='10' y='80' width='120' height='60'/><option name='A'/>"
                       "</radiobutton><box id='host'><area x='200' y='10' width='100' height='100'/><child>"
                       "<scrollbar id='sb'><child><box><area x='0' y='0' width='300' height='300'/></box>"
                       "</child></scrollbar></child></box><dropdown id='dd'>"
                       "<area x='10' y='160' width='120' height='24'/><option name='Low'/><option name='High'/>"
                       "</dropdown>"));
    }
    Workspace& ws() { return root->getWorkspace(); }
    void remove(const std::string& name) {
        Control* parent = ws().find(name)->getOwner();
        parent->removeChild(static_cast<unsigned>(parent->indexOf(ws().find(name))));
    }
    void on(const std::string& name, OnCode& callback) { ws().find(name)->addCallback(&callback); }
};

} // namespace

TEST_F(CallbackTest, ControlsMayBeRemovedByTheirOwnCallbacks) {
    OnCode closeDialog(CodeButtonReleased, [this] { remove("dialog"); });
    OnCode dropRadio(CodeRadioClicked, [this] { remove("radio"); });
    OnCode dropScroll(CodeScrolled, [this] { remove("sb"); });
    OnCode dropList(CodeDropdownChosen, [this] { remove("dd"); });
    on("ok", closeDialog);
    on("radio", dropRadio);
    on("sb", dropScroll);
    on("dd", dropList);
    input.click(60, 32); // the button closes its dialog, then clears its pressed flag
    input.click(60, 85); // the option removes its list, which then ends the press
    input.press(294, 25); // the thumb's first step removes the scroll area amid the drag
    input.cursor(294, 40);
    input.release(294, 60);
    input.click(60, 172); // the list's owner goes while the list reports the choice
    input.cursor(60, 209);
    input.click(60, 209);
    EXPECT_EQ(2 + 1 + 1 + 1, closeDialog.calls + dropRadio.calls + dropScroll.calls + dropList.calls);
    EXPECT_EQ(1u, ws().getChildCount()); // the scroll area's host
    EXPECT_EQ(nullptr, ws().getPopup());
    EXPECT_NO_THROW(frame());
}

TEST_F(CallbackTest, ACallbackMayRemoveOtherControlsOrTheWholeTree) {
    OnCode press(CodeButtonPushed, [this] { remove("radio"); });
    OnCode release(CodeButtonReleased, [this] { ws().removeAllChildren(); });
    on("ok", press);
    on("ok", release);
    input.press(60, 32);
    EXPECT_EQ(nullptr, ws().find("radio"));
    input.release(60, 32);
    EXPECT_EQ(0u, ws().getChildCount());
    input.click(60, 32);
}

TEST_F(CallbackTest, CallbacksAddedOrRemovedDuringANotificationCountFromTheNextOne) {
    // The first callback adds a new one and removes and deletes the third.
    OnCode added(-1, nullptr), second(-1, nullptr);
    auto removed = std::make_unique<OnCode>(-1, nullptr);
    OnCode first(CodeButtonPushed, [&] {
        ws().find("ok")->addCallback(&added);
        ws().find("ok")->removeCallback(removed.get());
        removed.reset();
    });
    for (Callback* callback : std::initializer_list<Callback*>{&first, &second, removed.get()})
        ws().find("ok")->addCallback(callback);
    input.press(60, 32);
    EXPECT_EQ(1, second.calls);
    EXPECT_EQ(0, added.calls);
    input.release(60, 32);
    EXPECT_EQ(1, added.calls);
}
