#include "parse/title_reader.h"

#include <cctype>
#include <climits>

#include "model/text_codec.h"
#include "parse/chapter_link.h"
#include "parse/html_text.h"
#include "parse/parse_results.h"

using html_blocks::Found;
using parse_text::Find;
using parse_text::FindCharIn;
using parse_text::FindIn;
using parse_text::kNone;

namespace {

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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Volume and chapter from an address holding ".../vol3/12...": the first
// "/vol", whatever follows it.
void ReadDesignedNumbers(std::string_view url, ChapterInfo& chapter)
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

// The first "/vol<digits>/" of the address, so that a manga named
// "volleyball" does not hide its chapters' numbers.
void ReadAddressNumbers(std::string_view url, ChapterInfo& chapter)
{
    for (size_t vol = url.find("/vol"); vol != kNone; vol = url.find("/vol", vol + 1)) {
        size_t i = vol + 4;
        while (i < url.size() && IsDigit(url[i]))
            ++i;
        if (i == vol + 4 || i >= url.size() || url[i] != '/')
            continue;
        chapter.Vol = ReadDecimal(url.substr(vol + 4, i - vol - 4));
        size_t j = i + 1;
        while (j < url.size() && IsDigit(url[j]))
            ++j;
        chapter.Num = ReadDecimal(url.substr(i + 1, j - i - 1));
        return;
    }
}

int32_t SizeWithZero(size_t length)
{
    return length >= static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(length + 1);
}

std::string CompleteDesignedAddress(std::string_view tag, size_t start, size_t quote, std::string_view host)
{
    const std::string_view address = tag.substr(start, quote - start);
    // Anything naming a scheme from the address on to the end of the tag
    // marks the link as absolute; these sites serve https nowadays.
    const std::string_view rest = tag.substr(start);
    const bool absolute = rest.find("http://") != kNone || rest.find("https://") != kNone;
    constexpr std::string_view kMature = "?mature=1";
    std::string url;
    url.reserve((absolute ? 0 : host.size()) + address.size() + kMature.size());
    if (!absolute)
        url += host;
    url += address;
    url += kMature;
    return url;
}

std::string CompleteAddress(std::string address, std::string_view host)
{
    if (const size_t hash = address.find('#'); hash != kNone)
        address.resize(hash);
    std::string url;
    if (address.starts_with("http://") || address.starts_with("https://")) {
        url = std::move(address);
    } else if (address.starts_with("//")) {
        const size_t scheme = host.find("//");
        url = std::string(scheme == kNone ? std::string_view("http:") : host.substr(0, scheme)) + address;
    } else {
        url = std::string(host) + (address.starts_with("/") ? "" : "/") + address;
    }
    url += url.find('?') == kNone ? "?mature=1" : "&mature=1";
    return url;
}

}  // namespace

TitleReader::TitleReader(std::string_view page, MangaInfo& manga, std::string_view hostPrefix)
    : page_(page), manga_(manga), host_(hostPrefix)
{
}

void TitleReader::StartDescription()
{
    manga_.Desc = "{\\rtf1}";
    manga_.DescSize = 8;
}

void TitleReader::AppendText(std::u16string_view text, RtfSource source)
{
    manga_.DescSize = Rtf_AppendText(text, manga_.Desc, manga_.DescSize, source);
}

void TitleReader::AppendHtml(std::string_view html)
{
    manga_.DescSize = Rtf_AppendHtml(html, manga_.Desc, manga_.DescSize);
}

void TitleReader::AppendVisibleHtml(std::string_view html)
{
    manga_.DescSize = Rtf_AppendVisibleHtml(html, manga_.Desc, manga_.DescSize);
}

void TitleReader::WriteTitleLine()
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

int TitleReader::SpanText(Found found, std::string_view& text) const
{
    const size_t tagEnd = FindCharIn(page_, '>', found.at, page_.size());
    if (tagEnd == kNone)
        return kParseUnclosed;
    const size_t close = Find(page_, "</span>", tagEnd + 1);
    if (close == kNone)
        return kParseUnclosed;
    text = page_.substr(tagEnd + 1, close - tagEnd - 1);
    return kParseOk;
}

int TitleReader::ReadRawName(Found found, OptU16String& field)
{
    std::string_view text;
    if (!found)
        return kParseOk;
    if (const int rc = SpanText(found, text); rc != kParseOk)
        return rc;
    field = Utf8ToUtf16(text);
    return kParseOk;
}

