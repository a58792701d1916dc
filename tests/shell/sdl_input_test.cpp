#include "host/shell/sdl_input.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

using host::InputEvent;
using Kind = InputEvent::Kind;

SDL_Event mouse(Uint32 type, int x, int y, Uint32 which = 0, Uint8 button = SDL_BUTTON_LEFT) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION)
        e.motion.which = which, e.motion.x = x, e.motion.y = y;
    else
        e.button.which = which, e.button.button = button, e.button.x = x, e.button.y = y;
    return e;
}
SDL_Event finger(Uint32 type, SDL_FingerID id, float x, float y, SDL_TouchID device = 7) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.touchId = device, e.tfinger.fingerId = id, e.tfinger.x = x, e.tfinger.y = y;
    return e;
}
SDL_Event other(Uint32 type, Uint8 windowEvent = 0, SDL_Keymod mod = KMOD_NONE,
                SDL_Keycode key = SDLK_q, Uint8 repeat = 0) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_WINDOWEVENT) e.window.event = windowEvent;
    if (type == SDL_KEYDOWN)
        e.key.keysym = {SDL_SCANCODE_UNKNOWN, key, Uint16(mod), 0}, e.key.repeat = repeat;
    return e;
}

// What a translation gave, in words.
std::string describe(const std::optional<InputEvent>& e) {
    if (!e) return "nothing";
    const char* kinds[] = {"touch", "cancel all", "redraw", "wake", "quit", "record"};
    if (e->kind != Kind::Touch) return kinds[int(e->kind)];
    return "finger " + std::to_string(e->finger) + " " + host::UITouchPhaseName(e->phase) + " " +
           testing::PrintToString(e->point.x) + "," + testing::PrintToString(e->point.y);
}

void expectSteps(host::SdlInput& input,
                 const std::vector<std::pair<SDL_Event, std::string>>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(describe(input.translate(steps[i].first)), steps[i].second) << "step " << i;
}

TEST(SdlInput, MouseIsFingerZeroInPointsAndEachRealFingerCountsOnce) {
    host::SdlInput input(2.0f, 320, 480);
    expectSteps(input,
                {
                    {mouse(SDL_MOUSEMOTION, 10, 10), "nothing"},  // hovering
                    {mouse(SDL_MOUSEBUTTONDOWN, 320, 480), "finger 0 began 160,240"},
                    {mouse(SDL_MOUSEMOTION, 340, 500), "finger 0 moved 170,250"},
                    {mouse(SDL_MOUSEBUTTONUP, 341, 501), "finger 0 ended 170.5,250.5"},
                    {mouse(SDL_MOUSEMOTION, 10, 10), "nothing"},
                    {mouse(SDL_MOUSEBUTTONUP, 1, 1), "nothing"},  // no press before
                    {mouse(SDL_MOUSEBUTTONDOWN, 1, 1, 0, SDL_BUTTON_RIGHT), "nothing"},
                    // SDL's mouse copies of fingers, and its finger copies of the mouse.
                    {mouse(SDL_MOUSEBUTTONDOWN, 5, 5, SDL_TOUCH_MOUSEID), "nothing"},
                    {mouse(SDL_MOUSEMOTION, 6, 6, SDL_TOUCH_MOUSEID), "nothing"},
                    {finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f, SDL_MOUSE_TOUCHID), "nothing"},
                    // Real fingers: fractions of the window, numbered from 1 while down.
                    {finger(SDL_FINGERDOWN, 100, 0.5f, 0.5f), "finger 1 began 160,240"},
                    {finger(SDL_FINGERDOWN, 200, 0.25f, 0.75f), "finger 2 began 80,360"},
                    {finger(SDL_FINGERMOTION, 100, 0.5f, 0.25f), "finger 1 moved 160,120"},
                    {finger(SDL_FINGERUP, 100, 0.5f, 0.25f), "finger 1 ended 160,120"},
                    {finger(SDL_FINGERDOWN, 300, 0, 0), "finger 1 began 0,0"},  // the freed number
                    {finger(SDL_FINGERMOTION, 999, 0, 0), "nothing"},           // an unknown finger
                    {finger(SDL_FINGERUP, 999, 0, 0), "nothing"},
                });
}

TEST(SdlInput, WindowEventsBecomeShellRequests) {
    host::SdlInput input(1.0f, 320, 480);
    const Uint32 wake = SDL_USEREVENT + 3;
    expectSteps(
        input, {
                   {other(SDL_QUIT), "quit"},
                   {other(SDL_WINDOWEVENT, SDL_WINDOWEVENT_EXPOSED), "redraw"},
                   {other(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST), "nothing"},  // nothing down
                   {finger(SDL_FINGERDOWN, 1, 0.1f, 0.1f), "finger 1 began 32,48"},
                   {other(SDL_WINDOWEVENT, SDL_WINDOWEVENT_FOCUS_LOST), "cancel all"},
                   {finger(SDL_FINGERUP, 1, 0.1f, 0.1f), "nothing"},  // already cancelled
                   {other(SDL_KEYDOWN), "nothing"},                   // q alone
                   {other(SDL_KEYDOWN, 0, KMOD_LCTRL), "quit"},
                   {other(SDL_KEYDOWN, 0, KMOD_RCTRL, SDLK_r), "record"},
                   {other(SDL_KEYDOWN, 0, KMOD_RCTRL, SDLK_r, 1), "nothing"},  // held down
                   {other(SDL_KEYDOWN, 0, KMOD_NONE, SDLK_r), "nothing"},
                   {other(wake), "nothing"},  // before the wake type is known
               });
    input.setWakeEventType(wake);
    expectSteps(input, {{other(wake), "wake"}});
}

TEST(SdlInput, EventsCarryTheirAgeSoTouchTimesFollowTheEventsNotTheLoop) {
    host::SdlInput input(1.0f, 320, 480);
    struct Row {
        Uint32 stamp, now;
        double age;
    } rows[] = {
        {1000, 1250, 0.25}, {1250, 1250, 0.0}, {0, 5000, 0.0}, {1300, 1250, 0.0}, {100, 9000, 1.0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "stamped " << r.stamp << " at " << r.now);
        SDL_Event e = mouse(SDL_MOUSEBUTTONDOWN, 5, 5);
        e.common.timestamp = r.stamp;
        auto got = input.translateAt(e, r.now);
        ASSERT_TRUE(got);
        EXPECT_DOUBLE_EQ(got->age, r.age);
    }
}

}  // namespace
