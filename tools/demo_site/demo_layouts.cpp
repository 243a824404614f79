#include "tools/demo_site/demo_layouts.h"

namespace {

std::string ChapterPath(int vol, int num)
{
    return std::string(DemoManga::kTitlePath) + "/vol" + std::to_string(vol) + "/" + std::to_string(num);
}

std::string Numbers(const DemoChapter& chapter)
{
    return std::to_string(chapter.Vol) + " - " + std::to_string(chapter.Num);
}

// A token the way the 2024 reader pages carry one per image: 22 characters of
// base64url.
std::string Token(unsigned seed)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string token;
    for (int i = 0; i < 22; ++i) {
        seed = seed * 1103515245u + 12345u;
        token.push_back(kAlphabet[(seed >> 16) & 63]);
    }
    return token;
}

int LastVolume(const DemoManga& manga)
{
    return manga.Chapters().empty() ? 0 : manga.Chapters().back().Vol;
}

}  // namespace

std::string DemoTitlePage2016(const DemoManga& manga, const std::string& host)
{
    const std::string name = DemoManga::kName;
    std::string page = "<!DOCTYPE html>\n<html>\n    <head>\n        <meta charset=\"utf-8\"/>\n        <title>" + name +
                       "</title>\n    </head>\n    <body>\n        <div class=\"leftContent\">\n";
    page += "        <h1 class=\"names\">\n            Манга\n            <span class='name'>" + name +
            "</span>\n            | <span class='eng-name' title=\"английское название\">" + DemoManga::kEngName +
            "</span>\n            | <span class='original-name' title=\"оригинальное название\">" +
            DemoManga::kJpName + "</span>\n        </h1>\n";
    page += "        <meta itemprop=\"name\" content=\"" + name + "\" />\n        <meta itemprop=\"url\" content=\"" + host +
            DemoManga::kTitlePath + "\"/>\n";
    // The full-size picture is data-full; src is a smaller one the site does not serve.
    page += "        <div class=\"flex-row\">\n            <div class=\"subject-cower col-sm-5\">\n"
            "                <div class=\"picture-fotorama\" data-width=\"100%\" data-ratio=\"325/450\" "
            "data-shuffle=\"true\">\n";
    for (int cover = 1; cover <= DemoManga::kCoverCount; ++cover)
        page += "                    <img class=\"\" src=\"" + host + "/covers/small_" + std::to_string(cover) +
                ".jpg\" data-thumb=\"" + host + "/covers/thumb_" + std::to_string(cover) + ".jpg\" data-full=\"" +
                host + DemoManga::CoverPath(cover) + "\" alt=\"манга " + name + "\" itemprop=\"image\"/>\n";
    page += "                </div>\n                <script type=\"text/javascript\"> "
            "$('.picture-fotorama').fotorama(); </script>\n            </div>\n";
    page += "            <div class=\"subject-actions col-sm-7\">\n                <span class=\"read-first\"><a href=\"" +
            ChapterPath(1, 1) + "\" title=\"\">Начать читать мангу онлайн</a></span>\n            </div>\n";
    page += "            <div class=\"subject-meta col-sm-7\">\n                <h4>Информация о манге</h4>\n"
            "                <p>\n                    <b>Томов:</b> " +
            std::to_string(LastVolume(manga)) +
            "\n                </p>\n                <p class=\"elementList\"><b>Жанры:</b>\n"
            "                    <span class=\"elem_genre \"> <a href=\"/list/genre/g1\" class=\"element-link\">"
            "приключения</a></span><span class=\"elem_genre \">, <a href=\"/list/genre/g2\" class=\"element-link\">"
            "комедия</a></span>\n                </p>\n            </div>\n        </div>\n";
    page += "        <h4>Описание</h4>\n        <div class=\"manga-description\" itemprop=\"description\">\n"
            "            Демонстрационная манга для проверки загрузчика &laquo;zumr&raquo; в раскладке 2016 года:\n"
            "            текст лежит прямо в блоке, без абзацев.\n"
            "            <div class=\"clearfix\"></div>\n        </div>\n";
    page += "        <div class=\"posts-container expandable post-container_ forum-topic\" data-height=\"600\">\n"
            "            <span itemprop='name' class='user-name'>читатель</span>\n"
            "            <meta itemprop='image' content='" + host + "/covers/avatar.png'/>\n"
            "            <p><a href=\"" + ChapterPath(1, 1) + "\">первая глава</a></p>\n        </div>\n";
    page += "        <div class=\"expandable chapters-link\" data-height=\"800\">\n"
            "            <table class=\"table table-hover\">\n                <thead>\n                    <tr>\n"
            "                        <th width=\"550\">\n                            <h2>\n"
            "                                Читать главы " + std::string(DemoManga::kEngName) +
            " онлайн\n                            </h2>\n                        </th>\n"
            "                    </tr>\n                </thead>\n";
    const auto& chapters = manga.Chapters();
    for (auto it = chapters.rbegin(); it != chapters.rend(); ++it) {
        page += "                <tr>\n                    <td class=\"  \">\n                        <a href=\"" +
                ChapterPath(it->Vol, it->Num) + "\" title=\"\">\n                            " + name +
                "\n                            " + Numbers(*it) + (it->LinkTitle.empty() ? "" : " " + it->LinkTitle) +
                "\n                        </a>\n                    </td>\n"
                "                    <td align=\"right\" class=\"hidden-xxs\">\n                        01/01/16\n"
                "                    </td>\n                </tr>\n";
    }
    page += "            </table>\n        </div>\n        </div>\n    </body>\n</html>\n";
    return page;
}

