// libFuzzer entry for text files, decoded as the placard's (UTF-16 big-endian)
// and as UTF-8: decoded exactly when well formed, into the code points an
// independent decoder finds.
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

// Code points of UTF-16 big-endian text as the placard's file holds it (not
// empty, whole units, an optional FE FF mark, surrogates paired); nothing when
// it is not that.
std::optional<std::vector<std::uint32_t>> utf16(std::string_view b) {
    auto unit = [&](std::size_t i) {
        return unsigned(std::uint8_t(b[i])) << 8 | std::uint8_t(b[i + 1]);
    };
    if (b.empty() || b.size() % 2 || unit(0) == 0xFFFE) return std::nullopt;
    std::vector<std::uint32_t> out;
    for (std::size_t i = unit(0) == 0xFEFF ? 2 : 0; i < b.size(); i += 2) {
        const unsigned u = unit(i), low = i + 3 < b.size() ? unit(i + 2) : 0;
        if (u >= 0xDC00 && u <= 0xDFFF) return std::nullopt;
        if (u < 0xD800 || u > 0xDBFF) {
            out.push_back(u);
            continue;
        }
        if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
        out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);

    // Decoded exactly when the input is such text, and to its code points.
    const auto text =
        host::stringWithData(bytes, host::NSUTF16BigEndianStringEncoding, "DisplayStrings.strings");
    const auto expected = utf16(bytes);
    FUZZ_EXPECT(text.has_value() == expected.has_value());
    if (text) FUZZ_EXPECT(codePoints(*text) == expected);
    // UTF-8 text files are taken as they are when they are strict UTF-8.
    const auto utf8 = host::stringWithData(bytes, host::NSUTF8StringEncoding, "Info.txt");
    const bool strict = !bytes.empty() && codePoints(bytes).has_value();
    FUZZ_EXPECT(utf8.has_value() == strict && (!utf8 || *utf8 == bytes));

    return 0;
}
