#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/host_support.h"

namespace {

using testsupport::runProgram;

TEST(Cowshow, DrawsAWholeShowTheSameForTheSameSeedSavingEveryNthFrameAndASheet) {
    testsupport::TempDir dir;
    auto run = runProgram(COWSHOW_PATH, "--seed 3 --every 100 --out " + dir.path() + " --sheet " +
                                            dir.file("sheet.png"));
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines().size(), 1u) << "one summary line";
    int frames = 0, contacts = 0;
    double seconds = 0;
    ASSERT_EQ(
        std::sscanf(run.output.c_str(), "cowshow: %d frames, %d floor contacts, %lf s of show",
                    &frames, &contacts, &seconds),
        3)
        << run.output;
    EXPECT_EQ(contacts, 8);
    EXPECT_GT(frames, 300);
    EXPECT_NEAR(seconds, frames / 90.0, 0.01);
    EXPECT_EQ(runProgram(COWSHOW_PATH, "--seed=3").output, run.output);

    const int written = (frames + 99) / 100;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), written + 1);
    // A frame: drawn on, and mostly the black background.
    cairo_surface_t* png = cairo_image_surface_create_from_png(dir.file("frame_0100.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 320);
    EXPECT_EQ(cairo_image_surface_get_height(png), 480);
    const unsigned char* data = cairo_image_surface_get_data(png);
    int stride = cairo_image_surface_get_stride(png), lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 320; ++x)
            lit += (reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 50);
    EXPECT_LT(lit, 320 * 480 / 2);
    cairo_surface_destroy(png);
    // The sheet: quarter-size frames, ten to a row.
    cairo_surface_t* sheet = cairo_image_surface_create_from_png(dir.file("sheet.png").c_str());
    EXPECT_EQ(cairo_image_surface_get_width(sheet), std::min(written, 10) * 80);
    EXPECT_EQ(cairo_image_surface_get_height(sheet), (written + 9) / 10 * 120);
    cairo_surface_destroy(sheet);
}

TEST(Cowshow, BadOptionsGetUsageAndStatusTwoAndAnUnmakeableFolderStatusOne) {
    testsupport::TempDir dir;
    const std::string blocked = dir.write("plain", "") + "/sub";
    struct Row {
        std::string args;
        int status;
        const char* lastLine;
    };
    std::vector<Row> rows = {{"--out " + blocked, 1, "cowshow: cannot make the folder"}};
    for (const char* args : {"--every 0", "--every x", "--seed -1", "--frobnicate", "--out",
                             "--every=", "--sheet=", "--seed ' 3'"})
        rows.push_back({args, 2, "usage: cowshow"});
    for (const Row& row : rows) {
        auto run = runProgram(COWSHOW_PATH, row.args);
        EXPECT_EQ(run.status, row.status) << row.args;
        ASSERT_FALSE(run.lines().empty()) << row.args;
        EXPECT_EQ(run.lines().back().rfind(row.lastLine, 0), 0u) << row.args << ": " << run.output;
        EXPECT_EQ(run.output.find("frames,"), std::string::npos) << "nothing drawn: " << row.args;
    }
}

}  // namespace
