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

// The sites' 2024 title page as a browser saves it: a names popover, the
// rebuilt cover slider, editor-made description, tiles of other titles and
// a chapter list whose rows after the third are hidden behind a row of their own.
std::string TitlePage2024(int chapters)
{
    std::string page =
        "<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Тетрадь смерти – читать онлайн</title>\n"
        "<script type=\"text/javascript\">var site = {user: null, lang: 'ru'};</script>\n</head><body>\n"
        "<div class=\"leftContent\">\n  <h1 class=\"names\">\n  Манга\n  <span class=\"html-popover show-mobile\" "
        "data-trigger=\"click\" aria-expanded=\"false\">\n    <span class=\"html-popover-holder\">\n      "
        "<span class=\"all-names-popover\">\n        <div>Другие имена</div>\n          <span class=\"name\">Death "
        "Note</span>\n          <span class=\"name\">Desu Nōto</span>\n          <span class=\"name\">デスノート</span>\n"
        "      </span>\n    </span>\n  </span>\n<span class=\"name\">Тетрадь смерти</span>\n    <span "
        "class=\"hide-mobile\">| <span class=\"eng-name\" title=\"английское название\">Death Note</span></span>\n"
        "    <span class=\"hide-mobile\">| <span class=\"original-name\" title=\"оригинальное название\">Desu "
        "Nōto</span></span>\n  </h1>\n<div class=\"subject-cover col-sm-5\"><div class=\"picture-fotorama fotorama\" "
        "data-width=\"100%\"><div class=\"fotorama__wrap\"><div class=\"fotorama__stage\"><div "
        "class=\"fotorama__stage__shaft\">";
    for (int i = 1; i <= 3; ++i)
        page += "<div class=\"fotorama__stage__frame fotorama__loaded\"><img src=\"https://static.example/uploads/pics/00/0" +
                std::to_string(i) + "/cover.jpg\" class=\"fotorama__img\" style=\"width: 325px; height: 450px;\"></div>";
    page += "</div></div><div class=\"fotorama__nav-wrap\"><div class=\"fotorama__nav fotorama__nav--dots\">";
    for (int i = 1; i <= 5; ++i)
        page += "<div class=\"fotorama__nav__frame--dot\" tabindex=\"0\"><div class=\"fotorama__dot\"></div></div>";
    page += "</div></div></div></div></div>\n<div class=\"subject-meta\">\n  <h4 class=\"hide-mobile\">Информация о "
            "манге</h4>\n  <p> <b> Томов </b> 12 </p>\n  <p class=\"elementList \">\n    <span class=\"strong "
            "hide-mobile\">Жанры:</span>\n  <a href=\"/list/genre/g1\" class=\"badge element-link\">детектив</a>\n  "
            "</p>\n  <p><b>Популярность:</b> 12 место</p>\n      </div>\n<div class=\"tab-pane fade show active\" "
            "id=\"tab-description\"><div class=\"expandable\" data-height=\"800\">\n<div class=\"manga-description\" "
            "itemprop=\"description\">\n";
    const std::string sentence =
        "<span style=\"font-family: -apple-system, &quot;Helvetica Neue&quot;, sans-serif; font-size: 13px\">Ягами Лайт — "
        "лучший ученик Японии, которому всё наскучило. Однажды он находит тетрадь&nbsp;смерти.</span><br><div><span>"
        "Detective L begins the hunt.</span></div>\n";
    const size_t descriptionStart = page.size();
    while (page.size() - descriptionStart < 4096)
        page += sentence;
    page += "  <div class=\"clearfix\"></div>\n</div>\n</div></div>\n";
    for (int t = 0; t < 19; ++t)
        page += "<div class=\"tile\"><img class=\"lazy\" src=\"\" data-original=\"/t/" + std::to_string(t) +
                "_p.jpg\"><div class=\"manga-description\"><p>Чужая манга номер " + std::to_string(t) +
                ".</p></div></div>\n";
    page += "<div class=\"chapters\" id=\"chapters-list\" data-type=\"MANGA\" data-id=\"1\">\n      <h2> <span "
            "class=\"title\"> Читать главы онлайн </span> <input class=\"chapters-search\" placeholder=\"поиск по "
            "главам\"> </h2>\n    <table class=\"table table-hover\">\n  <tbody>";
    int row = 0;
    for (int c = chapters; c >= 1; --c, ++row) {
        const std::string vol = std::to_string((c - 1) / 10 + 1);
        const std::string num = std::to_string(c);
        if (row == chapters - 3)
            page += "<tr class=\"expand-row\">\n    <td colspan=\"4\">\n      <div class=\"expand-twitts-button\">\n"
                    "        <span class=\"js-link\">Скрыто глав</span>\n      </div>\n    </td>\n          </tr>";
        page += "<tr class=\"item-row\" data-id=\"" + std::to_string(100000 + c) + "\" data-vol=\"" + vol +
                "\" data-num=\"" + num + "0\"" + (row >= 3 && row < chapters - 3 ? " style=\"display: none;\"" : "") +
                ">\n    <td class=\"item-status \">\n      <i class=\"chapter-status item-unvisited\"></i>\n    </td>\n"
                "    <td class=\" item-title\" data-vol=\"" + vol + "\" data-num=\"" + num + "0\">\n        <a href=\"/death_note/vol" +
                vol + "/" + num + "\" title=\"Команда Переводчик\" class=\"chapter-link cp-l\">\n          " + vol +
                " - " + num + "\n        </a>\n    </td>\n    <td class=\"d-none d-sm-table-cell date text-right \" "
                "title=\"\" data-date=\"26.12.21\" data-date-raw=\"2021-12-26 08:26:53.812\">\n      26.12.21\n    "
                "</td>\n  </tr>\n  ";
    }
    page += "  </tbody></table>\n  </div>\n<div class=\"footer\">© 2024 <a href=\"/about\">О сайте</a></div>\n"
            "</div>\n</body>\n</html>\n";
    return page;
}

