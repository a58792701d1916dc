#include <gtest/gtest.h>

#include "tests/foundation/json_cases.h"

namespace {

TEST(JSONFile, ReadsStrictJSONIntoHostValues) {
    for (const auto& c : testsupport::jsonCases()) {
        SCOPED_TRACE(c.what);
        const std::string want = c.reads ? c.reads : std::string(c.text);
        EXPECT_EQ(testsupport::parsedText(c.text), want);
    }
}

}  // namespace
