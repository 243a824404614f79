#include "cli/update_command.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "app/manga_files.h"
#include "app/run_summary.h"
#include "app/session.h"
#include "cli/interrupt.h"
#include "cli/manga_print.h"
#include "model/file_io.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/download_worker.h"
#include "transfer/download_layout.h"
#include "transfer/page_fetch_worker.h"
#include "transfer/title_refresh.h"

namespace fs = std::filesystem;

namespace {

// Every database file under the folders, each once, in a stable order. A
// folder that cannot be listed is an error; a sub-folder that cannot be
// entered is passed over.
bool FindDatabases(const std::vector<fs::path>& roots, std::vector<fs::path>& found, CliEnv& env)
{
    std::set<fs::path> unique;
    for (const fs::path& root : roots) {
        std::error_code error;
        if (!fs::is_directory(root, error)) {
            env.err << "zumr-cli: нет такой папки: " << Utf16ToUtf8(Utf16FromPath(root)) << "\n";
            return false;
        }
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            std::string extension = it->path().extension().string();
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            std::error_code typeError;
            if (extension == ".zdb" && it->is_regular_file(typeError))
                unique.insert(fs::absolute(it->path(), typeError).lexically_normal());
        }
        if (error) {
            env.err << "zumr-cli: не удалось прочитать папку " << Utf16ToUtf8(Utf16FromPath(root)) << ": "
                    << error.message() << "\n";
            return false;
        }
    }
    found.assign(unique.begin(), unique.end());
    return true;
}

// What the workers reported that went wrong, by row.
struct RunReport {
    std::map<int32_t, std::vector<int32_t>> errors;
    std::vector<std::string> boxes;
};

// The one place this command meets the worker plumbing: runs `worker` on the
// session's record (the session must be the main window) and keeps what went wrong.
RunReport RunQuietly(app::WorkerProc worker, app::Session& session)
{
    RunReport report;
    session.Run(
        worker,
        [&](const Notification& n) {
            if (n.message == UM_ERRORCODE && n.lParam != 0)
                report.errors[n.wParam].push_back(n.lParam);
        },
        [&](const app::BoxText& box) {
            report.boxes.push_back(Utf16ToUtf8(box.caption) + " " + Utf16ToUtf8(box.text));
        },
        [] {});
    return report;
}

void PrintErrors(const MangaInfo& manga, const RunReport& report, CliEnv& env)
{
    for (const std::string& box : report.boxes)
        env.err << "    " << box << "\n";
    for (const auto& [row, codes] : report.errors) {
        const std::string label = RowLabel(manga, row);
        for (const int32_t code : codes)
            env.err << "    " << label << ": ошибка: " << Utf16ToUtf8(ErrorCodeText(code)) << " (" << code << ")\n";
    }
}

std::string NewChaptersText(int32_t count)
{
    return CountText(count, "новая глава", "новые главы", "новых глав");
}

std::string PagesText(int32_t count)
{
    return CountText(count, "страница", "страницы", "страниц");
}

struct Totals {
    int32_t mangas = 0;
    int32_t newChapters = 0;
    int32_t pages = 0;
    int32_t failed = 0;
    bool interrupted = false;
};

std::string RefreshFailureText(const TitleRefresh& refresh)
{
    switch (refresh.failure) {
    case RefreshFailure::NoAddress:
        return "в базе нет адреса манги";
    case RefreshFailure::Transfer:
        return "страница манги недоступна: " + Utf16ToUtf8(ErrorCodeText(refresh.curlCode)) + " (" +
               std::to_string(refresh.curlCode) + ")";
    default:
        return "на странице манги не найдено ни названия, ни глав (" + std::to_string(refresh.parseCode) + ")";
    }
}