std::string DemoTitlePage2024(const DemoManga& manga, const std::string& host)
{
    const std::string name = DemoManga::kName;
    auto tile = [](const char* text) { return std::string("<div class=\"manga-description\"><p>") + text + "</p></div>"; };
    std::string page = "<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>" + name + "</title>\n";
    page += "<meta itemprop=\"image\" content=\"" + host + "/covers/thumb_1.jpg\">\n</head><body>\n";
    page += "  <h1 class=\"names\">\n  Манга\n  <span class=\"html-popover show-mobile\" data-trigger=\"click\" "
            "aria-expanded=\"false\">\n    <span class=\"html-popover-holder\">\n      <span class=\"all-names-popover\">\n"
            "        <div>Другие имена</div>\n          <span class=\"name\">" +
            std::string(DemoManga::kEngName) + "</span>\n          <span class=\"name\">" + DemoManga::kJpName +
            "</span>\n      </span>\n    </span>\n  </span>\n<span class=\"name\">" + name +
            "</span>\n    <span class=\"hide-mobile\">| <span class=\"eng-name\" title=\"английское название\">" +
            DemoManga::kEngName +
            "</span></span>\n    <span class=\"hide-mobile\">| <span class=\"original-name\" "
            "title=\"оригинальное название\">" +
            DemoManga::kJpName + "</span></span>\n  </h1>\n";
    // The slider as its script leaves it: loaded frames hold an img, the
    // rest only a dot; no data-full.
    page += "<div class=\"subject-cover col-sm-5\"><style></style><div class=\"fotorama--hidden\"></div>"
            "<div class=\"picture-fotorama fotorama fotorama1\" data-width=\"100%\" data-shuffle=\"true\">"
            "<div class=\"fotorama__wrap\"><div class=\"fotorama__stage\"><div class=\"fotorama__stage__shaft\">";
    for (int cover = 1; cover <= DemoManga::kCoverCount; ++cover)
        page += "<div class=\"fotorama__stage__frame fotorama__loaded\"><img src=\"" + host +
                DemoManga::CoverPath(cover) + "\" class=\"fotorama__img\" style=\"width: 325px;\"></div>";
    page += "<div class=\"fotorama__stage__frame\"></div></div></div><div class=\"fotorama__nav-wrap\">"
            "<div class=\"fotorama__nav fotorama__nav--dots\">";
    for (int dot = 0; dot <= DemoManga::kCoverCount; ++dot)
        page += "<div class=\"fotorama__nav__frame--dot\"><div class=\"fotorama__dot\"></div></div>";
    page += "</div></div></div></div>\n</div>\n";
    page += "<a href=\"" + ChapterPath(1, 1) + "\" title=\"\" class=\"chapter-link btn read-first-chapter\">"
            "Начать читать</a>\n";
    if (!manga.Chapters().empty()) {
        const DemoChapter& last = manga.Chapters().back();
        page += "<h4><a href=\"" + ChapterPath(last.Vol, last.Num) +
                "\" title=\"\" class=\"chapter-link read-last-chapter\">Читать " + Numbers(last) + "</a></h4>\n";
    }
    page += "      <div class=\"subject-meta\">\n  <h4 class=\"hide-mobile\">Информация о манге</h4>\n"
            "  <p>\n    <b> Томов </b> " +
            std::to_string(LastVolume(manga)) +
            "\n  </p>\n  <p class=\"elementList \">\n    <span class=\"strong hide-mobile\">Жанры:</span>\n"
            "  <a href=\"/list/genre/g1\" class=\"badge element-link\">приключения</a>\n"
            "  <a href=\"/list/genre/g2\" class=\"badge element-link\">комедия</a>\n  </p>\n"
            "  <p class=\"elementList \">\n    <span class=\"strong \">Переводчик:</span>\n"
            "    <a href=\"/list/person/zumr\" class=\"person-link\">zumr</a>\n    <span class=\"screenshot\" rel=\"" +
            host + "/covers/team.jpg\"></span>\n  </p>\n      </div>\n";
    page += "<div class=\"tab-pane fade show active\" id=\"tab-description\"><div class=\"expandable\" "
            "data-height=\"800\">\n        <div class=\"manga-description\" itemprop=\"description\">\n"
            "  <span style=\"font-family: &quot;Helvetica Neue&quot;, sans-serif; font-size: 13px\">Демонстрационная "
            "манга в раскладке 2024 года!!&nbsp;</span><br><span style=\"font-size: 13px\">Текст из редактора, без "
            "абзацев.</span><div><span><br></span></div><div><span><font face=\"Arial\">©zumr</font></span></div>\n"
            "  <div class=\"clearfix\"></div>\n</div>\n</div></div>\n";
    page += "<div class=\"tab-pane fade\" id=\"tab-collections\">\n  <div class=\"tile\"><img class=\"lazy img-fluid\" "
            "src=\"\" data-original=\"" + host + "/covers/tile_p.jpg\">" + tile("Чужая манга из подборки.") +
            "</div>\n</div>\n";

    page += "<div class=\"chapters\" id=\"chapters-list\" data-type=\"MANGA\" data-id=\"1\">\n"
            "      <h2> <span class=\"title\"> Читать главы " + name + " онлайн </span> "
            "<input class=\"chapters-search\" placeholder=\"поиск по главам\"> </h2>\n"
            "    <table class=\"table table-hover\">\n  <tbody>";
    // The first two rows show; the others but the last two are hidden behind
    // a row of their own that holds a div, and the last two come after it.
    const auto& chapters = manga.Chapters();
    const size_t count = chapters.size();
    size_t row = 0;
    for (auto it = chapters.rbegin(); it != chapters.rend(); ++it, ++row) {
        if (count > 4 && row == count - 2)
            page += "<tr class=\"expand-row\">\n    <td colspan=\"4\">\n      <div class=\"expand-twitts-button\">\n"
                    "        <span class=\"js-link\">Скрыто <span class=\"badge\">" +
                    std::to_string(count - 4) + "</span> глав</span>\n      </div>\n    </td>\n          </tr>";
        const std::string num10 = std::to_string(it->Num * 10);
        page += "<tr class=\"item-row\" data-vol=\"" + std::to_string(it->Vol) + "\" data-num=\"" + num10 + "\"" +
                (row >= 2 && row + 2 < count ? " style=\"display: none;\"" : "") +
                ">\n    <td class=\"item-status \"> <i class=\"chapter-status item-unvisited\"></i> </td>\n"
                "    <td class=\" item-title\" data-vol=\"" +
                std::to_string(it->Vol) + "\" data-num=\"" + num10 + "\">\n        <a href=\"" +
                ChapterPath(it->Vol, it->Num) + "\" title=\"zumr Переводчик\" class=\"chapter-link cp-l\">\n          " +
                (it->extra ? std::to_string(it->Vol) + " Экстра" : Numbers(*it)) +
                "\n        </a>\n    </td>\n    <td class=\"date text-right \" data-date=\"01.01.24\"> 01.01.24 </td>\n"
                "  </tr>\n  ";
    }
    page += "  </tbody></table>\n  </div>\n<script> rm_h.chapters.init(undefined, undefined, 1, 'MANGA'); </script>\n";
    page += "<div class=\"similar\"><i class=\"long-description html-popover\"><noindex><div class=\"html-popover-holder\">" +
            tile("Ещё одна чужая манга.") + "</div></noindex></i></div>\n";
    page += "<div class=\"navigation\"><a href=\"" + ChapterPath(1, 1) + "\" class=\"chapter-link\">В начало</a></div>\n";
    page += "<div class=\"comments\"><a href=\"" + ChapterPath(1, 1) +
            "#comm_1&amp;page=2\" class=\"chapter-link\">к комментарию</a></div>\n</body></html>\n";
    return page;
}

