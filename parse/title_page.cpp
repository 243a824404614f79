#include "parse/title_page.h"

#include <new>

#include "parse/parse_results.h"
#include "parse/title_markers.h"
#include "parse/title_reader.h"

using html_blocks::FindMarker;
using html_blocks::Found;
using parse_text::Find;
using parse_text::FindCharIn;
using parse_text::FindIn;
using parse_text::kNone;

using namespace title_markers;

int TitleReader::ReadDesignedLayout()
{
    StartDescription();

    if (int rc = ReadRawName(FindMarker(page_, kMainName), manga_.Name); rc != kParseOk)
        return rc;
    if (int rc = ReadRawName(FindMarker(page_, kEngName), manga_.EngName); rc != kParseOk)
        return rc;
    if (const Found jp = FindMarker(page_, kJpName)) {
        if (int rc = ReadRawName(jp, manga_.JpName); rc != kParseOk)
            return rc;
    } else if (int rc = ReadVisibleName(FindMarker(page_, kOriginalName), manga_.JpName); rc != kParseOk) {
        return rc;
    }
    WriteTitleLine();

    if (const Found meta = FindMarker(page_, kMetaData)) {
        const size_t start = FindCharIn(page_, '>', meta.at, page_.size()) + 1;  // the marker ends in ">"
        const size_t close = Find(page_, "</div>", start);
        if (close == kNone)
            return kParseUnclosed;
        AppendHtml(page_.substr(start, close - start));
    } else if (int rc = AppendVisibleDiv(FindMarker(page_, kMetaWithClasses)); rc != kParseOk) {
        return rc;
    }
    AppendText(u"\\b1Описание:\\b0\n", RtfSource::Program);

    if (const Found desc = FindMarker(page_, kDescription)) {
        const size_t close = Find(page_, "</div>", desc.end());
        if (close == kNone)
            return kParseUnclosed;
        const size_t nested = FindIn(page_, "<div>", desc.end(), close);
        const size_t end = nested != kNone ? nested : close;
        AppendHtml(page_.substr(desc.end(), end - desc.end()));
    } else if (int rc = AppendVisibleDiv(FindMarker(page_, kDescriptionItem)); rc != kParseOk) {
        return rc;
    }

    const Found covers = FindMarker(page_, kCovers);
    if (int rc = covers ? ReadDesignedCovers(covers) : ReadSliderCovers(); rc != kParseOk)
        return rc;

    const Found chapters = FindMarker(page_, kChapters);
    if (!chapters)
        return kParseOk;
    const size_t end = Find(page_, "</div>", chapters.at);
    if (end == kNone)
        return kParseUnclosed;
    return ReadChapterLinks(chapters.at, end, LinkRule::Designed);
}

int TitleReader::ReadDesignedCovers(Found block)
{
    const size_t end = Find(page_, "</div>", block.at);
    if (end == kNone)
        return kParseUnclosed;
    for (size_t pos = block.at;;) {
        std::string_view tag;
        size_t tagEnd = 0;
        if (const int rc = NextTag("<a", pos, end, tag, tagEnd); rc != kParseOk || tag.empty())
            return rc;
        if (tag.find("class=\"full-list-pic\"") != kNone) {
            const size_t href = tag.find("href=\"");
            const size_t quote = href == kNone ? kNone : tag.find('"', href + 6);
            if (quote != kNone)
                AddCover(std::string(tag.substr(href + 6, quote - href - 6)));
        }
        const size_t close = FindIn(page_, "</a>", tagEnd, end);
        if (close == kNone)
            return kParseUnclosed;
        pos = close;
    }
}

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

    page = parse_text::UpToFirstZero(page);
    try {
        TitleReader reader(page, manga, host);
        if (const Found list2024 = FindMarker(page, kChapterList2024))
            return reader.Read2024Layout(list2024.at);
        return reader.ReadDesignedLayout();
    } catch (const std::bad_alloc&) {
        return kParseOutOfMemory;
    }
}
