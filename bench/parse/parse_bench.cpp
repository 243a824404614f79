// Throughput of the page parsers on generated pages the size of real ones,
// against one std::string_view::find pass of a short absent needle over the
// same buffer, timed in the same run. Prints MB/s and the ratio per parser.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include "parse/reader_page.h"
#include "parse/rtf.h"
#include "parse/title_page.h"

namespace {

using Clock = std::chrono::steady_clock;

// '~' is rare in HTML, so this pass runs at memchr speed.
constexpr std::string_view kRareNeedle = "~zq~";
// Shaped like the parsers' own markers: it stops at every "<" of the page.
constexpr std::string_view kTagNeedle = "<zq>";

struct Timing {
    double parseNs = 1e300;
    double rareFindNs = 1e300;
    double tagFindNs = 1e300;
};

// Mean time of one run over `runs` runs, best of several rounds.
template <typename Run>
double TimeNs(int runs, Run&& run)
{
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        run(i);
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / runs;
}

double FindPassNs(std::string_view page, int runs, std::string_view needle)
{
    return TimeNs(runs, [&](int) {
        std::string_view view = page;
        benchmark::DoNotOptimize(view);
        benchmark::DoNotOptimize(view.find(needle));
    });
}

// The parser and both find passes take turns in every round, so a busy
// machine slows them alike; the best round of each is kept.
Timing Measure(std::string_view page, int runs, const std::function<void(int)>& prepare,
               const std::function<void(int)>& parse, const std::function<void()>& clear)
{
    if (page.find(kRareNeedle) != std::string_view::npos || page.find(kTagNeedle) != std::string_view::npos)
        std::abort();
    Timing best;
    for (int round = 0; round < 15; ++round) {
        prepare(runs);
        best.parseNs = std::min(best.parseNs, TimeNs(runs, parse));
        clear();
        best.rareFindNs = std::min(best.rareFindNs, FindPassNs(page, runs * 10, kRareNeedle));
        best.tagFindNs = std::min(best.tagFindNs, FindPassNs(page, runs, kTagNeedle));
    }
    return best;
}

std::string TitlePage(int chapters)
{
    std::string page =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Тетрадь смерти – читать онлайн</title>\n"
        "<link rel=\"stylesheet\" href=\"/static/css/main.css\">\n<script type=\"text/javascript\">var site = "
        "{user: null, lang: 'ru'};</script>\n</head>\n<body>\n<div class=\"leftContent\">\n<h1 class=\"names\">\n"
        "  <span class=\"name\">Тетрадь смерти</span>\n  <span class=\"eng-name\">Death Note</span>\n"
        "  <span class=\"jp-name\">デスノート</span>\n</h1>\n"
        "<div class=\"subject-cover\"><div style=\"display: none\" class=\"picture-fotorama\">\n";
    for (int i = 1; i <= 3; ++i)
        page += "  <a class=\"full-list-pic\" href=\"https://static.example/uploads/pics/00/0" + std::to_string(i) +
                "/cover_o.jpg\" data-thumb=\"/t/" + std::to_string(i) + ".jpg\"><img src=\"/t/" + std::to_string(i) +
                ".jpg\" alt=\"\"></a>\n";
    page += "</div></div>\n<div class=\"subject-meta\">\n  <p><b>Томов:</b> 12, выпуск завершён</p>\n"
            "  <p>Автор: <em>Ооба</em> &amp; Обата</p>\n  <p>Жанр: &laquo;детектив&raquo;<br>Год: 2003</p>\n</div>\n"
            "<div class=\"manga-description\">\n";
    const std::string paragraph =
        "  <p>Ягами Лайт — лучший ученик Японии, которому всё наскучило. Однажды он находит тетрадь&nbsp;смерти, "
        "и &quot;скука&quot; заканчивается.<br>Detective L begins the hunt.</p>\n";
    const size_t descriptionStart = page.size();
    while (page.size() - descriptionStart < 4096)
        page += paragraph;
    page += "</div>\n<div class=\"expandable chapters-link\">\n<table class=\"table table-hover\">\n<tbody>\n";
    for (int c = chapters; c >= 1; --c) {
        const std::string vol = std::to_string((c - 1) / 10 + 1);
        const std::string num = std::to_string(c);
        page += "<tr class=\"item-row\" data-id=\"" + std::to_string(100000 + c) +
                "\">\n  <td class=\"item-title\" style=\"padding-left: 4px;\">\n    <a href=\"/death_note/vol" + vol +
                "/" + num + "\" title=\"\" class=\"chapter-link cp-l\" data-chapter-id=\"" + std::to_string(100000 + c) +
                "\">\n      Тетрадь смерти " + vol + " - " + num + " Глава номер " + num +
                "\n    </a>\n    <sup class=\"badge\">new</sup>\n    <i class=\"fa fa-eye\" title=\"Просмотров: " +
                std::to_string(c * 37) + "\"></i>\n  </td>\n  <td class=\"date hidden-xxs\" align=\"right\" "
                "data-date=\"2015-03-02\">02.03.15</td>\n</tr>\n";
    }
    page += "</tbody>\n</table>\n</div>\n<div class=\"footer\">© 2024 <a href=\"/about\">О сайте</a></div>\n"
            "</div>\n</body>\n</html>\n";
    return page;
}

std::string ReaderPage(bool callForm, int images)
{
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Тетрадь смерти 1 - 1</title>\n"
                       "<script type=\"text/javascript\" src=\"/static/js/jquery.min.js\"></script>\n"
                       "<script type=\"text/javascript\">var _gaq = _gaq || []; _gaq.push(['_trackPageview']);</script>\n"
                       "</head>\n<body>\n";
    // Navigation and chapter selector as a reader page carries them.
    page += "<select id=\"chapterSelectorSelect\">\n";
    for (int c = 1; c <= 150; ++c)
        page += "  <option value=\"/death_note/vol1/" + std::to_string(c) + "\">Том 1. Глава " + std::to_string(c) +
                " – Название главы</option>\n";
    page += "</select>\n<div id=\"fotocontext\" class=\"manga-img-placeholder\"></div>\n<script type=\"text/javascript\">\n";
    if (callForm) {
        page += "  rm_h.init( [";
        for (int i = 1; i <= images; ++i)
            page += std::string(i > 1 ? "," : "") + "['auto/15/02/" + std::to_string(i) +
                    "','https://img2.example/',\"page_" + std::to_string(i) + ".png_res.jpg\",1200,1800]";
        page += "], 0, false);\n";
    } else {
        page += "  var pictures = [";
        for (int i = 1; i <= images; ++i)
            page += std::string(i > 1 ? "," : "") + "{url:\"https://img2.example/auto/15/02/" + std::to_string(i) +
                    "/page_" + std::to_string(i) + ".jpg\",w:1200,h:1800}";
        page += "];\n";
    }
    page += "</script>\n<div class=\"footer\">© 2024</div>\n</body>\n</html>\n";
    return page;
}

struct Row {
    std::string name;
    size_t bytes;
    double parseNs;
    double findNs;     // rare needle
    double tagFindNs;  // tag-shaped needle
};

Row MeasureTitle(const std::string& name, const std::string& page, int runs)
{
    const std::string address = "http://readmanga.example/death_note";
    std::vector<MangaInfo> records;
    const Timing t = Measure(
        page, runs,
        [&](int n) {
            records = std::vector<MangaInfo>(static_cast<size_t>(n));
            for (MangaInfo& m : records) {
                m.Url = address;
                m.UrlSize = static_cast<int32_t>(address.size() + 1);
            }
        },
        [&](int i) {
            if (Html_ParseMangaPage(page, records[static_cast<size_t>(i)]) != 0)
                std::abort();
        },
        [&] { records.clear(); });
    return {name, page.size(), t.parseNs, t.rareFindNs, t.tagFindNs};
}

Row MeasureReader(const std::string& name, const std::string& page, int runs)
{
    std::vector<ChapterInfo> chapters;
    const Timing t = Measure(
        page, runs, [&](int n) { chapters = std::vector<ChapterInfo>(static_cast<size_t>(n)); },
        [&](int i) {
            if (Html_ParseReaderPage(page, chapters[static_cast<size_t>(i)]) != 0)
                std::abort();
        },
        [&] { chapters.clear(); });
    return {name, page.size(), t.parseNs, t.rareFindNs, t.tagFindNs};
}

}  // namespace

