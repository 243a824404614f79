#pragma once
// The main window's behaviour, toolkit-free: geometry, the sizing rule, OK,
// START, Cancel, Browse, the menu commands, the worker notifications, close
// and destruction, and which buttons are enabled when. A front end creates
// its controls from MainWindowTemplate(), implements WindowView and ListView,
// and forwards its events to the On... calls below on the window's thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/session.h"
#include "model/manga_info.h"
#include "ui/chapter_list.h"
#include "ui/views.h"

namespace ui {

class MainWindow {
public:
    // `wake` schedules OnWake() on the window's thread (any thread may call it).
    MainWindow(WindowView& view, ListView& list, std::function<void()> wake);
    ~MainWindow();

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // What the workers see as the window; the front end stores its address in
    // hMainWnd once the window is shown and clears it when the window is gone.
    app::Session& Link() { return session_; }
    MangaInfo& Manga() { return session_.Manga(); }
    ChapterList& List() { return list_; }

    // The window exists at its template geometry: restore the saved one.
    void OnCreate();
    // The controls exist: lay them out, set up the list, fill the boxes.
    void OnInitDialog();
    // The window's outer rectangle is, or is about to be, `rect` (screen
    // pixels): every size change, including maximise and restore.
    void OnSizing(const Rect& rect);
    // A button, Enter (1), Escape (2) or a menu command.
    void OnCommand(int id);
    // The notifications and boxes queued by the workers.
    void OnWake();
    // A notification delivered at once (the database load does this).
    void OnNotification(uint32_t message, int32_t wParam, int32_t lParam);
    // The close request: stores the geometry and the column widths and waits
    // for the workers. The front end destroys the window afterwards.
    void OnClose();
    // The window is being destroyed.
    void OnDestroy();

    // The list's events.
    void OnListCheckChanged(int32_t row, bool checked) { list_.OnCheckChanged(row, checked); }
    void OnListDoubleClick(int32_t row) { list_.OnDoubleClick(row); }
    void OnListKeyDown(ListKey key) { list_.OnKeyDown(key); }

    bool WorkerRunning() const { return session_.WorkerRunning(); }

private:
    void Ok();
    void Start();
    void Cancel();
    void Browse();
    void MangaLoaded();
    void WorkerDone();
    void LoadDatabase();
    void SaveDatabase();
    void OpenSettings();
    void StartWorker(app::WorkerProc worker);
    // Waits on the window's thread until no worker thread is left, letting
    // the toolkit paint meanwhile.
    void WaitForWorkers();

    void Enable(int id, bool enabled);

    // The controls the sizing rule moves or sizes, as the template laid them
    // out for the window size in WindowW/WindowH at initialisation. Each size
    // change is applied to these, so a control that had to stop at zero size
    // comes back to its right size when the window grows again.
    struct Layout {
        bool taken = false;
        int32_t windowW = 0;
        int32_t windowH = 0;
        std::optional<Rect> list, description, url, savePath, ok, browse;
    };

    WindowView& view_;
    // Before the list, which works on its record, and destroyed after it.
    app::Session session_;
    Layout layout_;
    bool okEnabled_ = true;
    ChapterList list_;
};

}  // namespace ui
