#include "transfer/name_rules.h"

#include <algorithm>
#include <iterator>

namespace {

bool IsForbidden(char16_t c)
{
    return std::find(std::begin(ForbiddenChars), std::end(ForbiddenChars), c) != std::end(ForbiddenChars);
}

}  // namespace

int ReplaceForbiddenChars(std::u16string& path, char16_t replacement)
{
    if (IsForbidden(replacement))
        return 13;
    int replaced = 0;
    for (size_t i = 0; i < path.size() && path[i] != 0; ++i) {
        const char16_t c = path[i];
        if (c == kPathSeparator)
            continue;
        if (i == 1 && c == u':' && path.size() > 2 && path[2] == kPathSeparator)
            continue;
        if (IsForbidden(c)) {
            path[i] = replacement;
            replaced = 1;
        }
    }
    return replaced;
}

std::u16string CleanPathComponent(std::u16string_view name, char16_t replacement)
{
    std::u16string clean(name);
    for (char16_t& c : clean)
        if (c < 0x20 || c == u'\\' || c == u'/' || IsForbidden(c))
            c = replacement;
    if (clean.empty())
        return std::u16string(1, replacement);
    if (clean == u"." || clean == u"..")
        return std::u16string(clean.size(), replacement);
#ifdef _WIN32
    ApplyWindowsNameRules(clean, replacement);
#endif
    return clean;
}

bool ApplyWindowsNameRules(std::u16string& name, char16_t replacement)
{
    bool changed = false;
    for (size_t i = name.size(); i > 0 && (name[i - 1] == u'.' || name[i - 1] == u' '); --i) {
        name[i - 1] = replacement;
        changed = true;
    }
    // The device is named by the part before the first dot, trailing spaces ignored.
    size_t stemEnd = std::min(name.find(u'.'), name.size());
    while (stemEnd > 0 && name[stemEnd - 1] == u' ')
        --stemEnd;
    std::u16string stem = name.substr(0, stemEnd);
    for (char16_t& c : stem)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    const bool numbered = stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT")) &&
                          stem[3] >= u'1' && stem[3] <= u'9';
    if (numbered || stem == u"CON" || stem == u"PRN" || stem == u"AUX" || stem == u"NUL") {
        name.insert(stemEnd, 1, replacement);
        changed = true;
    }
    return changed;
}

void CutToPathBuffer(std::u16string& path)
{
    if (path.size() < kMaxPathUnits)
        return;
    size_t keep = kMaxPathUnits - 1;
    if (keep > 0 && path[keep - 1] >= 0xD800 && path[keep - 1] <= 0xDBFF)
        --keep;
    path.resize(keep);
}

