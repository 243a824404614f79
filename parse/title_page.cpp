#include "parse/title_page.h"

#include <cctype>
#include <climits>
#include <new>
#include <string>

#include "model/text_codec.h"
#include "parse/chapter_link.h"
#include "parse/parse_results.h"
#include "parse/rtf.h"
#include "parse/text_search.h"

using parse_text::Find;
using parse_text::FindCharIn;
using parse_text::FindIn;
using parse_text::kNone;

namespace {

// Sites write their attributes with either quote; the double-quoted form wins
// wherever it appears, even after a single-quoted one.
struct Marker {
    std::string_view doubleQuoted;
    std::string_view singleQuoted;
};

constexpr Marker kMainName{"<span class=\"name\"", "<span class='name'"};
constexpr Marker kEngName{"<span class=\"eng-name\"", "<span class='eng-name'"};
constexpr Marker kJpName{"<span class=\"jp-name\"", "<span class='jp-name'"};
constexpr Marker kMetaData{"<div class=\"subject-meta\">", "<div class='subject-meta'>"};
constexpr Marker kDescription{"<div class=\"manga-description\">", "<div class='manga-description'>"};
constexpr Marker kCovers{"<div style=\"display", "<div style='display"};
constexpr Marker kChapters{"<div class=\"expandable chapters-link\"", "<div class='expandable chapters-link'"};

struct Found {
    size_t at = kNone;
    size_t length = 0;
    explicit operator bool() const { return at != kNone; }
    size_t end() const { return at + length; }
};

Found FindMarker(std::string_view page, const Marker& marker)
{
    if (size_t at = Find(page, marker.doubleQuoted, 0); at != kNone)
        return {at, marker.doubleQuoted.size()};
    if (size_t at = Find(page, marker.singleQuoted, 0); at != kNone)
        return {at, marker.singleQuoted.size()};
    return {};
}

// A cover or chapter block runs from its marker to the first "</div>" after
// it; inside it, each link starts at "<a" and its tag ends at the next ">".
enum class Scan { Done, Found, Unclosed };

int ResultOf(Scan scan)
{
    return scan == Scan::Done ? kParseOk : kParseUnclosed;
}

Scan FindBlock(std::string_view page, const Marker& marker, size_t& start, size_t& end)
{
    const Found block = FindMarker(page, marker);
    if (!block)
        return Scan::Done;
    start = block.at;
    end = Find(page, "</div>", block.at);
    return end == kNone ? Scan::Unclosed : Scan::Found;
}

Scan NextLinkTag(std::string_view page, size_t from, size_t blockEnd, size_t& link, size_t& tagEnd)
{
    link = FindIn(page, "<a", from, blockEnd);
    if (link == kNone)
        return Scan::Done;
    tagEnd = FindCharIn(page, '>', link, blockEnd);
    return tagEnd == kNone ? Scan::Unclosed : Scan::Found;
}

// atoi as the platform's C library has it: leading white space, a sign,
// digits; 0 without digits, clamped on overflow.
int32_t ReadDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            value = int64_t{INT32_MAX} + 1;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

// Volume and chapter from an address holding ".../vol3/12...".
void ReadVolumeAndNumber(std::string_view url, ChapterInfo& chapter)
{
    const size_t vol = url.find("/vol");
    if (vol == kNone)
        return;
    const size_t slash = url.find('/', vol + 4);
    if (slash == kNone)
        return;
    chapter.Vol = ReadDecimal(url.substr(vol + 4));
    chapter.Num = ReadDecimal(url.substr(slash + 1));
}

int32_t SizeWithZero(size_t length)
{
    return length >= static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(length + 1);
}

class TitlePageParser {
public:
    TitlePageParser(std::string_view page, MangaInfo& manga, std::string_view hostPrefix)
        : page_(page), manga_(manga), host_(hostPrefix)
    {
    }

    int Run()
    {
        manga_.Desc = "{\\rtf1}";
        manga_.DescSize = 8;

        if (int rc = ReadName(kMainName, manga_.Name); rc != kParseOk)
            return rc;
        if (int rc = ReadName(kEngName, manga_.EngName); rc != kParseOk)
            return rc;
        if (int rc = ReadName(kJpName, manga_.JpName); rc != kParseOk)
            return rc;
        WriteTitleLine();

        if (const Found meta = FindMarker(page_, kMetaData)) {
            const size_t start = FindCharIn(page_, '>', meta.at, page_.size()) + 1;  // the marker ends in ">"
            const size_t close = Find(page_, "</div>", start);
            if (close == kNone)
                return kParseUnclosed;
            AppendHtml(page_.substr(start, close - start));
        }
        AppendText(u"\\b1Описание:\\b0\n", RtfSource::Program);

        if (const Found desc = FindMarker(page_, kDescription)) {
            const size_t close = Find(page_, "</div>", desc.end());
            if (close == kNone)
                return kParseUnclosed;
            const size_t nested = FindIn(page_, "<div>", desc.end(), close);
            const size_t end = nested != kNone ? nested : close;
            AppendHtml(page_.substr(desc.end(), end - desc.end()));
        }

        if (int rc = ReadCovers(); rc != kParseOk)
            return rc;
        return ReadChapters();
    }

private:
    int ReadName(const Marker& marker, OptU16String& field)
    {
        const Found found = FindMarker(page_, marker);
        if (!found)
            return kParseOk;
        const size_t tagEnd = FindCharIn(page_, '>', found.at, page_.size());
        if (tagEnd == kNone)
            return kParseUnclosed;
        const size_t close = Find(page_, "</span>", tagEnd + 1);
        if (close == kNone)
            return kParseUnclosed;
        field = Utf8ToUtf16(page_.substr(tagEnd + 1, close - tagEnd - 1));
        return kParseOk;
    }