int main()
{
    // Records are freed between rounds; keep that memory in the heap, as a
    // long-running program's heap would be, instead of handing it back to the
    // system and faulting it in again on the next round.
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
    mallopt(M_MMAP_THRESHOLD, 512 << 20);
    std::vector<Row> rows;
    const std::string title2000 = TitlePage(2000);
    rows.push_back(MeasureTitle("title page, 2000 chapters", title2000, 20));
    rows.push_back(MeasureTitle("title page, 1000 chapters", TitlePage(1000), 40));
    rows.push_back(MeasureTitle("title page, 4000 chapters", TitlePage(4000), 10));
    rows.push_back(MeasureReader("reader page, call form, 200 images", ReaderPage(true, 200), 400));
    rows.push_back(MeasureReader("reader page, variable form, 200 images", ReaderPage(false, 200), 400));

    std::printf("find pass A: needle \"%s\"; find pass B: needle \"%s\"\n", std::string(kRareNeedle).c_str(),
                std::string(kTagNeedle).c_str());
    std::printf("%-40s %9s %9s %8s %9s %8s %9s %8s\n", "page", "bytes", "parse us", "MB/s", "A us", "ratio A", "B us",
                "ratio B");
    for (const Row& r : rows)
        std::printf("%-40s %9zu %9.1f %8.1f %9.2f %8.1f %9.1f %8.2f\n", r.name.c_str(), r.bytes, r.parseNs / 1e3,
                    static_cast<double>(r.bytes) / (r.parseNs / 1e3), r.findNs / 1e3, r.parseNs / r.findNs,
                    r.tagFindNs / 1e3, r.parseNs / r.tagFindNs);
    std::printf("4000 vs 1000 chapters: %.2fx the time for %.2fx the bytes\n", rows[2].parseNs / rows[1].parseNs,
                static_cast<double>(rows[2].bytes) / static_cast<double>(rows[1].bytes));
    return 0;
}
