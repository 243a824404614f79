#include <gtest/gtest.h>

#include <filesystem>

#include "app/manga_files.h"
#include "tests/support/temp_dir.h"
#include "transfer/name_rules.h"

namespace {

// The database file lands in the manga's folder under the name the folder
// got, whatever separators or ".." the name holds, on both platforms.
TEST(MangaFiles, DatabasePathCleansTheNameAsOneComponent)
{
    TempDir dir;
    const std::u16string root = dir.path().u16string() + kPathSeparator;
    const struct {
        std::u16string name;
        std::u16string file;
    } cases[] = {
        {u"Fate/Zero", u"Fate_Zero.zdb"}, {u"a\\b", u"a_b.zdb"},   {u"../../x", u".._.._x.zdb"},
        {u"..", u"__.zdb"},                {u"C:x", u"C_x.zdb"},     {u"Кто там?", u"Кто там_.zdb"},
    };
    for (const auto& c : cases) {
        const std::u16string folder = app::MangaFolder(root, c.name);
        ASSERT_EQ(folder.rfind(root, 0), 0u);
        EXPECT_EQ(app::DatabasePath(folder, c.name), folder + kPathSeparator + c.file);
        EXPECT_EQ(app::DatabasePath(folder + kPathSeparator, c.name), folder + kPathSeparator + c.file);
        MangaInfo manga;
        manga.Name = c.name;
        std::filesystem::create_directories(std::filesystem::path(folder));
        ASSERT_EQ(app::SaveDatabase(manga, *app::DatabasePath(folder, c.name)), 0);
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / std::filesystem::path(c.file)));
    }
    EXPECT_EQ(app::DatabasePath(root, std::nullopt), std::nullopt);
}

}  // namespace