std::string ReaderPage(bool callForm, int images, bool doInit = false)
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
    if (doInit) {
        // The call before it lists two images that are not the chapter's.
        page += "  rm_h.readerInit( 0,[['https://img1.example/','',\"auto/15/49/36/001.png_res.jpg?t=1705023558&u=0&h="
                "AAAAAAAAAAAAAAAAAAAAAA\",750,1172],['https://img2.example/','',\"auto/15/49/36/003.png_res.jpg?t="
                "1705023558&u=0&h=BBBBBBBBBBBBBBBBBBBBBB\",1080,1920]], true, [], false);\n  rm_h.readerDoInit([";
        for (int i = 1; i <= images; ++i)
            page += std::string(i > 1 ? "," : "") + "['https://img2.example/','',\"auto/15/02/" + std::to_string(i) +
                    "/page_" + std::to_string(i) + ".png_res.jpg?t=1716093084&u=0&h=CwDkH3Ih5mN0pQrStUvWxY\",1200,1800]";
        page += "], false, [{\"path\":\"https://img3.example/\",\"res\":true}], false);\n";
    } else if (callForm) {
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

// Mean time of one parse over `runs` parses into fresh records, the records
// made before and freed after the timing.
double TitleParseNs(const std::string& page, int runs)
{
    const std::string address = "http://readmanga.example/death_note";
    std::vector<MangaInfo> records(static_cast<size_t>(runs));
    for (MangaInfo& m : records) {
        m.Url = address;
        m.UrlSize = static_cast<int32_t>(address.size() + 1);
    }
    return TimeNs(runs, [&](int i) {
        if (Html_ParseMangaPage(page, records[static_cast<size_t>(i)]) != 0)
            std::abort();
    });
}

double ReaderParseNs(const std::string& page, int runs)
{
    std::vector<ChapterInfo> chapters(static_cast<size_t>(runs));
    return TimeNs(runs, [&](int i) {
        if (Html_ParseReaderPage(page, chapters[static_cast<size_t>(i)]) != 0)
            std::abort();
    });
}

// Two timings taking turns round by round, so that other work on the machine
// slows both alike; the best round of each is kept. Returns b's time over a's.
double PairedRatio(const std::function<double()>& a, const std::function<double()>& b, int rounds)
{
    double bestA = 1e300, bestB = 1e300;
    for (int round = 0; round < rounds; ++round) {
        bestA = std::min(bestA, a());
        bestB = std::min(bestB, b());
    }
    return bestB / bestA;
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
    rows.push_back(MeasureTitle("2024 title page, 2000 chapters", TitlePage2024(2000), 20));
    rows.push_back(MeasureTitle("2024 title page, 1000 chapters", TitlePage2024(1000), 40));
    rows.push_back(MeasureTitle("2024 title page, 4000 chapters", TitlePage2024(4000), 10));
    rows.push_back(MeasureReader("2024 reader page, 200 images", ReaderPage(false, 200, true), 400));

    std::printf("find pass A: needle \"%s\"; find pass B: needle \"%s\"\n", std::string(kRareNeedle).c_str(),
                std::string(kTagNeedle).c_str());
    std::printf("%-40s %9s %9s %8s %9s %8s %9s %8s\n", "page", "bytes", "parse us", "MB/s", "A us", "ratio A", "B us",
                "ratio B");
    for (const Row& r : rows)
        std::printf("%-40s %9zu %9.1f %8.1f %9.2f %8.1f %9.1f %8.2f\n", r.name.c_str(), r.bytes, r.parseNs / 1e3,
                    static_cast<double>(r.bytes) / (r.parseNs / 1e3), r.findNs / 1e3, r.parseNs / r.findNs,
                    r.tagFindNs / 1e3, r.parseNs / r.tagFindNs);
    // Ratios of timings taken in alternating short rounds (the table's rows
    // are timed one after another, so a busy machine skews comparisons across
    // them); many short rounds give both sides quiet moments.
    const std::string designed1000 = TitlePage(1000), designed4000 = TitlePage(4000);
    const std::string real1000 = TitlePage2024(1000), real2000 = TitlePage2024(2000), real4000 = TitlePage2024(4000);
    const std::string callForm = ReaderPage(true, 200), doInit = ReaderPage(false, 200, true);
    const auto title = [](const std::string& page, int runs) { return [&page, runs] { return TitleParseNs(page, runs); }; };
    const auto reader = [](const std::string& page, int runs) { return [&page, runs] { return ReaderParseNs(page, runs); }; };
    const auto bytes = [](const std::string& a, const std::string& b) {
        return static_cast<double>(b.size()) / static_cast<double>(a.size());
    };
    std::printf("linear, designed: 4000 vs 1000 chapters take %.2fx the time for %.2fx the bytes\n",
                PairedRatio(title(designed1000, 8), title(designed4000, 2), 61), bytes(designed1000, designed4000));
    std::printf("linear, 2024:     4000 vs 1000 chapters take %.2fx the time for %.2fx the bytes\n",
                PairedRatio(title(real1000, 8), title(real4000, 2), 61), bytes(real1000, real4000));
    const double titleRatio = PairedRatio(title(title2000, 4), title(real2000, 4), 61);
    std::printf("2024 title page vs designed, 2000 chapters: %.2fx the time per page (%.2fx the bytes)\n", titleRatio,
                bytes(title2000, real2000));
    const double readerRatio = PairedRatio(reader(callForm, 50), reader(doInit, 50), 301);
    std::printf("2024 reader page vs designed call form, 200 images: %.2fx the time per page (%.2fx the bytes)\n",
                readerRatio, bytes(callForm, doInit));
    return 0;
}
