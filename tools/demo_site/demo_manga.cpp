#include "tools/demo_site/demo_manga.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "tools/demo_site/demo_layouts.h"
#include "tools/demo_site/demo_png.h"

namespace {

struct TitleSample {
    const char* onPage;   // as written in the link
    const char* decoded;  // what a reader makes of it
};

// Chapter titles cycle through these; they cover plain Cyrillic, the entities
// the sites use, a character that is not allowed in file names, and a chapter
// without a title.
constexpr std::array<TitleSample, 6> kTitles{{
    {"Начало", "Начало"},
    {"&laquo;Тайная комната&raquo;", "«Тайная комната»"},
    {"Кто там?", "Кто там?"},
    {nullptr, nullptr},
    {"Долгий путь домой", "Долгий путь домой"},
    {"Финал &quot;первой&quot; арки", "Финал \"первой\" арки"},
}};

std::string Format(const char* format, int a, int b = 0, int c = 0)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

}  // namespace

DemoManga::DemoManga(DemoOptions options) : options_(options)
{
    options_.chapters = std::max(0, options_.chapters);
    options_.pagesPerChapter = std::max(0, options_.pagesPerChapter);
    options_.chaptersPerVolume = std::max(1, options_.chaptersPerVolume);
    chapters_.reserve(static_cast<size_t>(options_.chapters));
    for (int i = 0; i < options_.chapters; ++i) {
        DemoChapter chapter;
        chapter.Vol = 1 + i / options_.chaptersPerVolume;
        chapter.Num = i + 1;
        const TitleSample& sample = kTitles[static_cast<size_t>(i) % kTitles.size()];
        if (options_.layout == DemoLayout::Y2024) {
            // Links of 2024 show only the numbers, or the volume and "Экстра".
            chapter.extra = sample.onPage == nullptr;
            if (chapter.extra)
                chapter.Title = "Экстра";
        } else if (sample.onPage) {
            chapter.LinkTitle = sample.onPage;
            chapter.Title = sample.decoded;
        }
        chapter.callForm = i % 2 == 0;
        chapters_.push_back(std::move(chapter));
    }
}

const DemoChapter* DemoManga::Find(int vol, int num) const
{
    if (num < 1 || num > static_cast<int>(chapters_.size()))
        return nullptr;
    const DemoChapter& chapter = chapters_[static_cast<size_t>(num - 1)];
    return chapter.Vol == vol ? &chapter : nullptr;
}

std::optional<DemoLayout> DemoLayout_FromName(std::string_view name)
{
    if (name == "designed")
        return DemoLayout::Designed;
    if (name == "2016")
        return DemoLayout::Y2016;
    if (name == "2024")
        return DemoLayout::Y2024;
    return std::nullopt;
}

