#include "transfer/url_text.h"

#include <algorithm>
#include <cctype>

namespace {

// Length of "scheme:" when `text` starts with a scheme, else 0.
size_t SchemeLength(std::string_view text)
{
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0])))
        return 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ':')
            return i + 1;
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view reference)
{
    if (SchemeLength(reference) != 0)
        return std::string(reference);
    const size_t scheme = SchemeLength(base);
    if (scheme == 0 || base.substr(scheme, 2) != "//")
        return std::string(reference);
    if (reference.substr(0, 2) == "//")
        return std::string(base.substr(0, scheme)) + std::string(reference);

    const size_t hostStart = scheme + 2;
    size_t pathStart = base.find_first_of("/?#", hostStart);
    if (pathStart == std::string_view::npos)
        pathStart = base.size();
    const std::string_view origin = base.substr(0, pathStart);
    if (reference.empty())
        return std::string(base.substr(0, base.find('#')));
    if (reference[0] == '/')
        return std::string(origin) + std::string(reference);

    const std::string_view pathAndQuery = base.substr(pathStart, base.find('#', pathStart) - pathStart);
    const std::string_view path = pathAndQuery.substr(0, pathAndQuery.find('?'));
    if (reference[0] == '?')
        return std::string(origin) + std::string(path.empty() ? "/" : path) + std::string(reference);
    if (reference[0] == '#')
        return std::string(origin) + std::string(pathAndQuery) + std::string(reference);

    const size_t lastSlash = path.rfind('/');
    const std::string_view folder = lastSlash == std::string_view::npos ? "/" : path.substr(0, lastSlash + 1);
    // libcurl removes "." and ".." segments itself when it sends the request.
    return std::string(origin) + std::string(folder) + std::string(reference);
}

int GetUrlComponent(const char16_t* source, int32_t sourceCount, char16_t* target, int32_t targetCount,
                    int32_t which, char16_t separator)
{
    if (!source || sourceCount <= 0)
        return -10;
    if (which < -2)
        return -2;

    int32_t count = 0;
    int32_t partStart = 0;      // after the which-th counted separator
    int32_t lastPartStart = 0;  // after the last separator of all
    int32_t pos = 0;
    for (; pos < sourceCount && source[pos] != 0 && (which < 0 || count < which); ++pos) {
        if (source[pos] != separator)
            continue;
        lastPartStart = pos + 1;
        const bool beforeTerminator = pos + 1 < sourceCount && source[pos + 1] == 0;
        if (!beforeTerminator) {
            ++count;
            partStart = pos + 1;
        }
    }
    if (which > count)
        return -1;
    if (which == -1)
        return count;

    const int32_t start = which == -2 ? lastPartStart : (which == 0 ? 0 : partStart);
    if (!target || targetCount <= 0)
        return start;

    int32_t end = start;
    while (end < sourceCount && source[end] != 0 && source[end] != separator)
        ++end;
    const int32_t length = end - start;
    if (length > targetCount - 1) {
        std::copy(source + start, source + start + (targetCount - 1), target);
        target[targetCount - 1] = 0;
        return -3;
    }
    std::copy(source + start, source + end, target);
    target[length] = 0;
    return start;
}

bool UrlIsEmpty(std::string_view url)
{
    return url.substr(0, url.find('#')).empty();
}