int TitleReader::ReadVisibleName(Found found, OptU16String& field)
{
    std::string_view text;
    if (!found)
        return kParseOk;
    if (const int rc = SpanText(found, text); rc != kParseOk)
        return rc;
    if (const std::string visible = Html_VisibleText(text); !visible.empty())
        field = Utf8ToUtf16(visible);
    return kParseOk;
}

int TitleReader::AppendVisibleDiv(Found found)
{
    if (!found)
        return kParseOk;
    size_t start = 0, end = 0;
    if (!html_blocks::DivContent(page_, found.at, start, end))
        return kParseUnclosed;
    AppendVisibleHtml(page_.substr(start, end - start));
    return kParseOk;
}

void TitleReader::AddCover(std::string url)
{
    CoverInfo cover;
    cover.UrlSize = SizeWithZero(url.size());
    cover.Url = std::move(url);
    manga_.Covers.push_back(std::move(cover));
}

int TitleReader::ReadSliderCovers()
{
    constexpr html_blocks::Marker kSlider{"<div class=\"picture-fotorama", "<div class='picture-fotorama"};
    const Found slider = html_blocks::FindMarker(page_, kSlider);
    if (!slider)
        return kParseOk;
    size_t pos = 0, end = 0;
    if (!html_blocks::DivContent(page_, slider.at, pos, end))
        return kParseUnclosed;
    for (;;) {
        std::string_view tag;
        size_t tagEnd = 0;
        if (const int rc = NextTag("<img", pos, end, tag, tagEnd); rc != kParseOk || tag.empty())
            return rc;
        auto address = Html_FindAttribute(tag, "data-full");
        if (!address || address->empty())
            address = Html_FindAttribute(tag, "src");
        if (address && !address->empty())
            AddCover(Html_AttributeText(*address));
        pos = tagEnd;
    }
}

int TitleReader::NextTag(std::string_view opening, size_t from, size_t end, std::string_view& tag,
                         size_t& tagEnd) const
{
    size_t start = 0;
    tag = {};
    switch (html_blocks::NextTag(page_, opening, from, end, start, tagEnd)) {
    case html_blocks::TagScan::Done:
        return kParseOk;
    case html_blocks::TagScan::Unclosed:
        return kParseUnclosed;
    case html_blocks::TagScan::Found:
        break;
    }
    tag = page_.substr(start, tagEnd - start);
    return kParseOk;
}

int TitleReader::ReadChapterLinks(size_t start, size_t end, LinkRule rule)
{
    // A link text may end at an inner tag long before its "</a>"; the
    // finder keeps such texts from scanning on to the same "</a>" again.
    parse_text::ForwardFinder linkClose(page_, "</a>", end);
    for (size_t pos = start;;) {
        std::string_view tag;
        size_t tagEnd = 0;
        if (const int rc = NextTag("<a", pos, end, tag, tagEnd); rc != kParseOk || tag.empty())
            return rc;
        const bool appended = AppendChapter(tag, rule);

        const size_t close = linkClose.From(tagEnd + 1);
        if (close == kNone)
            return kParseUnclosed;
        const size_t textEnd = FindCharIn(page_, '<', tagEnd + 1, close + 1);
        if (appended)
            Html_ParseChapterLink(manga_.Chaps.back(), page_.substr(tagEnd + 1, textEnd - tagEnd - 1));
        pos = textEnd;
    }
}

bool TitleReader::AppendChapter(std::string_view tag, LinkRule rule)
{
    ChapterInfo chapter;
    std::string url;
    if (rule == LinkRule::Designed) {
        const size_t href = tag.find("href=\"");
        if (href == kNone)
            return false;
        const size_t quote = tag.find('"', href + 6);
        if (quote == kNone)
            return false;
        url = CompleteDesignedAddress(tag, href + 6, quote, host_);
        ReadDesignedNumbers(url, chapter);
    } else {
        const auto href = Html_FindAttribute(tag, "href");
        if (!href)
            return false;
        url = CompleteAddress(Html_AttributeText(*href), host_);
        ReadAddressNumbers(url, chapter);
    }
    chapter.Url = std::move(url);
    manga_.Chaps.push_back(std::move(chapter));
    return true;
}