std::string DemoManga::TitlePage(const std::string& host) const
{
    if (options_.layout == DemoLayout::Y2016)
        return DemoTitlePage2016(*this, host);
    if (options_.layout == DemoLayout::Y2024)
        return DemoTitlePage2024(*this, host);
    std::string page;
    page.reserve(4096 + chapters_.size() * 160);
    page += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>";
    page += kName;
    page += "</title></head>\n<body>\n<div class=\"leftContent\">\n";
    page += "<h1 class=\"names\"><span class=\"name\">";
    page += kName;
    page += "</span> | <span class='eng-name'>";
    page += kEngName;
    page += "</span> | <span class=\"jp-name\">";
    page += kJpName;
    page += "</span></h1>\n";
    // Both cover links sit in the hidden gallery block; the second address is
    // relative to the site, as the sites often write them.
    page += "<div style=\"display: none\" class=\"picture-fotorama\">\n";
    page += "  <a class=\"full-list-pic\" href=\"" + host + CoverPath(1) + "\"><img src=\"" + host +
            CoverPath(1) + "\"></a>\n";
    page += "  <a class=\"full-list-pic\" href=\"" + CoverPath(2) + "\"><img src=\"" + CoverPath(2) + "\"></a>\n";
    page += "</div>\n";
    page += "<div class=\"subject-meta\">\n  <p><b>Томов:</b> " +
            std::to_string(chapters_.empty() ? 0 : chapters_.back().Vol) +
            ", выпуск продолжается</p>\n  <p><span class=\"elem_genre\">приключения</span>, "
            "<span class=\"elem_genre\">комедия</span></p>\n</div>\n";
    page += "<div class=\"manga-description\">\n"
            "<p>Демонстрационная манга для проверки загрузчика &laquo;zumr&raquo;: "
            "<b>три названия</b>, <i>обложки</i> &amp; главы в нескольких томах.</p>\n"
            "<p>Вторая строка описания &mdash; с&nbsp;сущностями и <a href=\"#\">ссылкой</a>.</p>\n"
            "</div>\n";
    page += "<div class=\"expandable chapters-link\">\n<table class=\"table\">\n";
    // The newest chapter comes first, as on the sites.
    for (auto it = chapters_.rbegin(); it != chapters_.rend(); ++it) {
        page += "<tr>\n  <td class=\"item-title\">\n    <a href=\"";
        page += kTitlePath;
        page += Format("/vol%i/%i", it->Vol, it->Num);
        page += "\" title=\"\">\n      ";
        page += kName;
        page += Format(" %i - %i", it->Vol, it->Num);
        if (!it->LinkTitle.empty())
            page += " " + it->LinkTitle;
        page += "\n    </a>\n  </td>\n  <td>01.01.20</td>\n</tr>\n";
    }
    page += "</table>\n</div>\n</div>\n</body></html>\n";
    return page;
}

std::optional<std::string> DemoManga::ReaderPage(const std::string& host, int vol, int num, unsigned token) const
{
    const DemoChapter* chapter = Find(vol, num);
    if (!chapter)
        return std::nullopt;
    if (options_.layout == DemoLayout::Y2016)
        return DemoReaderPage2016(*this, host, vol, num);
    if (options_.layout == DemoLayout::Y2024)
        return DemoReaderPage2024(*this, host, vol, num, token);
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n";
    page += "<script type=\"text/javascript\">var counter = 1; var prefs = [[1,2]];</script>\n";
    page += "<div class=\"reader\"></div>\n<script type=\"text/javascript\">\n";
    const int pages = options_.pagesPerChapter;
    if (chapter->callForm) {
        // ['address middle','server',"file",width,height] joined as server + middle + file.
        page += "  rm_h.init( [";
        for (int j = 0; j < pages; ++j) {
            if (j > 0)
                page += ",";
            page += "['" + Format("img/%i/%i/", vol, num) + "','" + host + "/',\"" + ImageFileName(j) +
                    "?t=" + std::to_string(token) + "\",800,1200]";
        }
        page += "], 0, false);\n";
    } else {
        page += "  var pictures = [";
        for (int j = 0; j < pages; ++j) {
            if (j > 0)
                page += ",";
            page += "{url:\"" + host + ImagePath(vol, num, j) + "\",w:800,h:1200}";
        }
        page += "];\n  reader.show(pictures);\n";
    }
    page += "</script>\n</body></html>\n";
    return page;
}

std::string DemoManga::ImageFileName(int page)
{
    return Format("%02i.png", page + 1);
}

std::string DemoManga::CoverFileName(int cover)
{
    return Format("zumr_demo_%i.png", cover);
}

std::string DemoManga::ImagePath(int vol, int num, int page)
{
    return Format("/img/%i/%i/", vol, num) + ImageFileName(page);
}

std::string DemoManga::CoverPath(int cover)
{
    return "/covers/" + CoverFileName(cover);
}

std::string DemoManga::PagePng(int vol, int num, int page) const
{
    const uint32_t seed = static_cast<uint32_t>(vol) * 1000003u + static_cast<uint32_t>(num) * 1009u +
                          static_cast<uint32_t>(page);
    return DemoPng_Make(seed, options_.imageBytes);
}

std::string DemoManga::CoverPng(int cover) const
{
    return DemoPng_Make(0xC0FE0000u + static_cast<uint32_t>(cover), options_.imageBytes);
}
