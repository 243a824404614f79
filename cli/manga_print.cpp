#include "cli/manga_print.h"

#include <mutex>

#include "app/manga_files.h"
#include "cli/manga_json.h"
#include "model/text_codec.h"
#include "transfer/notifications.h"

namespace {

// Positions right-aligned in four columns, as the lists are usually short.
std::string Position(int32_t index)
{
    const std::string number = std::to_string(index + 1);
    return std::string(number.size() < 4 ? 4 - number.size() : 0, ' ') + number + ". ";
}

}  // namespace

std::string ChapterLabel(const ChapterInfo& chapter)
{
    // Built by appending: g++ 12 at -O3 warns wrongly about chained + on strings.
    std::string label = "том ";
    label += std::to_string(chapter.Vol);
    label += ", глава ";
    label += std::to_string(chapter.Num);
    if (chapter.Name) {
        label += ' ';
        label += Utf16ToUtf8(*chapter.Name);
    }
    return label;
}

std::string RowLabel(const MangaInfo& manga, int32_t row)
{
    return row >= 0 && row < manga.ChapCnt() ? ChapterLabel(manga.Chaps[static_cast<size_t>(row)])
                                             : std::string("обложки");
}

void PrintTitles(const MangaInfo& manga, std::ostream& out)
{
    std::lock_guard<std::mutex> guard(manga.ListLock);
    out << "Адрес:      " << BytesToUtf8(manga.Url.value_or("")) << "\n";
    if (manga.Name)
        out << "Название:   " << Utf16ToUtf8(*manga.Name) << "\n";
    if (manga.EngName)
        out << "Английское: " << Utf16ToUtf8(*manga.EngName) << "\n";
    if (manga.JpName)
        out << "Оригинал:   " << Utf16ToUtf8(*manga.JpName) << "\n";
    out << "Обложки:    " << manga.CoverCnt() << "\n";
    out << "Главы:      " << manga.ChapCnt() << "\n";
    out.flush();
}

void PrintChapterList(const MangaInfo& manga, const std::map<int32_t, std::vector<int32_t>>& errors,
                      std::ostream& out)
{
    for (int32_t i = 0; i < manga.ChapCnt(); ++i) {
        const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(i)];
        out << Position(i) << ChapterLabel(chapter) << " — ";
        if (chapter.Url)
            out << "страницы не прочитаны";
        else
            out << chapter.PageCnt() << " стр.";
        out << "\n";
        auto found = errors.find(i);
        if (found != errors.end())
            for (const int32_t code : found->second)
                out << "        ошибка: " << Utf16ToUtf8(ErrorCodeText(code)) << " (" << code << ")\n";
    }
}

void PrintDatabase(const MangaInfo& manga, const std::string& file, int loadResult, bool pages, std::ostream& out)
{
    out << "Файл:       " << file << "\n";
    out << "Загрузка:   " << loadResult << " (" << Utf16ToUtf8(app::LoadResultText(loadResult)) << ")\n";
    PrintTitles(manga, out);
    out << "Описание:   " << (manga.Desc ? std::to_string(manga.Desc->size()) + " байт RTF" : "нет") << "\n";
    out << "Обложки " << (manga.bSkipCovers ? "[ ]" : "[x]") << ":\n";
    for (const CoverInfo& cover : manga.Covers)
        out << "      " << BytesToUtf8(cover.Url.value_or("(нет адреса)")) << "\n";
    for (int32_t i = 0; i < manga.ChapCnt(); ++i) {
        const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(i)];
        int32_t loaded = 0;
        for (const PageInfo& page : chapter.Pages)
            loaded += page.bLoaded ? 1 : 0;
        out << Position(i) << (chapter.bSkip ? "[ ] " : "[x] ") << ChapterLabel(chapter) << " — ";
        if (chapter.Url)
            out << "страницы не прочитаны";
        else
            out << "на диске " << loaded << "/" << chapter.PageCnt() << " стр.";
        out << "\n";
        if (pages)
            for (const PageInfo& page : chapter.Pages)
                out << "        " << (page.bLoaded ? "[на диске] " : "[нет]      ")
                    << BytesToUtf8(page.Url.value_or("(нет адреса)")) << "\n";
    }
}