    void AppendText(std::u16string_view text, RtfSource source)
    {
        manga_.DescSize = Rtf_AppendText(text, manga_.Desc, manga_.DescSize, source);
    }

    void AppendHtml(std::string_view html) { manga_.DescSize = Rtf_AppendHtml(html, manga_.Desc, manga_.DescSize); }

    void WriteTitleLine()
    {
        AppendText(u"\\b1Название:\\b0  ", RtfSource::Program);
        if (manga_.Name) {
            AppendText(*manga_.Name, RtfSource::Page);
            AppendText(u" | ", RtfSource::Program);
        }
        if (manga_.EngName) {
            AppendText(*manga_.EngName, RtfSource::Page);
            AppendText(u" | ", RtfSource::Program);
        }
        if (manga_.JpName)
            AppendText(*manga_.JpName, RtfSource::Page);
        AppendText(u"\n", RtfSource::Program);
    }

    int ReadCovers()
    {
        size_t pos = 0, blockEnd = 0;
        if (const Scan block = FindBlock(page_, kCovers, pos, blockEnd); block != Scan::Found)
            return ResultOf(block);
        for (;;) {
            size_t link = 0, tagEnd = 0;
            if (const Scan next = NextLinkTag(page_, pos, blockEnd, link, tagEnd); next != Scan::Found)
                return ResultOf(next);
            const std::string_view tag = page_.substr(link, tagEnd - link);
            if (tag.find("class=\"full-list-pic\"") != kNone) {
                const size_t href = tag.find("href=\"");
                const size_t quote = href == kNone ? kNone : tag.find('"', href + 6);
                if (quote != kNone) {
                    CoverInfo cover;
                    cover.Url = std::string(tag.substr(href + 6, quote - href - 6));
                    cover.UrlSize = SizeWithZero(cover.Url->size());
                    manga_.Covers.push_back(std::move(cover));
                }
            }
            const size_t close = FindIn(page_, "</a>", tagEnd, blockEnd);
            if (close == kNone)
                return kParseUnclosed;
            pos = close;
        }
    }

    int ReadChapters()
    {
        size_t pos = 0, blockEnd = 0;
        if (const Scan block = FindBlock(page_, kChapters, pos, blockEnd); block != Scan::Found)
            return ResultOf(block);
        // A link text may end at an inner tag long before its "</a>"; the
        // finder keeps such texts from scanning on to the same "</a>" again.
        parse_text::ForwardFinder linkClose(page_, "</a>", blockEnd);
        for (;;) {
            size_t link = 0, tagEnd = 0;
            if (const Scan next = NextLinkTag(page_, pos, blockEnd, link, tagEnd); next != Scan::Found)
                return ResultOf(next);
            const bool appended = AppendChapter(page_.substr(link, tagEnd - link));

            const size_t close = linkClose.From(tagEnd + 1);
            if (close == kNone)
                return kParseUnclosed;
            const size_t textEnd = FindCharIn(page_, '<', tagEnd + 1, close + 1);
            if (appended)
                Html_ParseChapterLink(manga_.Chaps.back(), page_.substr(tagEnd + 1, textEnd - tagEnd - 1));
            pos = textEnd;
        }
    }

    bool AppendChapter(std::string_view tag)
    {
        const size_t href = tag.find("href=\"");
        if (href == kNone)
            return false;
        const size_t start = href + 6;
        const size_t quote = tag.find('"', start);
        if (quote == kNone)
            return false;
        const std::string_view address = tag.substr(start, quote - start);
        // Anything naming a scheme from the address on to the end of the tag
        // marks the link as absolute; these sites serve https nowadays.
        const std::string_view rest = tag.substr(start);
        const bool absolute = rest.find("http://") != kNone || rest.find("https://") != kNone;

        constexpr std::string_view kMature = "?mature=1";
        std::string url;
        url.reserve((absolute ? 0 : host_.size()) + address.size() + kMature.size());
        if (!absolute)
            url += host_;
        url += address;
        url += kMature;

        ChapterInfo chapter;
        ReadVolumeAndNumber(url, chapter);
        chapter.Url = std::move(url);
        manga_.Chaps.push_back(std::move(chapter));
        return true;
    }

    std::string_view page_;
    MangaInfo& manga_;
    std::string_view host_;
};

}  // namespace

int Html_ParseMangaPage(std::string_view page, MangaInfo& manga)
{
    if (!manga.Url)
        return kParseBadAddress;
    const std::string_view url = parse_text::UpToFirstZero(*manga.Url);
    if (url.size() < 7)
        return kParseBadAddress;
    const size_t firstSlash = url.find('/');
    if (firstSlash == kNone || static_cast<int64_t>(firstSlash) + 2 >= manga.UrlSize)
        return kParseBadAddress;
    // "scheme://host": up to the first "/" past the two of the scheme.
    const size_t hostEnd = url.find('/', std::min(firstSlash + 2, url.size()));
    const std::string_view host = hostEnd == kNone ? url : url.substr(0, hostEnd);

    try {
        return TitlePageParser(parse_text::UpToFirstZero(page), manga, host).Run();
    } catch (const std::bad_alloc&) {
        return kParseOutOfMemory;
    }
}