std::string DemoReaderPage2016(const DemoManga& manga, const std::string& host, int vol, int num)
{
    std::string page = "<!DOCTYPE html>\n<html>\n    <head>\n        <meta charset=\"utf-8\"/>\n"
                       "        <!--[if lt IE 9]>\n        <script src=\"/js/html5shiv.js\"></script>\n"
                       "        <![endif]-->\n        <script type=\"text/javascript\">var _gaq = [['_trackPageview']];"
                       "</script>\n    </head>\n    <body>\n        <script type=\"text/javascript\">\n"
                       "            var nextChapterLink = \"" +
                       ChapterPath(vol, num + 1) + "\";\n            var servers = ['" + host + "/'];\n"
                       "            function sendURL(path) { parent.postMessage(path, '*'); }\n";
    // ['path head','server/',"path tail",width,height]: server + head + tail.
    page += "            rm_h.init( [";
    for (int j = 0; j < manga.Options().pagesPerChapter; ++j)
        page += std::string(j > 0 ? "," : "") + "['img/" + std::to_string(vol) + "/" + std::to_string(num) + "','" +
                host + "/',\"/" + DemoManga::ImageFileName(j) + "\",900,1300]";
    page += "], 0, false);\n        </script>\n    </body>\n</html>\n";
    return page;
}

