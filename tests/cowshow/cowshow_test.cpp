#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host/views/ui_image.h"
#include "tests/support/host_support.h"

namespace {

using testsupport::runProgram;

TEST(Cowshow, DrawsAWholeShowTheSameForTheSameSeedSavingEveryNthFrameAndASheet) {
    testsupport::TempDir dir;
    auto run = runProgram(COWSHOW_PATH, "--seed 3 --every 100 --out " + dir.path() + " --sheet " +
                                            dir.file("sheet.png"));
    ASSERT_EQ(run.status, 0);
    int frames = 0, contacts = 0, end = 0;
    double seconds = 0;
    std::sscanf(run.output.c_str(), "cowshow: %d frames, %d floor contacts, %lf s of show\n%n",
                &frames, &contacts, &seconds, &end);
    ASSERT_EQ(end, static_cast<int>(run.output.size())) << "one summary line: " << run.output;
    EXPECT_EQ(contacts, 8);
    EXPECT_GT(frames, 300);
    EXPECT_NEAR(seconds, frames / 90.0, 0.01);
    EXPECT_EQ(runProgram(COWSHOW_PATH, "--seed=3").output, run.output);

    const int written = (frames + 99) / 100;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), written + 1);
    // A frame: drawn on, and mostly the black background; the sheet: quarter
    // size frames, ten to a row.
    auto png = host::UIImage::imageWithContentsOfFile(dir.file("frame_0100.png"));
    auto sheet = host::UIImage::imageWithContentsOfFile(dir.file("sheet.png"));
    ASSERT_TRUE(png && sheet);
    ASSERT_EQ(std::pair(png->CGImage()->width(), png->CGImage()->height()), std::pair(320, 480));
    int lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 320; ++x) lit += (png->CGImage()->pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 50);
    EXPECT_LT(lit, 320 * 480 / 2);
    EXPECT_EQ(sheet->CGImage()->width(), std::min(written, 10) * 80);
    EXPECT_EQ(sheet->CGImage()->height(), (written + 9) / 10 * 120);
}

TEST(Cowshow, BadOptionsGetUsageAndStatusTwoAndAnUnmakeableFolderStatusOne) {
    testsupport::TempDir dir;
    std::vector<std::pair<std::string, int>> rows = {
        {"--out " + dir.write("plain", "") + "/sub", 1}};
    for (const char* args : {"--every 0", "--every x", "--seed -1", "--frobnicate", "--out",
                             "--every=", "--sheet=", "--seed ' 3'"})
        rows.push_back({args, 2});
    for (const auto& [args, status] : rows) {
        auto run = runProgram(COWSHOW_PATH, args);
        EXPECT_EQ(run.status, status) << args;
        ASSERT_FALSE(run.lines().empty()) << args;
        EXPECT_TRUE(run.lines().back().starts_with(status == 1 ? "cowshow: cannot make the folder"
                                                               : "usage: cowshow"))
            << args << ": " << run.output;
        EXPECT_EQ(run.output.find("frames,"), std::string::npos) << "nothing drawn: " << args;
    }
}

}  // namespace
