#include "host/foundation/strings.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/foundation/messages.h"

namespace host {

// Resource text files are short; anything larger is refused rather than read
// into memory whole.
static constexpr size_t kMaxTextFileBytes = 4u << 20;

static void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

static std::optional<std::string> readBytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        say(messages::kTextFileUnreadable, path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    size_t n;
    bool tooLarge = false;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (bytes.size() + n > kMaxTextFileBytes) {
            tooLarge = true;
            break;
        }
        bytes.append(buffer, n);
    }
    bool failed = std::ferror(f);
    int err = errno;
    std::fclose(f);
    if (tooLarge) {
        say(messages::kTextFileTooLarge, path.c_str(), kMaxTextFileBytes);
        return std::nullopt;
    }
    if (failed) {
        say(messages::kTextFileUnreadable, path.c_str(), std::strerror(err));
        return std::nullopt;
    }
    return bytes;
}

static std::optional<std::string> decodeUtf16BigEndian(const std::string& path,
                                                       std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        say(messages::kTextFileOddLength, path.c_str(), bytes.size());
        return std::nullopt;
    }
    auto unit = [&](size_t i) {
        return static_cast<uint16_t>((static_cast<uint8_t>(bytes[i]) << 8) |
                                     static_cast<uint8_t>(bytes[i + 1]));
    };
    size_t i = 0;
    if (unit(0) == 0xFFFE) {
        say(messages::kTextFileLittleEndian, path.c_str());
        return std::nullopt;
    }
    if (unit(0) == 0xFEFF) i = 2;
    std::string out;
    out.reserve(bytes.size());
    for (; i < bytes.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            uint32_t low = i + 3 < bytes.size() ? unit(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                say(messages::kTextFileUnpairedSurrogate, path.c_str(), i);
                return std::nullopt;
            }
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            say(messages::kTextFileUnpairedSurrogate, path.c_str(), i);
            return std::nullopt;
        }
        appendUtf8(out, c);
    }
    return out;
}

size_t utf8SequenceLength(std::string_view s, size_t i) {
    auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    uint8_t b = byte(i);
    size_t len;
    uint32_t c;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, c = b & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return len;
}

std::optional<std::string> stringWithData(std::string_view bytes, NSStringEncoding encoding,
                                          const std::string& path) {
    if (bytes.empty()) {
        say(messages::kTextFileEmpty, path.c_str());
        return std::nullopt;
    }
    if (encoding == NSUTF16BigEndianStringEncoding) return decodeUtf16BigEndian(path, bytes);
    for (size_t i = 0; i < bytes.size();) {
        size_t len = utf8SequenceLength(bytes, i);
        if (len == 0) {
            say(messages::kTextFileBadUtf8, path.c_str(), i);
            return std::nullopt;
        }
        i += len;
    }
    return std::string(bytes);
}

std::optional<std::string> stringWithContentsOfFile(const std::string& path,
                                                    NSStringEncoding encoding) {
    auto bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    return stringWithData(*bytes, encoding, path);
}

std::vector<std::string> componentsSeparatedByString(const std::string& string,
                                                     const std::string& separator) {
    if (separator.empty()) return {string};
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t at; (at = string.find(separator, start)) != std::string::npos;) {
        pieces.push_back(string.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(string.substr(start));
    return pieces;
}

std::string quotedForMessage(std::string_view text) {
    constexpr size_t kMaxShown = 60;
    std::string out = "\"";
    size_t i = 0;
    while (i < text.size()) {
        if (i >= kMaxShown) {
            out += "...";
            break;
        }
        const auto b = static_cast<uint8_t>(text[i]);
        size_t len = utf8SequenceLength(text, i);
        // U+0080..U+009F (C2 80..C2 9F) are controls too: a terminal reads 9B as CSI.
        const bool control = len == 0 || b < 0x20 || b == 0x7F ||
                             (len == 2 && b == 0xC2 && static_cast<uint8_t>(text[i + 1]) < 0xA0);
        if (control) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            out += escaped;
            ++i;
        } else if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
            ++i;
        } else {
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out + "\"";
}

}  // namespace host
