// The debug overlay runs a frame every frame; it must leave the cursor as the player set it.
#include <gtest/gtest.h>

#include <SDL.h>

#include "app/debug_overlay.h"
#include "platform/window/window.h"
#include "render/graphics_context.h"
#include "support/gpu_test_support.h"

namespace {

TEST(DebugOverlay, NewFramesLeaveTheCursorHiddenInAShowAndVisibleInEditorMode) {
    SDL_Window* window = testing_support::createTestWindow(64, 48);
    if (!window) GTEST_SKIP() << "no SDL video: " << SDL_GetError();
    {
        GraphicsContext graphics;
        ASSERT_TRUE(graphics.createDevice(window));
        DebugOverlay& overlay = DebugOverlay::instance();
        ASSERT_TRUE(overlay.initialize(window, SDL_GL_GetCurrentContext(), 64.0f, 48.0f));

        platform::showCursor(false);  // a show
        for (int frame = 0; frame < 3; ++frame) overlay.newFrame();
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);

        platform::showCursor(true);  // editor mode never hides it
        for (int frame = 0; frame < 3; ++frame) overlay.newFrame();
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
        overlay.shutdown();
    }
    testing_support::destroyTestWindow(window);
}

}  // namespace
