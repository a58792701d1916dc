#include <gtest/gtest.h>

#include "host/foundation/messages.h"
#include "host/foundation/strings.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

using testsupport::be;

TEST(StringFile, DecodesUtf16BigEndianOrUtf8OrNamesTheFileAndTheProblemInOneLine) {
    using namespace messages;
    const auto utf16 = NSUTF16BigEndianStringEncoding, utf8 = NSUTF8StringEncoding;
    const struct {
        std::string bytes;
        NSStringEncoding encoding;
        std::optional<std::string> text;
        const char* message;  // with the path and `at`
        size_t at;
    } cases[] = {
        {be(u"Moo\n\u041C\u0443\u0443 \U0001F404\r\n"), utf16,
         "Moo\n\u041C\u0443\u0443 \U0001F404\r\n", nullptr, 0},
        {"\xFE\xFF" + be(u"a\nb"), utf16, "a\nb", nullptr, 0},
        {std::string("\xFF\xFE\x61\0\n\0", 6), utf16, {}, kTextFileLittleEndian, 0},
        {be(u"abc") + '\0', utf16, {}, kTextFileOddLength, 7},
        // A high surrogate before an ordinary character, one at the very
        // end, and a low surrogate on its own.
        {be(u"a") + "\xD8\x3D" + be(u"b"), utf16, {}, kTextFileUnpairedSurrogate, 2},
        {be(u"ab") + "\xD8\x3D", utf16, {}, kTextFileUnpairedSurrogate, 4},
        {"\xDC\x04" + be(u"a"), utf16, {}, kTextFileUnpairedSurrogate, 0},
        {"", utf16, {}, kTextFileEmpty, 0},
        {"caf\xC3\xA9", utf8, "caf\xC3\xA9", nullptr, 0},
        // A truncated sequence, an overlong slash and an encoded surrogate.
        {"ab\xC3", utf8, {}, kTextFileBadUtf8, 2},
        {"\xC0\xAF", utf8, {}, kTextFileBadUtf8, 0},
        {"x\xED\xA0\x80", utf8, {}, kTextFileBadUtf8, 1},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = dir.write("file.strings", c.bytes);
        testsupport::StderrCapture out;
        EXPECT_EQ(stringWithContentsOfFile(path, c.encoding), c.text);
        EXPECT_EQ(out.text(), c.message ? testsupport::message(c.message, path.c_str(), c.at) : "");
    }
    // Any reason the system gives: the line up to it.
    std::string directory = testsupport::message(kTextFileUnreadable, dir.path().c_str(), "");
    directory.pop_back();
    testsupport::StderrCapture out;
    EXPECT_FALSE(stringWithContentsOfFile(dir.file("nowhere"), utf16));
    EXPECT_FALSE(stringWithContentsOfFile(dir.path(), utf16));
    EXPECT_TRUE(out.text().starts_with(testsupport::message(kTextFileUnreadable,
                                                            dir.file("nowhere").c_str(),
                                                            "No such file or directory") +
                                       directory));
}

}  // namespace
