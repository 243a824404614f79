#include "cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "app/manga_files.h"
#include "app/run_summary.h"
#include "app/session.h"
#include "cli/chapter_list.h"
#include "cli/interrupt.h"
#include "cli/manga_json.h"
#include "cli/manga_print.h"
#include "cli/progress_view.h"
#include "model/file_io.h"
#include "model/manga_db.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/download_layout.h"
#include "transfer/download_worker.h"
#include "transfer/file_names.h"
#include "transfer/name_rules.h"
#include "transfer/page_fetch_worker.h"

namespace {

using Clock = ProgressView::Clock;

std::string U8(const std::u16string& text)
{
    return Utf16ToUtf8(text);
}

std::u16string U16(const std::string& text)
{
    return Utf8ToUtf16(text);
}

// Saves the record, creating the folder first (nothing may have been
// downloaded into it yet). Prints where it went.
bool SaveDatabase(const MangaInfo& manga, const std::u16string& path, CliEnv& env)
{
    const std::filesystem::path file = PathFromUtf16(path);
    std::error_code error;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), error);
    const int result = app::SaveDatabase(manga, path);
    if (result != 0) {
        env.err << "zumr-cli: " << U8(app::SaveProblemText(result, path)) << "\n";
        return false;
    }
    env.out << "База сохранена: " << U8(path) << "\n";
    return true;
}

struct ScanOutcome {
    int boxes = 0;
    std::map<int32_t, std::vector<int32_t>> errors;  // chapter index -> codes, in order
};

