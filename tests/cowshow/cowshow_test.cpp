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
    cairo_surface_t* png = cairo_image_surface_create_from_png(dir.file("frame_0100.png").c_str());
    cairo_surface_t* sheet = cairo_image_surface_create_from_png(dir.file("sheet.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_image_surface_get_width(png), 320);
    ASSERT_EQ(cairo_image_surface_get_height(png), 480);
    const unsigned char* data = cairo_image_surface_get_data(png);
    int stride = cairo_image_surface_get_stride(png), lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 320; ++x)
            lit += (reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 50);
    EXPECT_LT(lit, 320 * 480 / 2);
    EXPECT_EQ(cairo_image_surface_get_width(sheet), std::min(written, 10) * 80);
    EXPECT_EQ(cairo_image_surface_get_height(sheet), (written + 9) / 10 * 120);
    cairo_surface_destroy(png);
    cairo_surface_destroy(sheet);
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
