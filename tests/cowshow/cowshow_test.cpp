#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct ShowRun {
    int status = -1;
    std::vector<std::string> lines;
};

ShowRun cowshow(const std::string& args) {
    ShowRun run;
    std::string command = std::string(COWSHOW_PATH) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        run.lines.push_back(line);
    }
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

std::filesystem::path freshFolder(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() /
               ("cowshow_test_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    return dir;
}

TEST(Cowshow, DrawsAWholeShowAndSavesEveryNthFrameAndASheet) {
    auto dir = freshFolder("frames");
    auto sheet = dir / "sheet.png";
    ShowRun run =
        cowshow("--seed 3 --every 100 --out " + dir.string() + " --sheet " + sheet.string());
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 1u) << "one summary line";
    int frames = 0, contacts = 0;
    double seconds = 0;
    ASSERT_EQ(
        std::sscanf(run.lines[0].c_str(), "cowshow: %d frames, %d floor contacts, %lf s of show",
                    &frames, &contacts, &seconds),
        3)
        << run.lines[0];
    EXPECT_EQ(contacts, 8);
    EXPECT_GT(frames, 300);
    EXPECT_NEAR(seconds, frames / 90.0, 0.01);

    int written = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir))
        written += entry.path().filename().string().rfind("frame_", 0) == 0;
    EXPECT_EQ(written, (frames + 99) / 100);
    EXPECT_TRUE(std::filesystem::exists(dir / "frame_0000.png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "frame_0100.png"));

    cairo_surface_t* png = cairo_image_surface_create_from_png((dir / "frame_0100.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 320);
    EXPECT_EQ(cairo_image_surface_get_height(png), 480);
    // Something was drawn, and most of the frame is the black background.
    cairo_surface_flush(png);
    const unsigned char* data = cairo_image_surface_get_data(png);
    int stride = cairo_image_surface_get_stride(png), lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 320; ++x)
            lit += (reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 50);
    EXPECT_LT(lit, 320 * 480 / 2);
    cairo_surface_destroy(png);

    cairo_surface_t* contact = cairo_image_surface_create_from_png(sheet.c_str());
    ASSERT_EQ(cairo_surface_status(contact), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(contact), std::min(written, 10) * 80);
    EXPECT_EQ(cairo_image_surface_get_height(contact), (written + 9) / 10 * 120);
    cairo_surface_destroy(contact);
    std::filesystem::remove_all(dir);
}

TEST(Cowshow, TheSameSeedGivesTheSameShow) {
    ShowRun a = cowshow("--seed 41");
    ShowRun b = cowshow("--seed=41");
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.lines, b.lines);
}

TEST(Cowshow, BadOptionsGetUsageAndStatusTwo) {
    for (const char* args :
         {"--every 0", "--every x", "--seed -1", "--frobnicate", "--out", "--every=", "--sheet="}) {
        ShowRun run = cowshow(args);
        EXPECT_EQ(run.status, 2) << args;
        ASSERT_FALSE(run.lines.empty()) << args;
        EXPECT_EQ(run.lines.back().rfind("usage: cowshow", 0), 0u) << args;
    }
}

TEST(Cowshow, AnOutputFolderThatCannotBeMadeIsSaidAndNothingIsDrawn) {
    auto dir = freshFolder("blocked");
    std::filesystem::create_directories(dir);
    FILE* file = std::fopen((dir / "plain").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ShowRun run = cowshow("--out " + (dir / "plain" / "sub").string());
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0].rfind("cowshow: cannot make the folder", 0), 0u) << run.lines[0];
    std::filesystem::remove_all(dir);
}

}  // namespace
