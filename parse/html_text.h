#pragma once
// What a person reads in a piece of page HTML: character references decoded,
// tags dropped, white space folded. Used for the sites' current layouts, whose
// names and descriptions come from a rich-text editor.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct HtmlEntity {
    char32_t codePoint = 0;
    size_t length = 0;  // bytes taken, the "&" and ";" included
};

// The character reference at text[at] (an "&"): a named one the sites use, or
// a decimal or hexadecimal one. nullopt when none is recognised, in which case
// the "&" stands for itself. Looks at no more than a dozen bytes.
std::optional<HtmlEntity> Html_ReadEntity(std::string_view text, size_t at);

// The visible text of an inline fragment such as a name, as UTF-8: tags
// dropped, references decoded, runs of white space (no-break space included)
// folded to one space, and none at either end.
std::string Html_VisibleText(std::string_view html);

// An attribute value as the browser hands it on: references decoded
// ("&amp;" in an address is a plain "&").
std::string Html_AttributeText(std::string_view raw);

// The value of attribute `name` inside one tag's text, in either quote;
// nullopt when the tag has no such attribute. The name must stand after white
// space, so "src" is not found inside "data-src".
std::optional<std::string_view> Html_FindAttribute(std::string_view tag, std::string_view name);

// Appends a code point as UTF-8 (U+FFFD for what is not a character).
void Html_AppendUtf8(std::string& out, char32_t codePoint);
