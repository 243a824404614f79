#pragma once
// Sample site pages kept under tests/data/parse, and a description document as
// the window shows it, on one line: every paragraph ends in "¶" and a styled run
// stands in <b>, <i> or <bi> ... </>, so a wrong merge or split shows as well as
// wrong text.

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "model/file_io.h"
#include "model/text_codec.h"
#include "parse/rtf_reader.h"

inline std::string ReadParseFixture(std::string_view name)
{
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(std::filesystem::path(ZUMR_TEST_DATA_DIR) / "parse" / name, bytes), 0) << name;
    return bytes;
}

inline std::string RtfShown(std::string_view rtf)
{
    std::string out;
    for (const RtfParagraph& paragraph : Rtf_Read(rtf)) {
        for (const RtfRun& run : paragraph.runs) {
            EXPECT_FALSE(run.text.empty());
            const std::string flags = std::string(run.bold ? "b" : "") + (run.italic ? "i" : "");
            const std::string text = Utf16ToUtf8(run.text);
            out += flags.empty() ? text : "<" + flags + ">" + text + "</>";
        }
        out += "¶";
    }
    return out;
}
