// How the main thread's handlers react to window messages, without an engine thread.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/demo.h"
#include "app/window_manager.h"
#include "platform/window/window.h"

namespace {

using namespace platform;

// The player's own procedure: forwards to the Demo stored with the window.
int64_t forwardToDemo(const Message& message) {
    auto* demo = static_cast<Demo*>(windowUserData(message.window));
    return demo ? demo->handleMessage(message) : defaultWindowProcedure(message);
}

// Messages waiting in the main thread's queue, in order, taken out one by one through getMessage.
std::vector<uint32_t> postedMessages() {
    SDL_PumpEvents();
    std::vector<SDL_Event> events(256);
    const int count = SDL_PeepEvents(events.data(), static_cast<int>(events.size()), SDL_GETEVENT, SDL_FIRSTEVENT,
                                     SDL_LASTEVENT);
    std::vector<uint32_t> ids;
    for (int i = 0; i < count; ++i) {
        SDL_PushEvent(&events[i]);  // alone at the head of the queue: the next message
        Message message;
        if (!getMessage(message)) {
            ids.push_back(WM_QUIT);
        } else if (message.message != WM_NULL) {
            ids.push_back(message.message);
        }
    }
    return ids;
}

class WindowMessages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registerWindowClass("TestWindowClass", forwardToDemo)) << "needs an X display";
        postedMessages();
    }

    Message message(uint32_t id, uint64_t wParam = 0) {
        Message m;
        m.message = id;
        m.wParam = wParam;
        return m;
    }

    Demo demo;
};

TEST_F(WindowMessages, MouseMovesMiddleClicksAndKeysRequestARedrawOtherClicksDoNot) {
    for (uint32_t id : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_NULL}) {
        demo.handleMessage(message(id));
        EXPECT_FALSE(demo.redrawRequested) << id;
    }
    for (uint32_t id : {WM_MOUSEMOVE, WM_MBUTTONDOWN, WM_KEYDOWN}) {
        demo.redrawRequested = false;
        demo.handleMessage(message(id, 'A'));
        EXPECT_TRUE(demo.redrawRequested) << id;
    }
    EXPECT_TRUE(postedMessages().empty());
}

TEST_F(WindowMessages, EscapePostsTheQuitMessageAtOnceOtherKeysDoNothing) {
    demo.handleMessage(message(WM_KEYDOWN, VK_SPACE));
    demo.handleMessage(message(WM_KEYDOWN, VK_RETURN));
    EXPECT_TRUE(postedMessages().empty());
    demo.handleMessage(message(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_EQ(postedMessages(), std::vector<uint32_t>{WM_QUIT});
}

TEST_F(WindowMessages, ClosingAWindowDestroysItAndDestroyingPostsQuit) {
    WindowDesc desc;
    desc.title = "test";
    desc.width = 64;
    desc.height = 48;
    WindowHandle window = createWindow("TestWindowClass", desc);
    ASSERT_NE(window, nullptr);
    setWindowUserData(window, &demo);
    Message close = message(WM_CLOSE);
    close.window = window;
    demo.handleMessage(close);
    const std::vector<uint32_t> afterClose = postedMessages();
    EXPECT_EQ(std::count(afterClose.begin(), afterClose.end(), WM_QUIT), 1);
    demo.handleMessage(close);  // a second close of a destroyed window changes nothing
    const std::vector<uint32_t> afterSecondClose = postedMessages();
    EXPECT_EQ(std::count(afterSecondClose.begin(), afterSecondClose.end(), WM_QUIT), 0);
}

TEST_F(WindowMessages, ASizeBeforeTheGraphicsExistIsIgnored) {
    Message size = message(WM_SIZE);
    size.lParam = makeSizeParam(800, 600);
    demo.handleMessage(size);
    EXPECT_EQ(lowWord(size.lParam), 800);
    EXPECT_EQ(highWord(size.lParam), 600);
    EXPECT_FALSE(demo.redrawRequested);
}

TEST(WindowManagerSettings, WindowModesDecideFullScreenAndFrame) {
    const std::tuple<int, bool, bool> modes[] = {{0, true, false}, {1, false, true}, {2, false, false}};
    for (const auto& [mode, fullScreen, framed] : modes) {
        Demo demo;
        demo.config.setDefaults();
        demo.config.flagSettings["windowed"] = mode;
        demo.config.numericSettings["width"] = 640;
        demo.config.numericSettings["vsync"] = 0;
        WindowManager window(nullptr, &demo.config, &demo);
        EXPECT_EQ(window.isFullScreen(), fullScreen) << mode;
        EXPECT_EQ(window.isFramed(), framed) << mode;
        EXPECT_EQ(demo.displaySettings.width, 640u);
        EXPECT_EQ(demo.displaySettings.height, 1080u);
        EXPECT_EQ(demo.displaySettings.vsync, 0);
        EXPECT_EQ(demo.displaySettings.windowMode, mode);
        EXPECT_EQ(demo.displaySettings.multiSample, 1);
        EXPECT_EQ(demo.displaySettings.alwaysOnTop, 0);
    }
}

}  // namespace
