#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/foundation/strings.h"

namespace {

using host::componentsSeparatedByString;
using host::NSUTF16BigEndianStringEncoding;
using host::NSUTF8StringEncoding;
using host::stringWithContentsOfFile;

class TextFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("paddock-text-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& bytes) {
        std::string path = (dir_ / "file.strings").string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Reads `path` and returns the printed lines alongside the result.
    std::optional<std::string> read(
        const std::string& path, std::string& printed,
        host::NSStringEncoding encoding = NSUTF16BigEndianStringEncoding) {
        ::testing::internal::CaptureStdout();
        auto s = stringWithContentsOfFile(path, encoding);
        std::fflush(stdout);
        printed = ::testing::internal::GetCapturedStdout();
        return s;
    }

    std::filesystem::path dir_;
};

std::string be(std::u16string s) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

TEST_F(TextFile, DecodesBigEndianUtf16IncludingSurrogatePairsToUtf8) {
    std::string printed;
    auto s = read(write(be(u"Moo\n\u041C\u0443\u0443 \U0001F404\r\n")), printed);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, "Moo\n\u041C\u0443\u0443 \U0001F404\r\n");
    EXPECT_EQ(printed, "");
}

TEST_F(TextFile, SkipsBigEndianByteOrderMarkAndRefusesLittleEndianOne) {
    std::string printed;
    auto s = read(write("\xFE\xFF" + be(u"a\nb")), printed);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, "a\nb");

    std::string path =
        write(std::string("\xFF\xFE"
                          "a\0\n\0",
                          6));
    EXPECT_FALSE(read(path, printed));
    EXPECT_EQ(printed, path + ": UTF-16 text in little-endian byte order; big-endian expected\n");
}

TEST_F(TextFile, RefusesMalformedUtf16WithOneLineNamingTheFile) {
    std::string printed;
    std::string path = write(be(u"abc") + std::string(1, '\0'));
    EXPECT_FALSE(read(path, printed));
    EXPECT_EQ(printed, path + ": not UTF-16 text: odd length of 7 bytes\n");

    // A high surrogate followed by an ordinary character, one at the very end,
    // and a low surrogate on its own.
    const std::pair<std::string, size_t> unpaired[] = {
        {be(u"a") + "\xD8\x3D" + be(u"b"), 2},
        {be(u"ab") + "\xD8\x3D", 4},
        {"\xDC\x04" + be(u"a"), 0},
    };
    for (const auto& [bytes, at] : unpaired) {
        path = write(bytes);
        EXPECT_FALSE(read(path, printed));
        EXPECT_EQ(printed, path + ": not UTF-16 text: unpaired surrogate at byte " +
                               std::to_string(at) + "\n");
    }
}

TEST_F(TextFile, EmptyAndMissingFilesAreFailuresWithOneLine) {
    std::string printed;
    std::string path = write("");
    EXPECT_FALSE(read(path, printed));
    EXPECT_EQ(printed, path + ": the text file is empty\n");

    std::string missing = (dir_ / "nowhere.strings").string();
    EXPECT_FALSE(read(missing, printed));
    EXPECT_EQ(printed, missing + ": cannot be read: No such file or directory\n");

    EXPECT_FALSE(read(dir_.string(), printed));
    EXPECT_NE(printed.find(dir_.string() + ": cannot be read: "), std::string::npos) << printed;
}

TEST_F(TextFile, Utf8FilesAreCheckedForValidity) {
    std::string printed;
    auto s = read(write("caf\xC3\xA9"), printed, NSUTF8StringEncoding);
    ASSERT_TRUE(s);
    EXPECT_EQ(*s, "caf\xC3\xA9");
    // A truncated sequence, an overlong slash and an encoded surrogate.
    for (std::string bad : {"ab\xC3", "\xC0\xAF", "x\xED\xA0\x80"}) {
        std::string path = write(bad);
        EXPECT_FALSE(read(path, printed, NSUTF8StringEncoding)) << bad;
        EXPECT_NE(printed.find(": not UTF-8 text: invalid byte at "), std::string::npos);
    }
}

TEST(ComponentsSeparatedByString, KeepsEveryPieceIncludingEmptyOnes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(componentsSeparatedByString("first\nsecond\nthird", "\n"),
              (V{"first", "second", "third"}));
    EXPECT_EQ(componentsSeparatedByString("a\n", "\n"), (V{"a", ""}));
    EXPECT_EQ(componentsSeparatedByString("\n\n", "\n"), (V{"", "", ""}));
    EXPECT_EQ(componentsSeparatedByString("a\r\nb", "\n"), (V{"a\r", "b"}));
    EXPECT_EQ(componentsSeparatedByString("", "\n"), (V{""}));
    EXPECT_EQ(componentsSeparatedByString("a--b---c", "--"), (V{"a", "b", "-c"}));
    EXPECT_EQ(componentsSeparatedByString("abc", ""), (V{"abc"}));
}

}  // namespace
