#include "parse/html_text.h"

#include <algorithm>
#include <array>

namespace {

struct NamedEntity {
    std::string_view name;
    char32_t codePoint;
};

// The names that turn up in the sites' descriptions and titles.
constexpr std::array<NamedEntity, 24> kNamed{{
    {"amp", U'&'},       {"lt", U'<'},        {"gt", U'>'},        {"quot", U'"'},      {"apos", U'\''},
    {"nbsp", U'\u00A0'}, {"laquo", U'\u00AB'}, {"raquo", U'\u00BB'}, {"mdash", U'\u2014'}, {"ndash", U'\u2013'},
    {"hellip", U'\u2026'}, {"copy", U'\u00A9'}, {"reg", U'\u00AE'},   {"trade", U'\u2122'}, {"deg", U'\u00B0'},
    {"times", U'\u00D7'}, {"middot", U'\u00B7'}, {"bull", U'\u2022'}, {"lsquo", U'\u2018'}, {"rsquo", U'\u2019'},
    {"ldquo", U'\u201C'}, {"rdquo", U'\u201D'}, {"bdquo", U'\u201E'}, {"shy", U'\u00AD'},
}};

constexpr size_t kLongestReference = 10;  // "&#x10FFFF;"

bool IsAsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

int DigitValue(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsCharacter(char32_t cp) { return cp != 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF); }

bool IsFoldable(char32_t cp) { return cp == ' ' || cp == '\t' || cp == '\r' || cp == '\n' || cp == '\f' || cp == 0xA0; }

}  // namespace

std::optional<HtmlEntity> Html_ReadEntity(std::string_view text, size_t at)
{
    const std::string_view rest = text.substr(at, kLongestReference + 1);
    const size_t semicolon = rest.find(';');
    if (semicolon == std::string_view::npos || semicolon < 2)
        return std::nullopt;
    const std::string_view body = rest.substr(1, semicolon - 1);
    if (body[0] == '#') {
        const int base = body.size() > 1 && (body[1] == 'x' || body[1] == 'X') ? 16 : 10;
        const std::string_view digits = body.substr(base == 16 ? 2 : 1);
        if (digits.empty())
            return std::nullopt;
        char32_t value = 0;
        for (const char c : digits) {
            const int d = DigitValue(c, base);
            if (d < 0)
                return std::nullopt;
            value = std::min<char32_t>(value * static_cast<char32_t>(base) + static_cast<char32_t>(d), 0x110000);
        }
        return HtmlEntity{IsCharacter(value) ? value : U'\uFFFD', semicolon + 1};
    }
    if (!std::all_of(body.begin(), body.end(), IsAsciiAlnum))
        return std::nullopt;
    for (const NamedEntity& named : kNamed)
        if (named.name == body)
            return HtmlEntity{named.codePoint, semicolon + 1};
    return std::nullopt;
}

void Html_AppendUtf8(std::string& out, char32_t cp)
{
    if (!IsCharacter(cp))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Html_VisibleText(std::string_view html)
{
    std::string out;
    out.reserve(html.size());
    bool pendingSpace = false;
    auto put = [&](char32_t cp) {
        if (IsFoldable(cp)) {
            pendingSpace = !out.empty();
            return;
        }
        if (pendingSpace)
            out.push_back(' ');
        pendingSpace = false;
        Html_AppendUtf8(out, cp);
    };
    for (size_t i = 0; i < html.size();) {
        const char c = html[i];
        if (c == '<') {
            const size_t close = html.find('>', i);
            if (close == std::string_view::npos)
                break;
            i = close + 1;
        } else if (c == '&') {
            const auto entity = Html_ReadEntity(html, i);
            put(entity ? entity->codePoint : U'&');
            i += entity ? entity->length : 1;
        } else if (static_cast<unsigned char>(c) == 0xC2 && i + 1 < html.size() &&
                   static_cast<unsigned char>(html[i + 1]) == 0xA0) {
            put(0xA0);
            i += 2;
        } else {
            // Other bytes pass as they are (0xA0 here is part of a character,
            // not a space); the UTF-16 conversion repairs bad sequences.
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
                put(static_cast<unsigned char>(c));
            } else {
                if (pendingSpace)
                    out.push_back(' ');
                pendingSpace = false;
                out.push_back(c);
            }
            ++i;
        }
    }
    return out;
}

std::string Html_AttributeText(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size();) {
        const auto entity = raw[i] == '&' ? Html_ReadEntity(raw, i) : std::nullopt;
        if (entity) {
            Html_AppendUtf8(out, entity->codePoint);
            i += entity->length;
        } else {
            out.push_back(raw[i++]);
        }
    }
    return out;
}

std::optional<std::string_view> Html_FindAttribute(std::string_view tag, std::string_view name)
{
    for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        const size_t after = at + name.size();
        if (at == 0 || !(tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' || tag[at - 1] == '\r'))
            continue;
        if (after + 1 >= tag.size() || tag[after] != '=' || (tag[after + 1] != '"' && tag[after + 1] != '\''))
            continue;
        const size_t close = tag.find(tag[after + 1], after + 2);
        if (close == std::string_view::npos)
            return std::nullopt;
        return tag.substr(after + 2, close - after - 2);
    }
    return std::nullopt;
}
