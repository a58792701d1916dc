// The JSON reader's table (tests/foundation/json_cases.h) on the web build's
// reader, under node: one line per row that reads otherwise; status 1 then.
#include <cstdio>

#include "tests/foundation/json_cases.h"

int main() {
    int wrong = 0, rows = 0;
    for (const auto& c : testsupport::jsonCases()) {
        ++rows;
        const char* want = c.web ? c.web : c.reads;
        const std::string expected = want ? want : c.text;
        const std::string got = testsupport::parsedText(c.text);
        if (got != expected) {
            ++wrong;
            std::printf("%s: read %s, expected %s\n", c.what, got.substr(0, 80).c_str(),
                        expected.substr(0, 80).c_str());
        }
    }
    std::printf("json_file_check: %d of %d rows read as expected\n", rows - wrong, rows);
    return wrong ? 1 : 0;
}
