#pragma once
// The files a download of the demo manga leaves, for the end-to-end tests of
// the programs that download it.

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tools/demo_site/demo_server.h"

using DemoFileMap = std::map<std::string, std::string>;  // path under the manga folder -> bytes

// Every file under `root` but the database file.
inline DemoFileMap ReadDemoTree(const std::filesystem::path& root)
{
    DemoFileMap files;
    if (std::filesystem::exists(root))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file() && entry.path().extension() != ".zdb")
                files[std::filesystem::relative(entry.path(), root).string()] = ReadFileBytes(entry.path());
    return files;
}

// What the site serves for the chapters numbered `chapterNums`, laid out as
// the default settings name it: book<Vol>/ch<Num>-<title>, characters no file
// name may hold as "'".
inline DemoFileMap ExpectedDemoFiles(const DemoServer& server, const std::vector<int>& chapterNums, bool covers)
{
    DemoFileMap files;
    for (const DemoChapter& chapter : server.Manga().Chapters()) {
        if (std::find(chapterNums.begin(), chapterNums.end(), chapter.Num) == chapterNums.end())
            continue;
        std::string folder = "book" + std::to_string(chapter.Vol) + "/ch" + std::to_string(chapter.Num);
        if (chapter.Title)
            folder += "-" + *chapter.Title;
        for (size_t bad = folder.find_first_of("<>:*?\"|"); bad != std::string::npos;
             bad = folder.find_first_of("<>:*?\"|", bad))
            folder[bad] = '\'';
        for (int page = 0; page < server.Manga().Options().pagesPerChapter; ++page)
            files[folder + "/" + DemoManga::ImageFileName(page)] = *server.PagePng(chapter.Vol, chapter.Num, page);
    }
    for (int cover = 1; covers && cover <= DemoManga::kCoverCount; ++cover)
        files["covers/" + DemoManga::CoverFileName(cover)] = *server.CoverPng(cover);
    return files;
}
