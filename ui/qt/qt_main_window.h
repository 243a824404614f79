#pragma once
// The main window on Qt Widgets: the "MainWindow" template's controls at
// their template rectangles under the menu bar, every event forwarded to
// ui::MainWindow, which decides everything.

#include <QMainWindow>
#include <QTableView>

#include <functional>
#include <memory>

#include "ui/main_window.h"
#include "ui/qt/chapter_model.h"
#include "ui/qt/qt_list_view.h"
#include "ui/qt/template_widgets.h"

namespace ui::qt {

class QtMainWindow : public QMainWindow, public WindowView {
public:
    QtMainWindow();
    ~QtMainWindow() override;

    // Restores the geometry, initialises, shows the window and makes it the
    // workers' window.
    void Open();

    MainWindow& Logic() { return *logic_; }
    ChapterTableModel& Model() { return model_; }
    QTableView& Table() { return *table_; }
    QWidget* Control(int id) const;
    // The pixel size of the template's client area, without the menu bar.
    QSize TemplateClientSize() const { return templateClient_; }
    // What ends the message loop; QCoreApplication::exit by default.
    void SetQuit(std::function<void(int)> quit) { quit_ = std::move(quit); }

    // WindowView
    void EnableControl(int id, bool enabled) override;
    std::u16string ControlText(int id) const override;
    void SetControlText(int id, std::u16string_view text) override;
    Rect WindowRect() const override;
    void SetWindowRect(const Rect& rect) override;
    std::optional<Rect> ControlRect(int id) const override;
    void MoveControl(int id, int32_t x, int32_t y) override;
    void ResizeControl(int id, int32_t width, int32_t height) override;
    Size ScreenSize() const override;
    void SetDescription(std::string_view rtf) override;
    BoxAnswer ShowBox(std::u16string_view text, std::u16string_view caption, BoxButtons buttons,
                      BoxIcon icon) override;
    std::optional<std::u16string> PickFolder(std::u16string_view initial) override;
    std::optional<std::u16string> PickFileToOpen(std::u16string_view initial) override;
    void RunSettingsDialog(SettingsDialog& dialog) override;
    bool StartThread(std::function<void()> body) override;
    void RequestClose() override;
    void PostQuit(int code) override;
    void ProcessSystemEvents() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    // A command of a button, a key or the menu, forwarded to the logic.
    void Command(int id);
    void Wake();
    void FlushDeferredWake();
    // The dialog keyboard handling: Enter and Escape as commands 1 and 2.
    bool HandleDialogKey(const QKeyEvent& key);

    ChapterTableModel model_;
    QWidget* client_ = nullptr;
    TemplateWidgets widgets_;
    QTableView* table_ = nullptr;
    std::unique_ptr<QtListView> list_;
    std::unique_ptr<MainWindow> logic_;
    QSize templateClient_;
    bool initialised_ = false;
    bool closing_ = false;
    bool destroyed_ = false;
    bool inSystemEvents_ = false;
    bool wakeDeferred_ = false;
    std::function<void(int)> quit_;
};

}  // namespace ui::qt
