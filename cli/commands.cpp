#include "cli/commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "cli/chapter_list.h"
#include "cli/cli_window.h"
#include "cli/interrupt.h"
#include "cli/manga_json.h"
#include "cli/progress_view.h"
#include "cli/worker_run.h"
#include "model/file_io.h"
#include "model/manga_db.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/download_worker.h"
#include "transfer/file_names.h"
#include "transfer/output_paths.h"
#include "transfer/page_fetch_worker.h"

namespace {

using Clock = ProgressView::Clock;

// Makes `window` the main window for as long as it lives.
class WindowScope {
public:
    explicit WindowScope(CliWindow& window) { hMainWnd.store(&window, std::memory_order_release); }
    ~WindowScope() { hMainWnd.store(nullptr, std::memory_order_release); }
    WindowScope(const WindowScope&) = delete;
    WindowScope& operator=(const WindowScope&) = delete;
};

std::string U8(const std::u16string& text)
{
    return Utf16ToUtf8(text);
}

std::u16string U16(const std::string& text)
{
    return Utf8ToUtf16(text);
}

std::string ChapterLabel(const ChapterInfo& chapter)
{
    // Built by appending: g++ 12 at -O3 warns wrongly about chained + on strings.
    std::string label = "том ";
    label += std::to_string(chapter.Vol);
    label += ", глава ";
    label += std::to_string(chapter.Num);
    if (chapter.Name) {
        label += ' ';
        label += U8(*chapter.Name);
    }
    return label;
}

std::string LoadResultText(int result)
{
    switch (result) {
    case kMangaDbOk:
        return "read completely";
    case kMangaDbBadTerminator:
        return "reading stopped at a damaged chunk after all announced items";
    case kMangaDbNotDatabase:
        return "not a manga database file";
    case kMangaDbMissingCovers:
        return "cut short: covers are missing";
    case kMangaDbMissingChapters:
        return "cut short: chapters or pages are missing";
    case kMangaDbDamaged:
        return "damaged or cut short";
    default:
        return result > 0 ? std::strerror(result) : "unknown result " + std::to_string(result);
    }
}

bool LoadUsable(int result)
{
    return result == kMangaDbOk || result == kMangaDbBadTerminator;
}

// The database file beside the chapter folders: <save path>/<cleaned Name>.zdb.
std::optional<std::u16string> DatabasePath(const std::u16string& savePath, const OptU16String& name)
{
    if (!name)
        return std::nullopt;
    std::u16string path = savePath;
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    path += CleanPathComponent(*name, u'_') + u".zdb";
    return path;
}

// Saves the record, creating the folder first (nothing may have been
// downloaded into it yet). Prints where it went.
bool SaveDatabase(const MangaInfo& manga, const std::u16string& path, CliEnv& env)
{
    const std::filesystem::path file = PathFromUtf16(path);
    std::error_code error;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), error);
    const int result = MangaDB_Save(manga, path);
    if (result != 0) {
        env.err << "zumr-cli: cannot save the database file " << U8(path) << ": " << std::strerror(result) << "\n";
        return false;
    }
    env.out << "База сохранена: " << U8(path) << "\n";
    return true;
}

struct ScanOutcome {
    int boxes = 0;
    std::map<int32_t, std::vector<int32_t>> errors;  // chapter index -> codes, in order
};

void PrintBox(const CliBox& box, CliEnv& env)
{
    env.err << U8(box.caption) << " " << U8(box.text) << "\n";
}

void PrintTitles(const MangaInfo& manga, CliEnv& env)
{
    std::lock_guard<std::mutex> guard(manga.ListLock);
    env.out << "Адрес:      " << BytesToUtf8(manga.Url.value_or("")) << "\n";
    if (manga.Name)
        env.out << "Название:   " << U8(*manga.Name) << "\n";
    if (manga.EngName)
        env.out << "English:    " << U8(*manga.EngName) << "\n";
    if (manga.JpName)
        env.out << "Оригинал:   " << U8(*manga.JpName) << "\n";
    env.out << "Обложки:    " << manga.CoverCnt() << "\n";
    env.out << "Главы:      " << manga.ChapCnt() << "\n";
    env.out.flush();
}

