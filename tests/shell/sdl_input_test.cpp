#include "host/shell/sdl_input.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

using host::InputEvent;
using host::SdlInput;
using host::UITouchPhase;

SDL_Event mouseButton(Uint32 type, int x, int y, Uint32 which = 0, Uint8 button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = type;
    e.button.which = which;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
}
SDL_Event mouseMotion(int x, int y, Uint32 which = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.which = which;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}
SDL_Event finger(Uint32 type, SDL_FingerID id, float x, float y, SDL_TouchID device = 7) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.touchId = device;
    e.tfinger.fingerId = id;
    e.tfinger.x = x;
    e.tfinger.y = y;
    return e;
}
SDL_Event windowEvent(Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    return e;
}

void expectTouch(const std::optional<InputEvent>& e, int finger, UITouchPhase phase, float x,
                 float y) {
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, InputEvent::Kind::Touch);
    EXPECT_EQ(e->finger, finger);
    EXPECT_EQ(e->phase, phase);
    EXPECT_FLOAT_EQ(e->point.x, x);
    EXPECT_FLOAT_EQ(e->point.y, y);
}

TEST(SdlInput, LeftMouseDragIsFingerZeroInPoints) {
    SdlInput input(2.0f, 320, 480);
    EXPECT_FALSE(input.translate(mouseMotion(10, 10))) << "hovering is no touch";
    expectTouch(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 320, 480)), 0, UITouchPhase::Began,
                160, 240);
    expectTouch(input.translate(mouseMotion(340, 500)), 0, UITouchPhase::Moved, 170, 250);
    expectTouch(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 341, 501)), 0, UITouchPhase::Ended,
                170.5f, 250.5f);
    EXPECT_FALSE(input.translate(mouseMotion(10, 10)));
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONUP, 1, 1))) << "no press before";
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 1, 1, 0, SDL_BUTTON_RIGHT)));
}

TEST(SdlInput, EachFingerCountsOnceWhateverSdlSynthesises) {
    SdlInput input(1.0f, 320, 480);
    // SDL's mouse copies of fingers, and its finger copies of the mouse.
    EXPECT_FALSE(input.translate(mouseButton(SDL_MOUSEBUTTONDOWN, 5, 5, SDL_TOUCH_MOUSEID)));
    EXPECT_FALSE(input.translate(mouseMotion(6, 6, SDL_TOUCH_MOUSEID)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f, SDL_MOUSE_TOUCHID)));

    // Real fingers: fractions of the window, numbered from 1 while down.
    expectTouch(input.translate(finger(SDL_FINGERDOWN, 100, 0.5f, 0.5f)), 1, UITouchPhase::Began,
                160, 240);
    expectTouch(input.translate(finger(SDL_FINGERDOWN, 200, 0.25f, 0.75f)), 2, UITouchPhase::Began,
                80, 360);
    expectTouch(input.translate(finger(SDL_FINGERMOTION, 100, 0.5f, 0.25f)), 1, UITouchPhase::Moved,
                160, 120);
    expectTouch(input.translate(finger(SDL_FINGERUP, 100, 0.5f, 0.25f)), 1, UITouchPhase::Ended,
                160, 120);
    // The freed number goes to the next finger; unknown fingers are ignored.
    expectTouch(input.translate(finger(SDL_FINGERDOWN, 300, 0, 0)), 1, UITouchPhase::Began, 0, 0);
    EXPECT_FALSE(input.translate(finger(SDL_FINGERMOTION, 999, 0, 0)));
    EXPECT_FALSE(input.translate(finger(SDL_FINGERUP, 999, 0, 0)));
}

TEST(SdlInput, WindowEventsBecomeShellRequests) {
    SdlInput input(1.0f, 320, 480);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(input.translate(quit)->kind, InputEvent::Kind::Quit);
    EXPECT_EQ(input.translate(windowEvent(SDL_WINDOWEVENT_EXPOSED))->kind,
              InputEvent::Kind::Redraw);
    EXPECT_FALSE(input.translate(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST))) << "nothing down";
    input.translate(finger(SDL_FINGERDOWN, 1, 0.1f, 0.1f));
    EXPECT_EQ(input.translate(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST))->kind,
              InputEvent::Kind::CancelAll);
    EXPECT_FALSE(input.translate(finger(SDL_FINGERUP, 1, 0.1f, 0.1f))) << "already cancelled";

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_q;
    EXPECT_FALSE(input.translate(key));
    key.key.keysym.mod = KMOD_LCTRL;
    EXPECT_EQ(input.translate(key)->kind, InputEvent::Kind::Quit);

    SDL_Event wake{};
    wake.type = SDL_USEREVENT + 3;
    EXPECT_FALSE(input.translate(wake));
    input.setWakeEventType(SDL_USEREVENT + 3);
    EXPECT_EQ(input.translate(wake)->kind, InputEvent::Kind::Wake);
}

}  // namespace
