#include "transfer/comic_info.h"

#include "model/text_codec.h"
#include "parse/rtf_reader.h"

namespace {

// Keeps only what XML 1.0 allows (tab, line breaks, U+0020 and up, no
// noncharacters U+FFFE and U+FFFF) and escapes the markup characters.
std::string XmlText(std::u16string_view text)
{
    std::u16string kept;
    kept.reserve(text.size());
    for (const char16_t c : text)
        if (c == u'\t' || c == u'\n' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF))
            kept += c;
    std::string escaped;
    for (const char c : Utf16ToUtf8(kept)) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void Element(std::string& xml, const char* name, std::u16string_view text)
{
    const std::string value = XmlText(text);
    if (value.empty())
        return;
    xml += "  <";
    xml += name;
    xml += '>';
    xml += value;
    xml += "</";
    xml += name;
    xml += ">\n";
}

// The description's paragraphs, one line each.
std::u16string PlainDescription(const OptString& rtf)
{
    std::u16string text;
    if (!rtf)
        return text;
    for (const RtfParagraph& paragraph : Rtf_Read(*rtf)) {
        if (!text.empty())
            text += u'\n';
        for (const RtfRun& run : paragraph.runs)
            text += run.text;
    }
    return text;
}

std::u16string Number(int64_t value)
{
    return Utf8ToUtf16(std::to_string(value));
}

}  // namespace

std::string ComicInfo_Build(const MangaInfo& manga, const ChapterInfo& chapter, int32_t pageCnt)
{
    // The schema allows one alternate series: the English and the original
    // names share it.
    std::u16string alternate = manga.EngName.value_or(u"");
    if (manga.JpName && !manga.JpName->empty())
        alternate += (alternate.empty() ? u"" : u" / ") + *manga.JpName;

    // Elements in the order the schema gives them.
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<ComicInfo xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    Element(xml, "Title", chapter.Name.value_or(u""));
    Element(xml, "Series", manga.Name.value_or(u""));
    Element(xml, "Number", Number(chapter.Num));
    Element(xml, "Volume", Number(chapter.Vol));
    Element(xml, "AlternateSeries", alternate);
    Element(xml, "Summary", PlainDescription(manga.Desc));
    Element(xml, "Web", Utf8ToUtf16(manga.Url.value_or(std::string())));
    Element(xml, "PageCount", Number(pageCnt));
    Element(xml, "LanguageISO", u"ru");
    xml += "</ComicInfo>\n";
    return xml;
}