// The page-fetch worker on `address`, with a live count of scanned chapters
// on a terminal.
ScanOutcome RunScan(MangaInfo& manga, const std::string& address, CliEnv& env)
{
    manga.Url = address;
    manga.UrlSize = static_cast<int32_t>(address.size() + 1);
    CliWindow window;
    WindowScope scope(window);
    ScanOutcome outcome;
    int32_t scanned = 0;
    int32_t total = 0;
    bool liveLine = false;
    const auto drawLive = [&] {
        if (!env.terminal || total == 0)
            return;
        env.out << "\r\033[Kчтение глав: " << scanned << "/" << total << std::flush;
        liveLine = true;
    };
    const auto clearLive = [&] {
        if (liveLine) {
            env.out << "\r\033[K" << std::flush;
            liveLine = false;
        }
    };
    RunWorker(
        Curl_GetManga, manga, window,
        [&](const Notification& n) {
            switch (n.message) {
            case UM_MANGALOADED: {
                PrintTitles(manga, env);
                std::lock_guard<std::mutex> guard(manga.ListLock);
                for (const ChapterInfo& chapter : manga.Chaps)
                    total += chapter.Url ? 1 : 0;
                break;
            }
            case UM_UPDATELLW:
                ++scanned;
                drawLive();
                break;
            case UM_ERRORCODE:
                if (n.lParam != 0)
                    outcome.errors[n.wParam].push_back(n.lParam);
                break;
            case kCliBoxShown:
                clearLive();
                ++outcome.boxes;
                PrintBox(window.Box(n.wParam), env);
                break;
            default:
                break;
            }
        },
        [] {});
    clearLive();
    return outcome;
}

void PrintChapterList(const MangaInfo& manga, const ScanOutcome& outcome, CliEnv& env)
{
    for (int32_t i = 0; i < manga.ChapCnt(); ++i) {
        const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(i)];
        env.out << (i + 1 < 10 ? "   " : i + 1 < 100 ? "  " : i + 1 < 1000 ? " " : "") << i + 1 << ". "
                << ChapterLabel(chapter) << " — ";
        if (chapter.Url)
            env.out << "страницы не прочитаны";
        else
            env.out << chapter.PageCnt() << " стр.";
        env.out << "\n";
        auto found = outcome.errors.find(i);
        if (found != outcome.errors.end())
            for (const int32_t code : found->second)
                env.out << "        ошибка: " << U8(ErrorCodeText(code)) << " (" << code << ")\n";
    }
}

std::u16string DefaultSaveRoot(const std::optional<std::string>& out)
{
    return out ? U16(*out) : Settings_Get().DefSavePath;
}

int LoadDatabase(MangaInfo& manga, const std::string& file, CliEnv& env)
{
    const int result = MangaDB_Load(manga, U16(file));
    if (!LoadUsable(result))
        env.err << "zumr-cli: cannot read the database file " << file << ": " << LoadResultText(result) << " ("
                << result << ")\n";
    return result;
}

// What is still missing of the chosen items once the download worker ended.
int32_t MissingItems(const MangaInfo& manga, const std::u16string& savePath)
{
    int32_t missing = 0;
    if (!manga.bSkipCovers) {
        for (const std::u16string& name : CoverFileNames(manga.Covers)) {
            std::error_code error;
            if (name.empty() || !std::filesystem::is_regular_file(PathFromUtf16(CoverFilePath(savePath, name)), error))
                ++missing;
        }
    }
    for (const ChapterInfo& chapter : manga.Chaps) {
        if (chapter.bSkip)
            continue;
        if (chapter.Url)
            ++missing;  // its page list was never read
        for (const PageInfo& page : chapter.Pages)
            missing += page.Url && !page.bLoaded ? 1 : 0;
    }
    return missing;
}

uint64_t FileSize(const std::u16string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(PathFromUtf16(path), error);
    return error ? 0 : static_cast<uint64_t>(size);
}

}  // namespace

bool LooksLikeAddress(const std::string& source)
{
    const size_t scheme = source.find("://");
    if (scheme == std::string::npos || scheme == 0)
        return false;
    for (size_t i = 0; i < scheme; ++i) {
        const char c = source[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && c >= '0' && c <= '9') || c == '+' ||
              c == '-' || c == '.'))
            return false;
    }
    return true;
}

