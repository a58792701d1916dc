#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// NSString's file reading and splitting, over UTF-8 std::string.

namespace host {

enum NSStringEncoding {
    NSUTF8StringEncoding = 4,
    NSUTF16BigEndianStringEncoding = 0x90000100,
};

// Reads a whole text file into UTF-8. Nothing (and one line on standard output
// naming the file and the problem) when the file cannot be read or is not
// valid text in that encoding. UTF-16 big-endian must have an even, non-zero
// length and paired surrogates; a leading big-endian byte order mark is
// skipped, and a little-endian one is refused, since the text would be garbled.
std::optional<std::string> stringWithContentsOfFile(const std::string& path,
                                                    NSStringEncoding encoding);
// The same decoding of a whole file's bytes already in memory; `path` only
// names the file in the message.
std::optional<std::string> stringWithData(std::string_view bytes, NSStringEncoding encoding,
                                          const std::string& path);

// The pieces between separators, empty ones included: "a\n" gives "a" and "".
// An empty separator gives the string whole.
std::vector<std::string> componentsSeparatedByString(const std::string& string,
                                                     const std::string& separator);

// Length of the valid UTF-8 sequence at s[i], or 0 when none starts there.
size_t utf8SequenceLength(std::string_view s, size_t i);

// `text` in double quotes, safe to print in a one-line message whatever it
// holds: control bytes (escape sequences, NUL, line feeds) and bytes that are
// not UTF-8 are shown as \xNN, quotes and backslashes are escaped, and more
// than 60 bytes are cut with "...".
std::string quotedForMessage(std::string_view text);

}  // namespace host
