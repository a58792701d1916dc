#include <gtest/gtest.h>

#include "host/foundation/bundle.h"
#include "host/foundation/messages.h"
#include "host/layers/recording_backend.h"
#include "host/views/string_drawing.h"
#include "placard/PlacardView.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

using testsupport::be;

// A bundle of our own in a temporary folder, for the placard to load from.
class Placard : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = NSBundle::mainBundle().resourcePath();
        NSBundle::mainBundle().setResourcePath(dir.path());
    }
    void TearDown() override { NSBundle::mainBundle().setResourcePath(saved); }
    // A grey picture.
    void writeImage(int w, int h) {
        auto image = CGImage::create(w, h);
        for (int y = 0; y < h; ++y)
            std::fill_n(reinterpret_cast<uint32_t*>(image->data() + y * image->stride()), w,
                        0xFF808080u);
        image->markDirty();
        ASSERT_TRUE(image->writePNG(dir.file("cow.png")));
    }
    std::shared_ptr<PlacardView> make() {
        testsupport::StderrCapture out;
        auto placard = PlacardView::init();
        printed = out.text();
        return placard;
    }
    testsupport::TempDir dir;
    std::string saved, printed;
};

TEST_F(Placard, CyclesItsStringsInFileOrderAndShowsTheImageOnlyWithoutAUsableList) {
    writeImage(220, 300);
    const char* none = nullptr;
    const std::string list = dir.file("DisplayStrings.strings");
    const struct {
        const char* what;
        std::optional<std::string> file;
        std::string problem;
        std::vector<std::pair<const char*, uint32_t>> shown;  // string (or none) and next index
    } cases[] = {
        // clang-format off
        {"three lines", be(u"first\nsecond\nthird"), "",
         {{"first", 1}, {"second", 2}, {"third", 0}, {"first", 1}}},
        // Nothing is trimmed: the carriage return stays with its string.
        {"trailing line feed", be(u"a\r\nb\n"), "", {{"a\r", 1}, {"b", 2}, {"", 0}, {"a\r", 1}}},
        {"single string", be(u"only"), "", {{"only", 0}, {"only", 0}, {"only", 0}}},
        {"no list", std::nullopt, "", {{none, 0}, {none, 0}}},
        {"odd length", std::string("\0M\0o\0", 5),
         testsupport::message(messages::kTextFileOddLength, list.c_str(), size_t{5}), {{none, 0}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(list);
        if (c.file) dir.write("DisplayStrings.strings", *c.file);
        auto p = make();
        ASSERT_TRUE(p);
        EXPECT_EQ(printed, c.problem);
        EXPECT_EQ(p->frame(), CGRectMake(0, 0, 220, 300));
        EXPECT_FALSE(p->isOpaque());
        for (const auto& [text, index] : c.shown) {
            EXPECT_EQ(p->currentDisplayString(),
                      text ? std::optional<std::string>(text) : std::nullopt);
            EXPECT_EQ(p->displayStringsIndex(), index);
            EXPECT_EQ(p->textSize().width > 0, text && *text) << "a size only for text";
            EXPECT_TRUE(p->needsDisplay());
            p->displayIfNeeded();
            EXPECT_FALSE(p->needsDisplay());
            p->setupNextDisplayString();
        }
    }
}

// What makes a picture unusable is the image loader's to say (tests/views);
// the placard only passes the one line on and is not made.
TEST_F(Placard, MissingOrCorruptImageGivesNoPlacardAndOneLine) {
    dir.write("DisplayStrings.strings", be(u"Moo"));
    EXPECT_FALSE(make());
    EXPECT_EQ(printed,
              testsupport::message(messages::kImageNotFound, "cow.png", dir.path().c_str()));
    dir.write("cow.png", "GIF89a, not a png at all");
    EXPECT_FALSE(make());
    EXPECT_EQ(printed, testsupport::message(messages::kImageUnreadable, dir.file("cow.png").c_str(),
                                            "not a PNG file"));
}

// On the recording backend, whose characters are half the size wide: the
// picture, then the text fitted to 180 points (shrunk from 16, at 9 cut in
// the middle), centred 90 points above the middle, its black shadow half a
// point lower drawn first.
TEST_F(Placard, DrawsThePictureThenWhiteTextOverItsShadowFittedToTheWidthLessTwenty) {
    writeImage(200, 300);
    const std::string medium = "The cow jumped over the moon",
                      both = medium +
                             "\nA rather long line about a cow who wandered into town "
                             "and asked for directions home";
    dir.write("DisplayStrings.strings", be(std::u16string(both.begin(), both.end())));
    ScopedRecordingBackend recording;
    auto p = make();
    ASSERT_TRUE(p);
    const std::string whole = "\"" + medium + "\" at 16 ",
                      cut = "\"A rather long line a\u2026for directions home\" at 10 54";
    const struct {
        float size;
        CGSize box;
        std::string shadow, text;
    } shown[] = {
        {12, {168, 15}, "text 12 " + whole + "53", "text 12 " + whole + "52.5"},
        {9, {180, 11.25f}, "text 9 " + cut + ".875", "text 9 " + cut + ".375"},
    };
    for (const auto& s : shown) {
        SCOPED_TRACE(s.size);
        EXPECT_EQ(p->fontSize(), s.size);
        EXPECT_EQ(p->textSize(), s.box);
        recording.calls.clear();
        p->displayIfNeeded();
        const std::vector<std::string> drawn(recording.calls.begin() + 3, recording.calls.end());
        EXPECT_EQ(drawn, (std::vector<std::string>{
                             "save", "translate 0 0", "scale 1 1",
                             "image 200 x 300 smooth transparent at 0 0 to 200 300", "restore",
                             "fill-color 0 0 0 1", "save", s.shadow, "restore",
                             "fill-color 1 1 1 1", "save", s.text, "restore"}));
        p->setupNextDisplayString();
    }
}

}  // namespace
