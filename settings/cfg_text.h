#pragma once
// The editing primitives of settings.cfg. The whole file lives in one UTF-16
// buffer followed by a single zero unit; its size() is the length every
// primitive works with. Lines end with CR, LF or CR LF; a section header is a
// line beginning with "[", a key line is the key at the first column, one
// separator ("=" or a blank) and the value up to the end of the line.
//
// Choices made where the file format leaves room:
// - A header line that ends the text (no line break after it, or nothing but
//   the terminating zero unit) is a section with an empty body. Treating it as
//   missing would make every save append a second header of the same name,
//   and the next load would stop at the first, empty one.
// - A body holding just one empty line would give Start == End, which means
//   "to the end of the text": keys would be read from later sections and new
//   keys would land at the end of the file. Such a body is an empty body.
// - An empty key is never found and never written.
// - Zero units inside the text are ordinary characters, except that a value
//   ends at one; encoding keeps them, so nothing after a stray NUL byte in the
//   file is lost on save.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Lookup range shared by the lookups of one read or write pass. Start == End
// means "from Start to the end of the text"; End < Start means an empty body,
// where nothing is found and new keys go in at End.
struct CfgRange {
    size_t Start = 0;
    size_t End = 0;
};

// Skips a UTF-8 byte-order mark, decodes the rest (invalid sequences become
// U+FFFD) and appends the terminating zero unit.
std::u16string Cfg_Decode(std::string_view bytes);

// The byte-order mark, then the text up to (not including) its final zero
// unit as UTF-8.
std::string Cfg_Encode(std::u16string_view text);

// Sets Start to 0; when the section is found, the range becomes its body.
bool Cfg_FindSection(std::u16string_view text, std::u16string_view name, CfgRange& range);

// Finds the section, or appends "[name]" (after an LF unless the text is
// empty) and makes the range the new section's still empty body.
void Cfg_AddSection(std::u16string& text, std::u16string_view name, CfgRange& range);

// Copies at most capacity - 1 units of the value; a surrogate pair is never
// split by the cut. `dest` is written only when the key is found.
bool Cfg_GetString(std::u16string_view text, std::u16string_view key, std::u16string& dest, size_t capacity,
                   const CfgRange& range);

// The value ends early at ";" or "#". "x"/"X" starts a hexadecimal value;
// anything else is read as a decimal 64-bit number (out-of-range values
// saturate). `dest` is written only when the key is found.
bool Cfg_GetInt(std::u16string_view text, std::u16string_view key, int64_t& dest, const CfgRange& range);

// Replace the key's value in the range or add "LF key=value" at the range's
// end; End moves with the edit (a whole-text range stays whole). The written
// value stops at its first CR, LF or zero unit: it has to stay one line.
void Cfg_SetString(std::u16string& text, std::u16string_view key, std::u16string_view value, CfgRange& range);

// Replaces only the number: blanks before a ";" or "#" comment are kept.
void Cfg_SetInt(std::u16string& text, std::u16string_view key, int64_t value, CfgRange& range);

// At most the first 16 characters; hexadecimal digits from the left up to the
// first other character; the low 32 bits of the number they form.
uint32_t Cfg_ParseHex(std::u16string_view text);

// Blanks, a sign and the decimal digits after it; the rest is ignored. No
// digits read as 0; out-of-range values saturate.
int64_t Cfg_ParseDecimal(std::u16string_view text);
