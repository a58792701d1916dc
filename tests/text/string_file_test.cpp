#include <gtest/gtest.h>

#include "host/foundation/strings.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

using testsupport::be;

TEST(StringFile, DecodesUtf16BigEndianOrUtf8OrNamesTheFileAndTheProblemInOneLine) {
    const auto utf16 = NSUTF16BigEndianStringEncoding, utf8 = NSUTF8StringEncoding;
    const struct {
        std::string bytes;
        NSStringEncoding encoding;
        std::optional<std::string> text;
        std::string problem;
    } cases[] = {
        {be(u"Moo\n\u041C\u0443\u0443 \U0001F404\r\n"), utf16,
         "Moo\n\u041C\u0443\u0443 \U0001F404\r\n", ""},
        {"\xFE\xFF" + be(u"a\nb"), utf16, "a\nb", ""},
        {std::string("\xFF\xFE"
                     "a\0\n\0",
                     6),
         utf16,
         {},
         "UTF-16 text in little-endian byte order; big-endian expected"},
        {be(u"abc") + '\0', utf16, {}, "not UTF-16 text: odd length of 7 bytes"},
        // A high surrogate before an ordinary character, one at the very
        // end, and a low surrogate on its own.
        {be(u"a") + "\xD8\x3D" + be(u"b"),
         utf16,
         {},
         "not UTF-16 text: unpaired surrogate at byte 2"},
        {be(u"ab") + "\xD8\x3D", utf16, {}, "not UTF-16 text: unpaired surrogate at byte 4"},
        {"\xDC\x04" + be(u"a"), utf16, {}, "not UTF-16 text: unpaired surrogate at byte 0"},
        {"", utf16, {}, "the text file is empty"},
        {"caf\xC3\xA9", utf8, "caf\xC3\xA9", ""},
        // A truncated sequence, an overlong slash and an encoded surrogate.
        {"ab\xC3", utf8, {}, "not UTF-8 text: invalid byte at 2"},
        {"\xC0\xAF", utf8, {}, "not UTF-8 text: invalid byte at 0"},
        {"x\xED\xA0\x80", utf8, {}, "not UTF-8 text: invalid byte at 1"},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.problem);
        const std::string path = dir.write("file.strings", c.bytes);
        testsupport::StderrCapture out;
        EXPECT_EQ(stringWithContentsOfFile(path, c.encoding), c.text);
        EXPECT_EQ(out.text(), c.problem.empty() ? "" : path + ": " + c.problem + "\n");
    }
    testsupport::StderrCapture out;
    EXPECT_FALSE(stringWithContentsOfFile(dir.file("nowhere"), utf16));
    EXPECT_FALSE(stringWithContentsOfFile(dir.path(), utf16));
    EXPECT_TRUE(out.text().starts_with(dir.file("nowhere") +
                                       ": cannot be read: No such file or directory\n" +
                                       dir.path() + ": cannot be read: "));
}

// The placard's lists cover splitting at line feeds; these are the other edges.
TEST(ComponentsSeparatedByString, KeepsEveryPieceIncludingEmptyOnes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(componentsSeparatedByString("\n\n", "\n"), (V{"", "", ""}));
    EXPECT_EQ(componentsSeparatedByString("", "\n"), (V{""}));
    EXPECT_EQ(componentsSeparatedByString("a--b---c", "--"), (V{"a", "b", "-c"}));
    EXPECT_EQ(componentsSeparatedByString("abc", ""), (V{"abc"}));
}

}  // namespace
