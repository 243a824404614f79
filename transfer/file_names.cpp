#include "transfer/file_names.h"

#include <set>
#include <unordered_map>

#include "model/text_codec.h"
#include "transfer/format_wide.h"
#include "transfer/name_rules.h"
#include "transfer/url_text.h"

namespace {

// The last "/" part of an address's path, cut to what a name buffer holds.
std::u16string LastUrlPart(std::string_view path)
{
    const std::u16string wide = WidenBytes(path);
    char16_t name[kMaxPathUnits] = {};
    GetUrlComponent(wide.c_str(), static_cast<int32_t>(wide.size() + 1), name, static_cast<int32_t>(kMaxPathUnits),
                    -2, u'/');
    return name;
}

// How the file system compares names: Windows folds case, at least for ASCII.
std::u16string NameKey(const std::u16string& name)
{
#ifdef _WIN32
    std::u16string key = name;
    for (char16_t& c : key)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return key;
#else
    return name;
#endif
}

template <typename Item>
std::vector<std::string_view> Addresses(const std::vector<Item>& items)
{
    std::vector<std::string_view> urls;
    urls.reserve(items.size());
    for (const Item& item : items)
        urls.push_back(item.Url ? std::string_view(*item.Url) : std::string_view());
    return urls;
}

}  // namespace

std::u16string FileNameFromUrl(std::string_view url)
{
    return CleanPathComponent(LastUrlPart(url.substr(0, url.find_first_of("?#"))), u'\'');
}

std::u16string FileNameFromUrlWithQuery(std::string_view url)
{
    url = url.substr(0, url.find('#'));
    const size_t query = std::min(url.find('?'), url.size());
    std::u16string name = LastUrlPart(url.substr(0, query)) + WidenBytes(url.substr(query));
    if (name.size() >= kMaxPathUnits)
        name.resize(kMaxPathUnits - 1);
    return CleanPathComponent(name, u'\'');
}

std::vector<std::u16string> ImageFileNames(const std::vector<std::string_view>& urls, bool numbered)
{
    std::u16string numberFormat;
    if (numbered) {
        int digits = 1;
        for (size_t count = urls.size(); count >= 10; count /= 10)
            ++digits;
        FormatWide(numberFormat, u"%%0.%ii-", {int64_t{digits}});
    }
    const auto numberOf = [&](size_t i) {
        std::u16string number;
        if (numbered)
            FormatWide(number, numberFormat, {static_cast<int64_t>(i)});
        return number;
    };

    std::vector<std::u16string> names(urls.size());
    std::unordered_map<std::u16string, int> uses;
    for (size_t i = 0; i < urls.size(); ++i)
        if (!UrlIsEmpty(urls[i])) {
            names[i] = numberOf(i) + FileNameFromUrl(urls[i]);
            ++uses[NameKey(names[i])];
        }
    // Tokens in the query change at every scan, so it stays in the name only
    // where the name alone would merge two images.
    std::vector<bool> withQuery(urls.size(), false);
    for (size_t i = 0; i < urls.size(); ++i)
        if (!names[i].empty() && uses[NameKey(names[i])] > 1) {
            names[i] = numberOf(i) + FileNameFromUrlWithQuery(urls[i]);
            withQuery[i] = true;
        }

    // What is still shared goes to the first claimant; names left as they
    // were claim first, so they never change because of another address.
    std::set<std::u16string> wanted;
    for (const std::u16string& name : names)
        if (!name.empty())
            wanted.insert(NameKey(name));
    std::set<std::u16string> given;
    for (const bool pass : {false, true})
        for (size_t i = 0; i < urls.size(); ++i) {
            if (names[i].empty() || withQuery[i] != pass)
                continue;
            if (given.count(NameKey(names[i]))) {
                std::u16string index;
                FormatWide(index, u"%i-", {static_cast<int64_t>(i)});
                // Each round makes the name longer; one too long for a path
                // cannot be created and stops there.
                do
                    names[i].insert(0, index);
                while ((given.count(NameKey(names[i])) || wanted.count(NameKey(names[i]))) &&
                       names[i].size() < kMaxPathUnits);
            }
            given.insert(NameKey(names[i]));
        }
    return names;
}

std::vector<std::u16string> CoverFileNames(const std::vector<CoverInfo>& covers)
{
    return ImageFileNames(Addresses(covers), false);
}

std::vector<std::u16string> PageFileNames(const std::vector<PageInfo>& pages, bool bAddCntToPages)
{
    return ImageFileNames(Addresses(pages), bAddCntToPages);
}
