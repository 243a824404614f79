#pragma once
// Reads the description's RTF document into styled paragraphs, for window
// toolkits that have no RTF control of their own.
//
// The description normally comes from our own writer, but a database file can
// carry any bytes, so the reader takes every input: it never reads past the
// end, does work linear in the input, and keeps no recursion on the stack.
// What it understands: paragraph breaks (\par, \line, \sect, \page), bold and
// italic (\b, \i, \plain, groups), \uN with \ucN fallbacks, \'hh bytes (in
// Windows-1251 when the header says \ansicpg1251, Windows-1252 otherwise),
// escaped \ { }, and a few special-character words. Destinations (font and
// colour tables, pictures, {\*...} groups, ...) are skipped whole.
//
// A document that does not start with "{\rtf" is read as the body of one with
// the same rules; a "{\rtf" document ends where its outer group closes. A
// trailing "\par" ends the last paragraph rather than opening an empty one.

#include <string>
#include <string_view>
#include <vector>

struct RtfRun {
    std::u16string text;
    bool bold = false;
    bool italic = false;
    bool operator==(const RtfRun&) const = default;
};

struct RtfParagraph {
    std::vector<RtfRun> runs;
    bool operator==(const RtfParagraph&) const = default;
};

// The document as styled paragraphs: text, bold, italic, paragraph breaks.
// Runs are never empty and neighbouring runs differ in style.
std::vector<RtfParagraph> Rtf_Read(std::string_view rtf);