// The page-fetch worker on `address`, with a live count of scanned chapters
// on a terminal.
ScanOutcome RunScan(app::Session& session, const std::string& address, CliEnv& env)
{
    MangaInfo& manga = session.Manga();
    manga.Url = address;
    manga.UrlSize = static_cast<int32_t>(address.size() + 1);
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
    session.Run(
        Curl_GetManga,
        [&](const Notification& n) {
            switch (n.message) {
            case UM_MANGALOADED: {
                PrintTitles(manga, env.out);
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
            default:
                break;
            }
        },
        [&](const app::BoxText& box) {
            clearLive();
            ++outcome.boxes;
            env.err << U8(box.caption) << " " << U8(box.text) << "\n";
        },
        [] {});
    clearLive();
    return outcome;
}

int LoadDatabase(MangaInfo& manga, const std::string& file, CliEnv& env)
{
    const int result = app::LoadDatabase(manga, U16(file));
    if (!app::LoadUsable(result))
        env.err << "zumr-cli: файл " << file << " " << U8(app::LoadResultText(result)) << " (" << result << ")\n";
    return result;
}

// What the progress lines need to know of each row. The worker reads the
// lists under the lock too, and never changes them during a download; the
// lock keeps the reads here honest all the same.
ProgressRows DownloadRows(const MangaInfo& manga, const std::u16string& savePath)
{
    const PageNaming naming = PageNaming_FromSettings(Settings_Get());
    // The worker names the files of a folder from all of its addresses at once.
    auto pageNames = std::make_shared<std::vector<std::vector<std::u16string>>>();
    for (const ChapterInfo& chapter : manga.Chaps)
        pageNames->push_back(PageFileNames(chapter.Pages, naming.bAddCntToPages));
    auto coverNames = std::make_shared<const std::vector<std::u16string>>(CoverFileNames(manga.Covers));

    ProgressRows rows;
    rows.label = [&manga](int32_t row) {
        std::lock_guard<std::mutex> guard(manga.ListLock);
        return RowLabel(manga, row);
    };
    rows.total = [&manga](int32_t row) {
        std::lock_guard<std::mutex> guard(manga.ListLock);
        return row >= 0 && row < manga.ChapCnt() ? manga.Chaps[static_cast<size_t>(row)].PageCnt() : manga.CoverCnt();
    };
    rows.itemName = [&manga](int32_t row) {
        return std::string(row >= 0 && row < manga.ChapCnt() ? "стр." : "обложка");
    };
    rows.itemBytes = [&manga, savePath, naming, pageNames, coverNames](int32_t row, int32_t done) -> uint64_t {
        std::lock_guard<std::mutex> guard(manga.ListLock);
        if (row >= 0 && row < manga.ChapCnt()) {
            const ChapterInfo& chapter = manga.Chaps[static_cast<size_t>(row)];
            if (done < 1 || done > chapter.PageCnt())
                return 0;
            const std::u16string& name = (*pageNames)[static_cast<size_t>(row)][static_cast<size_t>(done - 1)];
            return name.empty() ? 0
                                : app::FileSize(PageFilePath(savePath, naming, chapter.Vol, chapter.Num, chapter.Name, name));
        }
        if (done < 1 || done > manga.CoverCnt())
            return 0;
        const std::u16string& name = (*coverNames)[static_cast<size_t>(done - 1)];
        return name.empty() ? 0 : app::FileSize(CoverFilePath(savePath, name));
    };
    rows.itemsTotal = manga.bSkipCovers ? 0 : manga.CoverCnt();
    for (const ChapterInfo& chapter : manga.Chaps)
        rows.itemsTotal += chapter.bSkip ? 0 : chapter.PageCnt();
    return rows;
}

// Runs the download worker with live progress; returns whether any item failed.
bool RunDownload(app::Session& session, const std::u16string& savePath, CliEnv& env)
{
    MangaInfo& manga = session.Manga();
    ProgressView view(env.out, env.terminal, DownloadRows(manga, savePath));
    const Clock::time_point started = Clock::now();
    session.Run(
        Curl_GetCommix,
        [&](const Notification& n) {
            switch (n.message) {
            case UM_PROGRESS:
                view.OnProgress(n.wParam, n.lParam, n.posted);
                break;
            case UM_UPDATELLW:
                view.OnUpdate(n.wParam, n.lParam, n.posted);
                break;
            case UM_ERRORCODE:
                view.OnError(n.wParam, n.lParam);
                break;
            default:
                break;
            }
        },
        [&](const app::BoxText& box) { view.OnBox(U8(box.caption), U8(box.text)); }, [&] { view.Tick(Clock::now()); });
    view.Finish(Clock::now());
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();

    const int32_t missing = app::MissingItems(manga, savePath);
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f", seconds);
    env.out << "Скачано " << ProgressView::FormatBytes(view.BytesTransferred()) << " за " << secondsText << " с";
    if (seconds > 0.001 && view.BytesTransferred() > 0)
        env.out << " (" << ProgressView::FormatRate(static_cast<double>(view.BytesTransferred()) / seconds) << ")";
    env.out << "; не хватает: " << missing << "\n";
    return view.Errors() > 0 || missing > 0;
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
    app::Session session;
    app::MainWindowScope scope(session);
    const MangaInfo& manga = session.Manga();
    const ScanOutcome outcome = RunScan(session, args.address, env);
    PrintChapterList(manga, outcome.errors, env.out);

    bool failed = outcome.boxes > 0 || !outcome.errors.empty();
    for (const ChapterInfo& chapter : manga.Chaps)
        failed = failed || chapter.Url.has_value();

    std::optional<std::u16string> dbPath;
    if (args.db)
        dbPath = U16(*args.db);
    else
        dbPath = app::DatabasePath(app::MangaFolder(Settings_Get().DefSavePath, manga.Name), manga.Name);
    if (!dbPath) {
        env.err << "zumr-cli: страница не дала названия манги, по которому назвать файл базы; укажите --db ФАЙЛ\n";
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

    app::Session session;
    app::MainWindowScope scope(session);
    MangaInfo& manga = session.Manga();
    bool failed = false;
    ScanOutcome scan;
    if (LooksLikeAddress(args.source)) {
        scan = RunScan(session, args.source, env);
        failed = scan.boxes > 0;
    } else {
        if (!app::LoadUsable(LoadDatabase(manga, args.source, env)))
            return kExitBadInput;
        PrintTitles(manga, env.out);
    }

    const std::u16string savePath =
        app::MangaFolder(args.out ? U16(*args.out) : Settings_Get().DefSavePath, manga.Name);
    const std::optional<std::u16string> dbPath = app::DatabasePath(savePath, manga.Name);
    const auto finish = [&](bool someFailed) {
        if (!dbPath)
            env.err << "zumr-cli: у манги нет названия, по которому назвать файл базы; ничего не сохранено\n";
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
    failed = RunDownload(session, savePath, env) || failed;
    return finish(failed);
}

int Command_Info(const InfoArgs& args, CliEnv& env)
{
    MangaInfo manga;
    const int result = LoadDatabase(manga, args.file, env);
    if (args.json) {
        env.out << MangaInfo_ToJson(manga, result).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                << "\n";
        return app::LoadUsable(result) ? kExitOk : kExitBadInput;
    }
    if (result == kMangaDbNotDatabase || result > 0)
        return kExitBadInput;
    PrintDatabase(manga, args.file, result, args.pages, env.out);
    return app::LoadUsable(result) ? kExitOk : kExitBadInput;
}
