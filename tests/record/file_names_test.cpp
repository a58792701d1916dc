#include <gtest/gtest.h>
#include <stdlib.h>

#include "host/record/recorder.h"
#include "tests/support/host_support.h"

// Where Ctrl+R puts a recording, and what it is called.

namespace {

namespace fs = std::filesystem;

TEST(RecordingFiles, VideosFolderFollowsUserDirsNamesCarryTheLocalTimeFormatsTheExtension) {
    struct Case {
        const char* userDirs;  // user-dirs.dirs, or null for none
        std::vector<const char*> folders;
        const char* expected;  // under $HOME
    } cases[] = {
        {"XDG_VIDEOS_DIR=\"$HOME/Filme\"\n", {"Filme", "Videos"}, "/Filme"},
        {"# comment\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\n", {"Videos"}, "/Videos"},  // missing
        {"XDG_VIDEOS_DIR=\"relative\"\n", {"Videos"}, "/Videos"},
        {nullptr, {"Videos"}, "/Videos"},
        {nullptr, {}, ""},
    };
    for (const Case& c : cases) {
        testsupport::TempDir home;
        fs::create_directories(home.file(".config"));
        for (const char* folder : c.folders) fs::create_directories(home.file(folder));
        if (c.userDirs) home.write(".config/user-dirs.dirs", c.userDirs);
        setenv("HOME", home.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(host::userVideosFolder(), home.path() + c.expected) << c.expected;
    }
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(host::datedRecordingName("Paddock", 1796652185), "Paddock 2026-12-07 14-03-05.mp4");
    using host::RecordingFormat;
    for (auto [name, format] : {std::pair{"a.MP4", RecordingFormat::mp4},
                                {"dir.webp/a.webm", RecordingFormat::webm},
                                {"a.webp", RecordingFormat::webp}})
        EXPECT_EQ(host::recordingFormatFor(name), format) << name;
    for (const char* name : {"a.avi", "mp4", "a.mp4.part", ""})
        EXPECT_FALSE(host::recordingFormatFor(name)) << name;
}

}  // namespace
