#pragma once

#include <cerrno>
#include <cstdlib>

// A whole decimal number from 0 to `max` and nothing else: no sign, no blanks,
// no trailing characters. False leaves `value` as it was.
inline bool parse_number(const char* text, unsigned long max, unsigned long* value) {
    if (!text || !*text || *text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long v = strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > max) return false;
    *value = v;
    return true;
}
