#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "host/foundation/bundle.h"
#include "host/foundation/strings.h"
#include "tests/support/host_support.h"

namespace fs = std::filesystem;
using host::NSBundle;
using host::NSRunLoop;
using host::NSTimer;

namespace {

using RunLoop = testsupport::VirtualLoopTest;

struct Counter {
    int ticks = 0;
    void tick() { ++ticks; }
};

TEST_F(RunLoop, TimersKeepTheirCadenceOnTheVirtualClockUntilInvalidatedOrDone) {
    Counter c;
    auto repeating = NSTimer::scheduledTimerWithTimeInterval(1.0 / 90, &c, &Counter::tick, true);
    int once = 0;
    auto oneShot = NSTimer::scheduledTimerWithTimeInterval(
        0.25, [&](NSTimer&) { ++once; }, false);
    EXPECT_DOUBLE_EQ(loop.nextDueTime(), 10 + 1.0 / 90);
    runUntil(11.0 + 1e-9);
    EXPECT_EQ(c.ticks, 90);
    EXPECT_EQ(once, 1);
    EXPECT_FALSE(oneShot->isValid());
    repeating->invalidate();
    // A turn late by 2.5 intervals fires once and keeps the cadence; a timer
    // invalidated by an earlier one in the same turn does not fire.
    std::shared_ptr<NSTimer> victim;
    auto late = NSTimer::scheduledTimerWithTimeInterval(
        1.0, [&](NSTimer&) { c.tick(), victim->invalidate(); }, true);
    victim = NSTimer::scheduledTimerWithTimeInterval(
        1.0, [&](NSTimer&) { ++once; }, false);
    clock.advanceTo(14.5);
    loop.runDue();
    EXPECT_EQ(c.ticks, 91);
    EXPECT_EQ(once, 1);
    EXPECT_NEAR(late->fireDate(), 15.0, 1e-6);
    late->invalidate();
    runUntil(20.0);
    EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
}

TEST(Bundle, FindsRegularFilesInsideItsFolderOnly) {
    // Tests live in <build>/tests, so the bundle is <build>/share/paddock/resources.
    auto& bundle = NSBundle::mainBundle();
    const std::string saved = bundle.resourcePath();
    EXPECT_EQ(fs::path(saved), fs::read_symlink("/proc/self/exe").parent_path().parent_path() /
                                   "share" / "paddock" / "resources");
    testsupport::TempDir dir;
    fs::create_directory(dir.file("sub"));
    dir.write("boing_0.wav", "x");
    dir.write("DisplayStrings.strings", "x");
    bundle.setResourcePath(dir.path());
    const std::string outside = "../" + fs::path(dir.path()).filename().string() + "/boing_0.wav";
    const struct {
        std::string name, type, found;
    } rows[] = {// clang-format off
        {"DisplayStrings", "strings", "DisplayStrings.strings"}, {"boing_0.wav", "", "boing_0.wav"},
        {"boing_3.wav", "", ""}, {"DisplayStrings", "txt", ""}, {"sub", "", ""}, {outside, "", ""},
        {"sub/../boing_0.wav", "", ""}, {"", "", ""}};
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(bundle.pathForResource(row.name, row.type).value_or("none"),
                  row.found.empty() ? "none" : dir.file(row.found))
            << row.name << " / " << row.type;
    bundle.setResourcePath(saved);
}

// Whatever a file holds, its token prints as one short, quoted, inert line.
TEST(QuotedForMessage, EscapesControlsAndBadBytesAndCutsLongTokens) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"wiggle", "\"wiggle\""},
        {"say \"hi\" \\o/", "\"say \\\"hi\\\" \\\\o/\""},
        {"\x1b[31mred\x1b[0m", "\"\\x1B[31mred\\x1B[0m\""},
        {"a\0b\nc\x7f"s, "\"a\\x00b\\x0Ac\\x7F\""},
        // C1 CSI as a raw byte (not UTF-8) and as U+009B; other UTF-8 stays.
        {"\x9b"s + "2J", "\"\\x9B2J\""},
        {"\xc2\x9b"s + "2J", "\"\\xC2\\x9B2J\""},
        {"Кор\xc3\xa9", "\"Кор\xc3\xa9\""},
        {std::string(61, 'x'), "\"" + std::string(60, 'x') + "...\""},
        // Cut at a character, never inside one.
        {std::string(59, 'x') + "\xc3\xa9\xc3\xa9", "\"" + std::string(59, 'x') + "\xc3\xa9...\""},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(host::quotedForMessage(text), quoted) << quoted;
}

}  // namespace
