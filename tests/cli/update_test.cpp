// zumr-cli update over a library on the local server: one manga gained
// chapters, one is unchanged, one's page is gone, one's address now shows
// another page, and one file is damaged.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <functional>

#include "cli/update_command.h"
#include "model/manga_db.h"
#include "parse/title_page.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/site_pages.h"
#include "tests/transfer/test_server.h"
#include "transfer/notifications.h"

namespace fs = std::filesystem;

namespace {

std::string Image(const std::string& key, int num, int page)
{
    return "/img/" + key + "/" + std::to_string(num) + "/" + std::to_string(page) + ".png";
}

// Manga `key` at /<key>: chapters of volume 1 newest first, each with the
// two pictures Image(key, num, 1 and 2). Returns its title page.
std::string ServeManga(TestServer& site, const std::string& key, const std::string& name, const std::vector<int>& nums)
{
    std::vector<SiteChapterLink> links;
    for (const int num : nums) {
        links.push_back({"/" + key + "/vol1/" + std::to_string(num), name + " 1 - " + std::to_string(num)});
        const std::string folder = "img/" + key + "/" + std::to_string(num) + "/";
        site.Serve(links.back().href, SiteReaderPage(num % 2 == 0, site.Url(""), folder, {"1.png", "2.png"}));
        for (int page = 1; page <= 2; ++page)
            site.Serve(Image(key, num, page), "picture " + Image(key, num, page));
    }
    const std::string page = SiteTitlePage(name, "/cover.png", links);
    site.Serve("/" + key, page);
    return page;
}

// What an earlier scan and download saved as <library>/<name>/<name>.zdb:
// every chapter's page list read and every page on disk, then `change`.
fs::path SaveSeed(const TempDir& library, TestServer& site, const std::string& key, const std::u16string& name,
                  const std::string& titlePage, const std::function<void(MangaInfo&)>& change = {})
{
    const fs::path file = library.path() / name / (name + u".zdb");
    MangaInfo manga;
    manga.Url = site.Url("/" + key);
    manga.UrlSize = static_cast<int32_t>(manga.Url->size() + 1);
    EXPECT_EQ(Html_ParseMangaPage(titlePage, manga), 0);
    manga.bSkipCovers = 1;
    for (ChapterInfo& chapter : manga.Chaps) {
        chapter.Url.reset();
        for (int page = 1; page <= 2; ++page) {
            const std::string url = site.Url(Image(key, chapter.Num, page));
            chapter.Pages.push_back({url, static_cast<int32_t>(url.size() + 1), 1});
        }
    }
    if (change)
        change(manga);
    fs::create_directories(file.parent_path());
    EXPECT_EQ(MangaDB_Save(manga, file.u16string()), 0);
    return file;
}

int Requests(const TestServer& site, const std::string& part)
{
    int count = 0;
    for (const auto& request : site.Requests())
        count += request.first.find(part) != std::string::npos ? 1 : 0;
    return count;
}

}  // namespace

TEST(UpdateCommand, CountTextTakesTheRussianForm)
{
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0 глав"},    {1, "1 глава"},   {2, "2 главы"},   {4, "4 главы"},     {5, "5 глав"},      {11, "11 глав"},
        {12, "12 глав"}, {14, "14 глав"}, {21, "21 глава"}, {22, "22 главы"}, {111, "111 глав"}, {101, "101 глава"},
    };
    for (const auto& [count, text] : cases)
        EXPECT_EQ(CountText(count, "глава", "главы", "глав"), text);
}

