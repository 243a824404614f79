#pragma once
// Sample site pages kept under tests/data/parse.

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "model/file_io.h"

inline std::string ReadParseFixture(std::string_view name)
{
    std::string bytes;
    const int rc = ReadWholeFile(std::filesystem::path(ZUMR_TEST_DATA_DIR) / "parse" / name, bytes);
    EXPECT_EQ(rc, 0) << name;
    return bytes;
}