// One manga: its line on `out`, details on `err`.
void UpdateOne(const fs::path& file, bool dryRun, Totals& totals, CliEnv& env)
{
    ++totals.mangas;
    const std::u16string path = Utf16FromPath(file);
    app::Session session;
    app::MainWindowScope scope(session);
    MangaInfo& manga = session.Manga();
    const int loaded = app::LoadDatabase(manga, path);
    std::string title = Utf16ToUtf8(Utf16FromPath(file.filename()));
    if (!app::LoadUsable(loaded)) {
        // A damaged file is never written over: it may be all the user has.
        env.out << title << ": не удалось прочитать базу (" << loaded << ")\n";
        ++totals.failed;
        return;
    }
    if (manga.Name)
        title = Utf16ToUtf8(*manga.Name);

    const TitleRefresh refresh = Curl_RefreshManga(manga);
    if (Interrupt_Requested()) {
        totals.interrupted = true;
        return;
    }
    if (refresh.failure != RefreshFailure::None) {
        env.out << title << ": " << RefreshFailureText(refresh) << "\n";
        ++totals.failed;
        return;
    }
    if (manga.Name)
        title = Utf16ToUtf8(*manga.Name);
    const int32_t fresh = static_cast<int32_t>(refresh.counts.newChapters.size());
    totals.newChapters += fresh;
    const std::string news = NewChaptersText(fresh);
    if (dryRun) {
        env.out << title << ": " << (fresh == 0 ? "нового нет" : news) << "\n";
        for (const int32_t index : refresh.counts.newChapters)
            env.out << "    " << ChapterLabel(manga.Chaps[static_cast<size_t>(index)]) << "\n";
        return;
    }

    // Only the chapters still to be scanned cost a reader page.
    RunReport scan = RunQuietly(Curl_GetChapters, session);
    RunReport download;
    const int32_t loadedBefore = app::LoadedPages(manga);
    if (!Interrupt_Requested()) {
        CurSavePath_Set(Utf16FromPath(file.parent_path()));
        download = RunQuietly(Curl_GetCommix, session);
    }
    const int32_t pages = app::LoadedPages(manga) - loadedBefore;
    totals.pages += pages;
    totals.interrupted = Interrupt_Requested();

    std::string line = fresh == 0 && pages == 0
                           ? "нового нет"
                           : (fresh == 0 ? std::string("новых глав нет") : news) + ", " + PagesText(pages);
    const int32_t missing = app::MissingPages(manga);
    bool failed = missing > 0 || !scan.errors.empty() || !download.errors.empty() || !download.boxes.empty();
    if (missing > 0)
        line += "; не хватает: " + std::to_string(missing);
    const int saved = app::SaveDatabase(manga, path);
    if (saved != 0) {
        line += "; база не сохранена: ";
        line += std::strerror(saved);
        failed = true;
    }
    if (totals.interrupted)
        line += "; прервано";
    env.out << title << ": " << line << "\n";
    if (!totals.interrupted) {
        PrintErrors(manga, scan, env);
        PrintErrors(manga, download, env);
    }
    // Pages left missing by a Ctrl+C are no failure: the next run fetches them.
    totals.failed += failed && (saved != 0 || !totals.interrupted) ? 1 : 0;
}

}  // namespace

std::string CountText(int64_t count, const char* one, const char* few, const char* many)
{
    const int64_t lastTwo = (count < 0 ? -count : count) % 100;
    const int64_t last = lastTwo % 10;
    const char* form = lastTwo >= 11 && lastTwo <= 14 ? many : last == 1 ? one : last >= 2 && last <= 4 ? few : many;
    return std::to_string(count) + " " + form;
}

int Command_Update(const UpdateArgs& args, CliEnv& env)
{
    std::vector<fs::path> roots;
    for (const std::string& folder : args.folders)
        roots.push_back(PathFromUtf16(Utf8ToUtf16(folder)));
    if (roots.empty())
        roots.push_back(PathFromUtf16(Settings_Get().DefSavePath));
    std::vector<fs::path> files;
    if (!FindDatabases(roots, files, env))
        return kExitBadInput;

    Totals totals;
    for (const fs::path& file : files) {
        if (Interrupt_Requested()) {
            totals.interrupted = true;
            break;
        }
        UpdateOne(file, args.dryRun, totals, env);
        env.out.flush();
        if (totals.interrupted)
            break;
    }

    env.out << "Итого: " << CountText(totals.mangas, "манга", "манги", "манг") << ", "
            << NewChaptersText(totals.newChapters);
    if (!args.dryRun)
        env.out << ", " << PagesText(totals.pages);
    if (totals.failed > 0)
        env.out << "; с ошибками: " << totals.failed;
    if (totals.interrupted)
        env.out << "; прервано";
    env.out << "\n";
    if (totals.interrupted)
        return kExitInterrupted;
    return totals.failed > 0 ? kExitSomeFailed : kExitOk;
}