std::string DemoReaderPage2024(const DemoManga& manga, const std::string& host, int vol, int num, unsigned token)
{
    const std::string query = "?t=" + std::to_string(1700000000u + token);
    std::string page = "<html lang=\"ru\"><head><meta charset=\"utf-8\"></head><body>\n"
                       "<img class=\"manga-img_0 manga-img\" src=\"" +
                       host + DemoManga::ImagePath(vol, num, 0) + query + "&amp;u=0\" id=\"mangaPicture\">\n"
                       "<script type=\"text/javascript\">\n  var prevChapterLink = \"" +
                       ChapterPath(vol, num - 1) + "#page=last\"\n  var nextChapterLink = \"" + ChapterPath(vol, num + 1) +
                       "\";\n";
    // An earlier call in the same script lists pictures that are not this
    // chapter's (here the covers).
    page += "  rm_h.readerInit( 0,[";
    for (int cover = 1; cover <= DemoManga::kCoverCount; ++cover)
        page += std::string(cover > 1 ? "," : "") + "['" + host + "/','',\"" + DemoManga::CoverPath(cover).substr(1) +
                "?t=1600000000&u=0&h=" + Token(static_cast<unsigned>(cover)) + "\",325,450]";
    page += "], true, [{\"path\":\"" + host + "/\",\"res\":true}], false);\n  rm_h.readerDoInit([";
    for (int j = 0; j < manga.Options().pagesPerChapter; ++j)
        page += std::string(j > 0 ? "," : "") + "['" + host + "/','',\"" + DemoManga::ImagePath(vol, num, j).substr(1) +
                query + "&u=0&h=" + Token(token * 131u + static_cast<unsigned>(j)) + "\",800,1200]";
    page += "], false, [{\"path\":\"" + host + "/\",\"res\":true}], false);\n</script>\n"
            "<script type=\"text/javascript\">$(function () { rm_h.initReaderSider(); });</script>\n</body></html>\n";
    return page;
}
