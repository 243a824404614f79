#pragma once
// The manga description as an 8-bit RTF document, built by appending pieces.
//
// Both functions append to the document in `rtf` (creating it when it is
// absent) and leave it complete: "{\rtf1" ... "}". `capacity` is the size the
// document's buffer was last given, the figure kept in MangaInfo::DescSize; it
// grows in fixed steps (1024 before a character when fewer than 13 bytes are
// left, 1024 before a tag byte when fewer than 4 are left, 3 before the closing
// brace when fewer than 2 are left), and the new figure is returned. An absent
// document is created with capacity 1024 and the `capacity` argument is then
// ignored; a figure smaller than the document is raised to its length + 1.
// The real buffer is always at least that large.
//
// Control words ("\par", "\b0", ...) are followed directly by what comes next,
// except where a reader would take the next byte as more of the word or as its
// delimiter (a letter or digit after "\par", a digit after "\b0", a space after
// either): there a delimiting space comes first.
//
// Non-ASCII characters are written as "\u<unit>?" escapes. When memory runs
// out the document is left exactly as it was before the call and
// std::bad_alloc propagates.

#include <cstdint>
#include <string_view>

#include "model/manga_info.h"

// Where a text comes from. The program's own labels carry control words; text
// taken from a site page has "\", "{" and "}" escaped so that it can neither
// close the document early nor start a control word of the site's choosing.
enum class RtfSource : uint8_t { Page, Program };

// Appends UTF-16 text up to its first zero unit: a line feed becomes "\par",
// other units below U+007F are written as their byte.
int32_t Rtf_AppendText(std::u16string_view text, OptString& rtf, int32_t capacity,
                       RtfSource source = RtfSource::Page);

// Appends an HTML fragment whose text is UTF-8, up to its first zero byte.
// Only paragraph text is kept; <p>, </p>, <br>, <b>, </b>, <em>, </em> become
// paragraph and emphasis control words, white-space runs fold to one space and
// &quot; &nbsp; &laquo; &raquo; are understood (other entities vanish).
int32_t Rtf_AppendHtml(std::string_view html, OptString& rtf, int32_t capacity);

// Appends what a person reads in an HTML fragment (UTF-8, up to its first zero
// byte), for the sites' current layouts, whose descriptions are editor output
// that holds no <p>: all text is kept, <br> and the ends of blocks (div, p,
// headings, list items, ...) become "\par", <b>/<strong> and <i>/<em> become
// emphasis, other tags drop out, white space folds and is trimmed at line
// ends, and HTML character references are decoded. Control words are
// followed by a space, so no letter of the text can run into one.
int32_t Rtf_AppendVisibleHtml(std::string_view html, OptString& rtf, int32_t capacity);