TEST(UpdateCommand, LibraryOfMangasGetsOnlyWhatIsNew)
{
    TempDir library;
    TestServer site;
    AppSettings settings = AppSettings_Defaults(u"");
    settings.DefSavePath = library.path().u16string();
    Settings_Set(settings);
    bKeepRunning = 1;

    // Альфа: two chapters known, the second unticked and never downloaded,
    // one page of the first still missing; the site now lists two more.
    const fs::path alpha = SaveSeed(library, site, "a", u"Альфа", ServeManga(site, "a", "Альфа", {2, 1}), [](MangaInfo& m) {
        m.Chaps[0].bSkip = 1;
        m.Chaps[0].Pages[0].bLoaded = m.Chaps[0].Pages[1].bLoaded = 0;
        m.Chaps[1].Pages[1].bLoaded = 0;
    });
    ServeManga(site, "a", "Альфа", {4, 3, 2, 1});
    const fs::path beta = SaveSeed(library, site, "b", u"Бета", ServeManga(site, "b", "Бета", {1}));
    const fs::path gamma = SaveSeed(library, site, "c", u"Гамма", ServeManga(site, "c", "Гамма", {1}));
    site.Serve("/c", "", Fault::NotFound);
    // Дельта: the address now answers with some other page.
    const fs::path delta = SaveSeed(library, site, "d", u"Дельта", ServeManga(site, "d", "Дельта", {1}));
    site.Serve("/d", "<html><body>Страница переехала</body></html>");
    const fs::path broken = library / "broken.zdb";
    WriteFileBytes(broken, "not a database");
    std::map<fs::path, std::string> before;
    for (const fs::path& file : {alpha, beta, gamma, delta, broken})
        before[file] = ReadFileBytes(file);

    const struct {
        bool dryRun;
        std::vector<std::string> lines;  // each on a line of its own, in this order
        int readerPages, pictures;       // fetched by this run
    } steps[] = {
        {true,
         {"broken.zdb: не удалось прочитать базу (-1)", "Альфа: 2 новые главы", "    том 1, глава 4",
          "    том 1, глава 3", "Бета: нового нет", "Гамма: страница манги недоступна: ",
          "Дельта: на странице манги не найдено ни названия, ни глав", "Итого: 5 манг, 2 новые главы; с ошибками: 3"},
         0, 0},
        {false,
         {"Альфа: 2 новые главы, 5 страниц", "Бета: нового нет", "Гамма: страница манги недоступна: ",
          "Итого: 5 манг, 2 новые главы, 5 страниц; с ошибками: 3"},
         2, 5},
        {false, {"Альфа: нового нет", "Бета: нового нет", "Итого: 5 манг, 0 новых глав, 0 страниц; с ошибками: 3"}, 0, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.dryRun ? "dry run" : "update");
        const int readerBefore = Requests(site, "/vol1/"), picturesBefore = Requests(site, "/img/");
        std::ostringstream out, err;
        CliEnv env{out, err, false};
        EXPECT_EQ(Command_Update({{}, step.dryRun}, env), kExitSomeFailed) << out.str() << err.str();
        const std::string text = std::string("\n").append(out.str());
        size_t at = 0;
        for (const std::string& line : step.lines) {
            at = text.find("\n" + line, at);
            EXPECT_NE(at, std::string::npos) << line << text;
        }
        EXPECT_EQ(Requests(site, "/vol1/") - readerBefore, step.readerPages);
        EXPECT_EQ(Requests(site, "/img/") - picturesBefore, step.pictures);
        if (step.dryRun) {
            EXPECT_EQ(std::distance(fs::recursive_directory_iterator(library.path()), {}), 9);
        }
        // What is not brought up to date is left exactly as it was.
        for (const auto& [file, bytes] : before)
            EXPECT_TRUE((!step.dryRun && (file == alpha || file == beta)) || ReadFileBytes(file) == bytes) << file;
    }

    MangaInfo updated;
    ASSERT_EQ(MangaDB_Load(updated, alpha.u16string()), kMangaDbOk);
    ASSERT_EQ(updated.ChapCnt(), 4);
    const int nums[] = {4, 3, 2, 1}, ticked[] = {1, 1, 0, 1};
    for (size_t i = 0; i < 4; ++i) {
        const ChapterInfo& chapter = updated.Chaps[i];
        EXPECT_EQ(chapter.Num, nums[i]);
        EXPECT_FALSE(chapter.Url) << i;
        EXPECT_EQ(chapter.bSkip, ticked[i] ? 0 : 1) << i;
        ASSERT_EQ(chapter.PageCnt(), 2);
        for (const PageInfo& page : chapter.Pages)
            EXPECT_EQ(page.bLoaded, ticked[i]) << i;
    }
    EXPECT_EQ(updated.bSkipCovers, 1);
    // The pictures went into the manga's own folder, beside its database file.
    std::multiset<std::string> pictures;
    for (const auto& entry : fs::recursive_directory_iterator(alpha.parent_path()))
        if (entry.is_regular_file() && entry.path() != alpha)
            pictures.insert(ReadFileBytes(entry.path()));
    EXPECT_EQ(pictures, (std::multiset<std::string>{"picture " + Image("a", 4, 1), "picture " + Image("a", 4, 2),
                                                    "picture " + Image("a", 3, 1), "picture " + Image("a", 3, 2),
                                                    "picture " + Image("a", 1, 2)}));
    hMainWnd = nullptr;
}
