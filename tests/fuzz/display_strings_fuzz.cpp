// libFuzzer entry for the display-strings file: bytes decoded as the placard
// reads them (UTF-16 big-endian) and as UTF-8 text files are, then split into
// lines. Decoded text must be valid UTF-8 that encodes back to the input, and
// the lines must join back to the text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/foundation/strings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Code points of strict UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF); nothing when the text is not that. Written apart from the
// library's own checks on purpose.
std::optional<std::vector<std::uint32_t>> codePoints(std::string_view text) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        const std::size_t n = b < 0x80         ? 1
                              : (b >> 5) == 6  ? 2
                              : (b >> 4) == 14 ? 3
                              : (b >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > text.size()) return std::nullopt;
        std::uint32_t c = n == 1 ? b : b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto t = static_cast<std::uint8_t>(text[i + k]);
            if ((t & 0xC0) != 0x80) return std::nullopt;
            c = c << 6 | (t & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        out.push_back(c);
        i += n;
    }
    return out;
}

std::string utf16BigEndian(const std::vector<std::uint32_t>& text) {
    std::string out;
    auto unit = [&](std::uint32_t u) {
        out += static_cast<char>(u >> 8);
        out += static_cast<char>(u & 0xFF);
    };
    for (std::uint32_t c : text) {
        if (c < 0x10000) {
            unit(c);
        } else {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

// The pieces rejoin to the text, and no piece holds the separator.
void checkSplit(const std::string& text, const std::string& separator) {
    const auto pieces = host::componentsSeparatedByString(text, separator);
    FUZZ_EXPECT(!pieces.empty());
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) joined += separator;
        joined += pieces[i];
        if (!separator.empty()) FUZZ_EXPECT(pieces[i].find(separator) == std::string::npos);
    }
    FUZZ_EXPECT(joined == text);
    if (separator.empty()) FUZZ_EXPECT(pieces.size() == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);

    if (auto text = host::stringWithData(bytes, host::NSUTF16BigEndianStringEncoding,
                                         "DisplayStrings.strings")) {
        const auto points = codePoints(*text);
        FUZZ_EXPECT(points.has_value());
        // Encoded again it is the input, less a leading byte order mark.
        const std::string again = utf16BigEndian(*points);
        const bool marked = bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF";
        FUZZ_EXPECT(again == bytes.substr(marked ? 2 : 0));
        checkSplit(*text, "\n");
    } else {
        // Refused input is not UTF-16 big-endian text of whole, paired units.
        const bool marked = bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF";
        const std::string_view body = bytes.substr(marked ? 2 : 0);
        bool wellFormed = !bytes.empty() && bytes.size() % 2 == 0 &&
                          !(bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE");
        for (std::size_t i = 0; wellFormed && i < body.size(); i += 2) {
            const unsigned u =
                static_cast<std::uint8_t>(body[i]) << 8 | static_cast<std::uint8_t>(body[i + 1]);
            const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
            if (low) wellFormed = false;
            if (high) {
                const unsigned next = i + 3 < body.size()
                                          ? static_cast<std::uint8_t>(body[i + 2]) << 8 |
                                                static_cast<std::uint8_t>(body[i + 3])
                                          : 0;
                if (next < 0xDC00 || next > 0xDFFF) wellFormed = false;
                i += 2;
            }
        }
        FUZZ_EXPECT(!wellFormed);
    }

    if (auto text = host::stringWithData(bytes, host::NSUTF8StringEncoding, "Info.txt")) {
        FUZZ_EXPECT(*text == bytes);
        FUZZ_EXPECT(codePoints(*text).has_value());
        checkSplit(*text, "\n");
    } else {
        FUZZ_EXPECT(bytes.empty() || !codePoints(bytes).has_value());
    }

    // Any separator the input starts with, over the rest of it.
    if (size >= 1) {
        const std::size_t n = data[0] % 4;
        if (size >= 1 + n)
            checkSplit(std::string(bytes.substr(1 + n)), std::string(bytes.substr(1, n)));
    }
    return 0;
}
