#pragma once
// The manga the demo site serves: its title page, its chapters' reader pages
// and its pictures, all generated from a few numbers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The page layout the site serves: the one the program was designed on, or
// the sites' own of 2016 or of 2024 (as a browser saves it).
enum class DemoLayout : uint8_t { Designed, Y2016, Y2024 };

// "designed", "2016", "2024"; nullopt for anything else.
std::optional<DemoLayout> DemoLayout_FromName(std::string_view name);

struct DemoOptions {
    int chapters = 6;
    int pagesPerChapter = 4;
    int chaptersPerVolume = 3;
    int imageBytes = 0;  // about this many bytes per page picture; 0 = small pictures
    DemoLayout layout = DemoLayout::Designed;
};

// One chapter as the title page lists it.
struct DemoChapter {
    int Vol = 0;
    int Num = 0;
    std::optional<std::string> Title;  // UTF-8 title after the numbers, entities already decoded
    std::string LinkTitle;             // the title as the page writes it (with entities)
    bool callForm = false;             // designed reader page uses rm_h.init( rather than var pictures
    bool extra = false;                // 2024: listed as "V Экстра", which is also its title
};

class DemoManga {
public:
    static constexpr const char* kTitlePath = "/zumr_demo";
    static constexpr const char* kName = "Демонстрационная манга";
    static constexpr const char* kEngName = "Zumr Demo Manga";
    static constexpr const char* kJpName = "ズムル・デモ";  // the original name of the sites' own layouts
    static constexpr int kCoverCount = 2;

    explicit DemoManga(DemoOptions options);

    const DemoOptions& Options() const { return options_; }
    const std::vector<DemoChapter>& Chapters() const { return chapters_; }  // oldest first

    // host is "http://127.0.0.1:PORT" (no trailing slash).
    std::string TitlePage(const std::string& host) const;

    // The reader page of the chapter with these numbers; nullopt when there is none.
    // `token` is put into the call form's picture addresses as a query, the way
    // the sites hand out addresses that change at every visit.
    std::optional<std::string> ReaderPage(const std::string& host, int vol, int num, unsigned token) const;

    // Site paths of a page picture and of a cover.
    static std::string ImagePath(int vol, int num, int page);
    static std::string CoverPath(int cover);
    // The file name a picture address ends with (before any query).
    static std::string ImageFileName(int page);
    static std::string CoverFileName(int cover);

    // Picture bytes. Same arguments, same bytes.
    std::string PagePng(int vol, int num, int page) const;
    std::string CoverPng(int cover) const;

private:
    const DemoChapter* Find(int vol, int num) const;

    DemoOptions options_;
    std::vector<DemoChapter> chapters_;
};
