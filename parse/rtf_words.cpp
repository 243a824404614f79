#include "parse/rtf_words.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace rtf_detail {
namespace {

// Sorted by name for the binary search.
constexpr Word kWords[] = {
    {"aftncn", Action::Destination},
    {"aftnsep", Action::Destination},
    {"aftnsepc", Action::Destination},
    {"annotation", Action::Destination},
    {"ansicpg", Action::CodePage},
    {"atnauthor", Action::Destination},
    {"atnid", Action::Destination},
    {"author", Action::Destination},
    {"b", Action::Bold},
    {"bin", Action::Binary},
    {"bkmkend", Action::Destination},
    {"bkmkstart", Action::Destination},
    {"bullet", Action::Char, u'\u2022'},
    {"buptim", Action::Destination},
    {"colorschememapping", Action::Destination},
    {"colortbl", Action::Destination},
    {"comment", Action::Destination},
    {"company", Action::Destination},
    {"creatim", Action::Destination},
    {"datastore", Action::Destination},
    {"doccomm", Action::Destination},
    {"docvar", Action::Destination},
    {"emdash", Action::Char, u'\u2014'},
    {"emspace", Action::Char, u'\u2003'},
    {"endash", Action::Char, u'\u2013'},
    {"enspace", Action::Char, u'\u2002'},
    {"falt", Action::Destination},
    {"filetbl", Action::Destination},
    {"fldinst", Action::Destination},
    {"fonttbl", Action::Destination},
    {"footer", Action::Destination},
    {"footerf", Action::Destination},
    {"footerl", Action::Destination},
    {"footerr", Action::Destination},
    {"footnote", Action::Destination},
    {"ftncn", Action::Destination},
    {"ftnsep", Action::Destination},
    {"ftnsepc", Action::Destination},
    {"generator", Action::Destination},
    {"header", Action::Destination},
    {"headerf", Action::Destination},
    {"headerl", Action::Destination},
    {"headerr", Action::Destination},
    {"i", Action::Italic},
    {"info", Action::Destination},
    {"keywords", Action::Destination},
    {"latentstyles", Action::Destination},
    {"ldblquote", Action::Char, u'\u201C'},
    {"line", Action::Break},
    {"listoverridetable", Action::Destination},
    {"listtable", Action::Destination},
    {"lquote", Action::Char, u'\u2018'},
    {"nonshppict", Action::Destination},
    {"objdata", Action::Destination},
    {"object", Action::Destination},
    {"operator", Action::Destination},
    {"page", Action::Break},
    {"par", Action::Break},
    {"pgdsctbl", Action::Destination},
    {"pict", Action::Destination},
    {"plain", Action::Plain},
    {"printim", Action::Destination},
    {"qmspace", Action::Char, u'\u2005'},
    {"rdblquote", Action::Char, u'\u201D'},
    {"revtbl", Action::Destination},
    {"revtim", Action::Destination},
    {"rquote", Action::Char, u'\u2019'},
    {"rsidtbl", Action::Destination},
    {"sect", Action::Break},
    {"stylesheet", Action::Destination},
    {"subject", Action::Destination},
    {"tab", Action::Char, u'\t'},
    {"tc", Action::Destination},
    {"template", Action::Destination},
    {"themedata", Action::Destination},
    {"title", Action::Destination},
    {"txe", Action::Destination},
    {"u", Action::Unicode},
    {"uc", Action::FallbackCount},
    {"xe", Action::Destination},
    {"xmlnstbl", Action::Destination},
    {"zwj", Action::Char, u'\u200D'},
    {"zwnj", Action::Char, u'\u200C'},
};

constexpr bool ByName(const Word& a, const Word& b) { return a.name < b.name; }
static_assert(std::is_sorted(std::begin(kWords), std::end(kWords), ByName));

// Windows-1252 bytes 0x80-0x9F; the rest of the upper half is Latin-1. The
// five undefined bytes keep their own value, as the platform converter does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Windows-1251 bytes 0x80-0xBF; 0xC0-0xFF are А-я in order.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

}  // namespace

const Word* FindWord(std::string_view name)
{
    const Word key{name, Action::Char};
    const Word* it = std::lower_bound(std::begin(kWords), std::end(kWords), key, ByName);
    return it != std::end(kWords) && it->name == name ? it : nullptr;
}

char16_t DecodeByte(unsigned char byte, bool cp1251)
{
    if (byte < 0x80)
        return byte;
    if (cp1251)
        return byte >= 0xC0 ? static_cast<char16_t>(0x0410 + (byte - 0xC0)) : kCp1251High[byte - 0x80];
    return byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

}  // namespace rtf_detail