int Command_Scan(const ScanArgs& args, CliEnv& env)
{
    MangaInfo manga;
    const ScanOutcome outcome = RunScan(manga, args.address, env);
    PrintChapterList(manga, outcome, env);

    bool failed = outcome.boxes > 0 || !outcome.errors.empty();
    for (const ChapterInfo& chapter : manga.Chaps)
        failed = failed || chapter.Url.has_value();

    std::optional<std::u16string> dbPath;
    if (args.db)
        dbPath = U16(*args.db);
    else
        dbPath = DatabasePath(MangaSavePath(Settings_Get().DefSavePath, manga.Name), manga.Name);
    if (!dbPath) {
        env.err << "zumr-cli: the page gave no manga name to name the database file after; use --db FILE\n";
        failed = true;
    } else if (!SaveDatabase(manga, *dbPath, env)) {
        failed = true;
    }
    if (Interrupt_Requested())
        return kExitInterrupted;
    return failed ? kExitSomeFailed : kExitOk;
}

int Command_Download(const DownloadArgs& args, CliEnv& env)
{
    std::vector<ChapterRange> ranges;
    if (args.chapters) {
        ChapterList list = ParseChapterList(*args.chapters);
        if (!list.error.empty()) {
            env.err << "zumr-cli: --chapters: " << list.error << "\n";
            return kExitBadInput;
        }
        ranges = std::move(list.ranges);
    }

    MangaInfo manga;
    bool failed = false;
    ScanOutcome scan;
    if (LooksLikeAddress(args.source)) {
        scan = RunScan(manga, args.source, env);
        failed = scan.boxes > 0;
    } else {
        if (!LoadUsable(LoadDatabase(manga, args.source, env)))
            return kExitBadInput;
        PrintTitles(manga, env);
    }

    const std::u16string savePath = MangaSavePath(DefaultSaveRoot(args.out), manga.Name);
    const std::optional<std::u16string> dbPath = DatabasePath(savePath, manga.Name);
    const auto finish = [&](bool someFailed) {
        if (!dbPath)
            env.err << "zumr-cli: the manga has no name to name the database file after; nothing saved\n";
        else if (!SaveDatabase(manga, *dbPath, env))
            someFailed = true;
        if (Interrupt_Requested())
            return kExitInterrupted;
        return someFailed ? kExitSomeFailed : kExitOk;
    };
    if (Interrupt_Requested())
        return finish(true);

    if (args.chapters) {
        const ChapterSelection selection = SelectChapters(ranges, manga.ChapCnt());
        if (!selection.error.empty()) {
            env.err << "zumr-cli: --chapters: " << selection.error << "\n";
            return kExitBadInput;
        }
        for (size_t i = 0; i < manga.Chaps.size(); ++i)
            manga.Chaps[i].bSkip = selection.chosen[i] ? 0 : 1;
    } else {
        for (ChapterInfo& chapter : manga.Chaps)
            chapter.bSkip = 0;
    }
    manga.bSkipCovers = args.noCovers ? 1 : 0;
    for (const auto& [index, codes] : scan.errors)
        if (!manga.Chaps[static_cast<size_t>(index)].bSkip)
            failed = true;
    for (const ChapterInfo& chapter : manga.Chaps)
        if (!chapter.bSkip && chapter.Url)
            env.out << ChapterLabel(chapter) << ": список страниц не прочитан, глава пропущена\n";

    CurSavePath_Set(savePath);
    env.out << "Папка:      " << U8(savePath) << "\n";
    env.out.flush();

    const AppSettings settings = Settings_Get();
    const PageNaming naming = PageNaming_FromSettings(settings);
    // The worker names the files of a folder from all of its addresses at once.
    std::vector<std::vector<std::u16string>> pageNames;
    for (const ChapterInfo& chapter : manga.Chaps)
        pageNames.push_back(PageFileNames(chapter.Pages, naming.bAddCntToPages));
    const std::vector<std::u16string> coverNames = CoverFileNames(manga.Covers);

    // The worker reads the lists under the lock too, and never changes them
    // during a download; the lock keeps the reads here honest all the same.
    ProgressRows rows;
    rows.label = [&](int32_t row) {
        std::lock_guard<std::mutex> guard(manga.ListLock);
        return row >= 0 && row < manga.ChapCnt() ? ChapterLabel(manga.Chaps[static_cast<size_t>(row)])
                                                 : std::string("обложки");
    };
    rows.total = [&](int32_t row) {
        std::lock_guard<std::mutex> guard(manga.ListLock);
        return row >= 0 && row < manga.ChapCnt() ? manga.Chaps[static_cast<size_t>(row)].PageCnt() : manga.CoverCnt();
    };
    rows.itemName = [&](int32_t row) { return std::string(row >= 0 && row < manga.ChapCnt() ? "стр." : "обложка"); };
    rows.itemBytes = [&](int32_t row, int32_t done) -> uint64_t {
        std::lock_guard<std::mutex> guard(manga.ListLock);
        if (row >= 0 && row < manga.ChapCnt()) {
            const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(row)];
            if (done < 1 || done > chapter.PageCnt())
                return 0;
            const std::u16string& name = pageNames[static_cast<size_t>(row)][static_cast<size_t>(done - 1)];
            return name.empty() ? 0 : FileSize(PageFilePath(savePath, naming, chapter.Vol, chapter.Num, chapter.Name, name));
        }
        if (done < 1 || done > manga.CoverCnt())
            return 0;
        const std::u16string& name = coverNames[static_cast<size_t>(done - 1)];
        return name.empty() ? 0 : FileSize(CoverFilePath(savePath, name));
    };

    rows.itemsTotal = manga.bSkipCovers ? 0 : manga.CoverCnt();
    for (const ChapterInfo& chapter : manga.Chaps)
        rows.itemsTotal += chapter.bSkip ? 0 : chapter.PageCnt();
    ProgressView view(env.out, env.terminal, rows);
    const Clock::time_point started = Clock::now();
    {
        CliWindow window;
        WindowScope scope(window);
        RunWorker(
            Curl_GetCommix, manga, window,
            [&](const Notification& n) {
                const Clock::time_point now = n.posted;
                switch (n.message) {
                case UM_PROGRESS:
                    view.OnProgress(n.wParam, n.lParam, now);
                    break;
                case UM_UPDATELLW:
                    view.OnUpdate(n.wParam, n.lParam, now);
                    break;
                case UM_ERRORCODE:
                    view.OnError(n.wParam, n.lParam);
                    break;
                case kCliBoxShown: {
                    const CliBox box = window.Box(n.wParam);
                    view.OnBox(U8(box.caption), U8(box.text));
                    break;
                }
                default:
                    break;
                }
            },
            [&] { view.Tick(Clock::now()); });
    }
    view.Finish(Clock::now());
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

    const int32_t missing = MissingItems(manga, savePath);
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f", seconds);
    env.out << "Скачано " << ProgressView::FormatBytes(view.BytesTransferred()) << " за " << secondsText << " с";
    if (seconds > 0.001 && view.BytesTransferred() > 0)
        env.out << " (" << ProgressView::FormatRate(static_cast<double>(view.BytesTransferred()) / seconds) << ")";
    env.out << "; не хватает: " << missing << "\n";
    failed = failed || view.Errors() > 0 || missing > 0;
    return finish(failed);
}

