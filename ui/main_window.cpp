#include "ui/main_window.h"

#include <algorithm>
#include <mutex>

#include "app/manga_files.h"
#include "model/manga_db.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/download_layout.h"
#include "transfer/download_worker.h"
#include "transfer/format_wide.h"
#include "transfer/name_rules.h"
#include "transfer/page_fetch_worker.h"
#include "ui/resources.h"
#include "ui/settings_dialog.h"
#include "ui/text_format.h"

namespace ui {
namespace {

constexpr size_t kPathUnits = 259;

constexpr std::u16string_view kThreadFailedText = u"Не удалось запустить рабочий поток программы!";
constexpr std::u16string_view kLoadWhileBusyText =
    u"Невозможно загрузить базу данных прямо во время загрузки!\nСперва прерви загрузку";

Rect Resized(const Rect& base, int32_t dW, int32_t dH)
{
    return Rect{base.left, base.top, base.left + std::max(0, base.Width() + dW),
                base.top + std::max(0, base.Height() + dH)};
}

}  // namespace

MainWindow::MainWindow(WindowView& view, ListView& list, std::function<void()> wake)
    : view_(view),
      session_(std::move(wake), [&view](std::function<void()> body) { return view.StartThread(std::move(body)); }),
      list_(list, view, session_.Manga())
{
}

MainWindow::~MainWindow() = default;

void MainWindow::Enable(int id, bool enabled)
{
    if (id == kIdOk)
        okEnabled_ = enabled;
    view_.EnableControl(id, enabled);
}

void MainWindow::OnCreate()
{
    const AppSettings settings = Settings_Get();
    const Size screen = view_.ScreenSize();
    const Rect first = view_.WindowRect();
    // A window closed while minimised or dragged off the top or left edge
    // saved a position no one could reach again.
    const bool fits = settings.WindowX >= 0 && settings.WindowY >= 0 && settings.WindowW > 0 &&
                      settings.WindowH > 0 &&
                      int64_t{settings.WindowX} + settings.WindowW < screen.width &&
                      int64_t{settings.WindowY} + settings.WindowH < screen.height;
    if (fits)
        view_.SetWindowRect(Rect{settings.WindowX, settings.WindowY, settings.WindowX + settings.WindowW,
                                 settings.WindowY + settings.WindowH});
    Settings_Update([&first](AppSettings& s) {
        s.WindowW = first.Width();
        s.WindowH = first.Height();
    });
}

void MainWindow::OnInitDialog()
{
    OnSizing(view_.WindowRect());
    bKeepRunning = 1;
    Enable(kIdStart, false);
    Enable(kIdCancel, false);
    const AppSettings settings = Settings_Get();
    list_.SetUp(settings);
    view_.SetControlText(kIdSavePath, settings.DefSavePath);
}

void MainWindow::OnSizing(const Rect& rect)
{
    if (!layout_.taken) {
        const AppSettings settings = Settings_Get();
        layout_.taken = true;
        layout_.windowW = settings.WindowW;
        layout_.windowH = settings.WindowH;
        layout_.list = view_.ControlRect(kIdChapterList);
        layout_.description = view_.ControlRect(kIdDescription);
        layout_.url = view_.ControlRect(kIdUrl);
        layout_.savePath = view_.ControlRect(kIdSavePath);
        layout_.ok = view_.ControlRect(kIdOk);
        layout_.browse = view_.ControlRect(kIdBrowse);
    }
    const int32_t dW = rect.Width() - layout_.windowW;
    const int32_t dH = rect.Height() - layout_.windowH;
    auto resize = [this](int id, const std::optional<Rect>& base, int32_t w, int32_t h) {
        if (base) {
            const Rect sized = Resized(*base, w, h);
            view_.ResizeControl(id, sized.Width(), sized.Height());
        }
    };
    auto move = [this](int id, const std::optional<Rect>& base, int32_t dx) {
        if (base)
            view_.MoveControl(id, base->left + dx, base->top);
    };
    resize(kIdChapterList, layout_.list, dW, dH);
    resize(kIdDescription, layout_.description, dW, 0);
    resize(kIdUrl, layout_.url, dW, 0);
    resize(kIdSavePath, layout_.savePath, dW, 0);
    move(kIdOk, layout_.ok, dW);
    move(kIdBrowse, layout_.browse, dW);
    Settings_Update([&rect](AppSettings& s) {
        s.WindowW = rect.Width();
        s.WindowH = rect.Height();
    });
}

void MainWindow::OnCommand(int id)
{
    switch (id) {
    case kIdOk:
        Ok();
        break;
    case kIdCancel:
        Cancel();
        break;
    case kIdBrowse:
        Browse();
        break;
    case kIdStart:
        Start();
        break;
    case kCmdLoadDb:
        LoadDatabase();
        break;
    case kCmdSaveDb:
        SaveDatabase();
        break;
    case kCmdExit:
        view_.RequestClose();
        break;
    case kCmdSettings:
        OpenSettings();
        break;
    default:
        break;
    }
}

void MainWindow::StartWorker(app::WorkerProc worker)
{
    if (session_.Start(worker))
        return;
    view_.ShowBox(kThreadFailedText, LoadStr(kStrError), BoxButtons::Ok, BoxIcon::Error);
    Enable(kIdOk, true);
    Enable(kIdStart, true);
    Enable(kIdCancel, false);
}

void MainWindow::Ok()
{
    // Enter reaches here even while the button is disabled, between the end
    // of a worker and its last notification.
    if (WorkerRunning() || !okEnabled_)
        return;
    Enable(kIdOk, false);
    Enable(kIdStart, false);
    Enable(kIdCancel, true);
    list_.Clear();
    MangaInfo& manga = Manga();
    MangaInfo_Free(&manga);
    std::string url = Utf16ToUtf8(view_.ControlText(kIdUrl));
    manga.UrlSize = static_cast<int32_t>(url.size() + 1);
    manga.Url = std::move(url);
    StartWorker(Curl_GetManga);
}

void MainWindow::Start()
{
    CurSavePath_Set(CutUnits(view_.ControlText(kIdSavePath), kPathUnits));
    if (WorkerRunning())
        return;
    Enable(kIdOk, false);
    Enable(kIdStart, false);
    Enable(kIdCancel, true);
    StartWorker(Curl_GetCommix);
}

void MainWindow::WaitForWorkers()
{
    session_.WaitForWorkers([this] { view_.ProcessSystemEvents(); });
}

void MainWindow::Cancel()
{
    session_.Cancel([this] { view_.ProcessSystemEvents(); });
}

void MainWindow::Browse()
{
    const std::u16string initial = view_.ControlText(kIdSavePath);
    const std::optional<std::u16string> chosen = view_.PickFolder(initial);
    if (!chosen)
        return;
    view_.SetControlText(kIdSavePath, *chosen);
    bool scanned = false;
    {
        // The page-fetch worker may be replacing the record's address.
        std::lock_guard<std::mutex> guard(Manga().ListLock);
        scanned = Manga().Url.has_value();
    }
    if (scanned)
        return;
    if (view_.ShowBox(LoadStr(kStrAskDefaultPath), LoadStr(kStrQuestion), BoxButtons::YesNo, BoxIcon::Question) ==
        BoxAnswer::Yes) {
        const std::u16string path = CutUnits(*chosen, kPathUnits);
        Settings_Update([&path](AppSettings& s) { s.DefSavePath = path; });
    }
}

void MainWindow::MangaLoaded()
{
    list_.Fill();
    const MangaInfo& manga = Manga();
    view_.SetDescription(manga.Desc ? std::string_view(*manga.Desc) : std::string_view());
    CurSavePath_Set(app::MangaFolder(Settings_Get().DefSavePath, manga.Name));
    view_.SetControlText(kIdSavePath, CurSavePath_Get());
    Enable(kIdStart, true);
}

void MainWindow::WorkerDone()
{
    Enable(kIdOk, true);
    Enable(kIdStart, true);
    if (!WorkerRunning())
        Enable(kIdCancel, false);
}

void MainWindow::OnNotification(uint32_t message, int32_t wParam, int32_t lParam)
{
    switch (message) {
    case UM_MANGALOADED:
        MangaLoaded();
        break;
    case UM_UPDATELLW:
    case UM_PROGRESS:
    case UM_ERRORCODE:
        list_.Update(message, wParam, lParam);
        break;
    case UM_WORKERDONE:
        WorkerDone();
        break;
    case app::kWorkerThreadEnded:
        if (lParam == app::kWorkerNotStarted)
            WorkerDone();
        break;
    default:
        break;
    }
}

void MainWindow::OnWake()
{
    session_.Drain([this](const Notification& n) { OnNotification(n.message, n.wParam, n.lParam); },
                   [this](const app::BoxText& box) {
                       view_.ShowBox(box.text, box.caption, BoxButtons::Ok, BoxIcon::None);
                   });
}

// Load and save replace or read the whole record: also a worker whose thread
// has started but not yet marked the record busy would see it change.
void MainWindow::LoadDatabase()
{
    if (session_.ThreadsBusy()) {
        view_.ShowBox(kLoadWhileBusyText, LoadStr(kStrNotice), BoxButtons::Ok, BoxIcon::Information);
        return;
    }
    const std::optional<std::u16string> path = view_.PickFileToOpen(view_.ControlText(kIdSavePath));
    if (!path)
        return;
    list_.Clear();
    MangaInfo& manga = Manga();
    const int result = app::LoadDatabase(manga, *path);
    if (result != kMangaDbOk && result != kMangaDbBadTerminator)
        view_.ShowBox(app::LoadProblemText(result, *path), LoadStr(kStrWarning), BoxButtons::Ok, BoxIcon::Warning);
    OnNotification(UM_MANGALOADED, 0, 0);
    for (int32_t i = 0; i < manga.ChapCnt(); ++i)
        if (!manga.Chaps[static_cast<size_t>(i)].Url)
            OnNotification(UM_UPDATELLW, i, 0);
}

void MainWindow::SaveDatabase()
{
    if (session_.ThreadsBusy()) {
        view_.ShowBox(LoadStr(kStrSaveWhileBusy), LoadStr(kStrNotice), BoxButtons::Ok, BoxIcon::Information);
        return;
    }
    const std::optional<std::u16string> path =
        app::DatabasePath(CutUnits(view_.ControlText(kIdSavePath), kPathUnits), Manga().Name);
    if (!path)
        return;
    const int result = app::SaveDatabase(Manga(), *path);
    if (result != 0)
        view_.ShowBox(app::SaveProblemText(result, *path), LoadStr(kStrError), BoxButtons::Ok, BoxIcon::Error);
}

void MainWindow::OpenSettings()
{
    SettingsDialog dialog;
    view_.RunSettingsDialog(dialog);
}

void MainWindow::OnClose()
{
    bKeepRunning = 0;
    const Rect rect = view_.WindowRect();
    Settings_Update([this, &rect](AppSettings& s) {
        s.WindowX = rect.left;
        s.WindowY = rect.top;
        s.WindowW = rect.Width();
        s.WindowH = rect.Height();
        list_.SaveColumnWidths(s);
    });
    WaitForWorkers();
}

void MainWindow::OnDestroy()
{
    bKeepRunning = 0;
    WaitForWorkers();
    MangaInfo_Free(&Manga());
    view_.PostQuit(0);
}

}  // namespace ui
