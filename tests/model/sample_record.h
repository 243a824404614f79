#pragma once
// A record with something of every kind, and a one-line text of a record.

#include <string>

#include "model/manga_info.h"
#include "model/text_codec.h"

// Cyrillic titles, a null and an empty title, covers, a chapter still to be
// scanned beside scanned ones, and every flag in both states.
inline void FillRich(MangaInfo& manga)
{
    manga.Url = "http://readmanga.example/ponyo";
    manga.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    manga.Name = u"Рыбка Поньо на утёсе";
    manga.EngName = u"";
    manga.Desc = "{\\rtf1\\b1\\u1053?\\b0  \\par}";
    manga.DescSize = static_cast<int32_t>(manga.Desc->size() + 1);
    manga.Covers.push_back({"/uploads/c1.jpg", 16});
    manga.Covers.push_back({"http://img.example/c2.png", 26});
    manga.bSkipCovers = 1;
    for (int i = 0; i < 3; ++i) {
        ChapterInfo& chapter = manga.Chaps.emplace_back();
        chapter.Vol = 1 + i / 2;
        chapter.Num = 10 + i;
        chapter.bSkip = static_cast<uint8_t>(i == 1);
        if (i == 0) {
            chapter.Url = "http://readmanga.example/ponyo/vol1/10?mature=1";
            continue;  // still to be scanned: no pages yet
        }
        chapter.Name = i == 2 ? OptU16String(u"Глава «Море»") : std::nullopt;
        for (int j = 0; j < 4; ++j) {
            // Appended piece by piece: mingw g++ 12 at -O3 misreads a + chain as an overlapping copy.
            std::string url = "http://img.example/p/";
            url.append(std::to_string(i)).append("/").append(std::to_string(j)).append(".png");
            chapter.Pages.push_back({url, static_cast<int32_t>(url.size() + 1), static_cast<uint8_t>(j % 2)});
        }
    }
}

// "Url|JpName|Desc|cover urls|<Num>[-]:<Url>:<Name>:<page url>[+]...|...",
// with - for an unticked chapter and + for a page on disk.
inline std::string Describe(const MangaInfo& manga)
{
    std::string text = manga.Url.value_or("") + "|" + Utf16ToUtf8(manga.JpName.value_or(u"")) + "|" +
                       manga.Desc.value_or("") + "|";
    for (const CoverInfo& cover : manga.Covers)
        text += cover.Url.value_or("[]");
    for (const ChapterInfo& chapter : manga.Chaps) {
        text += "|" + std::to_string(chapter.Num) + (chapter.bSkip ? "-:" : ":") + chapter.Url.value_or("") + ":" +
                Utf16ToUtf8(chapter.Name.value_or(u"")) + ":";
        for (const PageInfo& page : chapter.Pages)
            text += page.Url.value_or("") + (page.bLoaded ? "+" : "");
    }
    return text;
}