int Command_Info(const InfoArgs& args, CliEnv& env)
{
    MangaInfo manga;
    const int result = LoadDatabase(manga, args.file, env);
    if (args.json) {
        env.out << MangaInfo_ToJson(manga, result).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                << "\n";
        return LoadUsable(result) ? kExitOk : kExitBadInput;
    }
    if (result == kMangaDbNotDatabase || result > 0)
        return kExitBadInput;

    env.out << "Файл:       " << args.file << "\n";
    env.out << "Загрузка:   " << result << " (" << LoadResultText(result) << ")\n";
    PrintTitles(manga, env);
    env.out << "Описание:   " << (manga.Desc ? std::to_string(manga.Desc->size()) + " байт RTF" : "нет") << "\n";
    env.out << "Обложки " << (manga.bSkipCovers ? "[ ]" : "[x]") << ":\n";
    for (const CoverInfo& cover : manga.Covers)
        env.out << "      " << BytesToUtf8(cover.Url.value_or("(нет адреса)")) << "\n";
    for (int32_t i = 0; i < manga.ChapCnt(); ++i) {
        const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(i)];
        int32_t loaded = 0;
        for (const PageInfo& page : chapter.Pages)
            loaded += page.bLoaded ? 1 : 0;
        env.out << (i + 1 < 10 ? "   " : i + 1 < 100 ? "  " : i + 1 < 1000 ? " " : "") << i + 1 << ". "
                << (chapter.bSkip ? "[ ] " : "[x] ") << ChapterLabel(chapter) << " — ";
        if (chapter.Url)
            env.out << "страницы не прочитаны";
        else
            env.out << "на диске " << loaded << "/" << chapter.PageCnt() << " стр.";
        env.out << "\n";
        if (args.pages)
            for (const PageInfo& page : chapter.Pages)
                env.out << "        " << (page.bLoaded ? "[на диске] " : "[нет]      ")
                        << BytesToUtf8(page.Url.value_or("(нет адреса)")) << "\n";
    }
    return LoadUsable(result) ? kExitOk : kExitBadInput;
}
