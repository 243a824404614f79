// The Qt window driven as a user drives it, against the demo site on
// 127.0.0.1: typing, keys, clicks, the menu, the boxes and pickers. What the
// window decides is the core's tests' matter; these catch what the face loses
// or misplaces on the way to and from the widgets.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "tests/support/demo_files.h"
#include "tests/support/temp_dir.h"
#include "tools/demo_site/demo_server.h"
#include "transfer/notifications.h"
#include "ui/qt/qt_main_window.h"
#include "ui/qt/qt_settings_dialog.h"
#include "ui/resources.h"

// Qt, fontconfig and the platform plugins keep caches for the process's
// lifetime; the window's own objects are still checked.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libQt6Widgets\nleak:libqoffscreen\n"
           "leak:libdbus\nleak:libglib\n";
}

namespace fs = std::filesystem;

namespace {

// What a box said before it was answered.
struct SeenBox {
    std::u16string caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool operator==(const SeenBox&) const = default;
};

// A script of answers for the modal windows the program opens (boxes,
// pickers, the settings dialog), given from a timer on the window's thread.
class ModalScript {
public:
    using Answer = std::function<void(QWidget* modal)>;

    ModalScript()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    // Answers the next modal window that opens.
    void Then(Answer answer) { answers_.push_back(std::move(answer)); }
    // Presses `button` in the next box and records what it said.
    void ThenBox(QMessageBox::StandardButton button)
    {
        Then([this, button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_TRUE(box && box->button(button)) << modal->metaObject()->className();
            boxes_.push_back(SeenBox{box->windowTitle().toStdU16String(), box->text().toStdU16String(), box->icon()});
            box->button(button)->click();
        });
    }
    bool Done() const { return answers_.empty() && !running_; }
    const std::deque<SeenBox>& Boxes() const { return boxes_; }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || answers_.empty() || running_)
            return;
        last_ = modal;
        running_ = true;
        // Answered from an event of its own, so that a window the answer
        // opens in turn is seen by the next poll.
        QTimer::singleShot(0, [this, answer = std::move(answers_.front()), target = QPointer<QWidget>(modal)] {
            running_ = false;
            if (target)
                answer(target);
        });
        answers_.pop_front();
    }

    QTimer timer_;
    std::deque<Answer> answers_;
    std::deque<SeenBox> boxes_;
    QPointer<QWidget> last_;
    bool running_ = false;
};

constexpr int kChapters = 6;
constexpr int kPages = 4;

bool WaitUntil(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 20000);
}

std::vector<std::string> Names(const DemoFileMap& files)
{
    std::vector<std::string> names;
    for (const auto& entry : files)
        names.push_back(entry.first);
    return names;
}

// A double-click as the platform delivers it: press, release, then the
// double-click event and its release.
void DoubleClick(QWidget* viewport, QPoint at)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &twice);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

// Types the path into the dialog's name box, as a user does, and accepts.
void ChooseInFileDialog(QWidget* modal, const fs::path& path)
{
    auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path.string()));
    static_cast<QDialog*>(qobject_cast<QFileDialog*>(modal))->accept();  // the file dialog's own accept
}

class QtWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.Start(0));
        server_.Warm();
        Settings_Set(AppSettings_Defaults(Utf8ToUtf16(Downloads().string())));
    }

    fs::path Downloads() const { return dir_ / "downloads"; }
    fs::path MangaDir() const { return Downloads() / DemoManga::kName; }

    ui::qt::QtMainWindow& Open()
    {
        window_ = std::make_unique<ui::qt::QtMainWindow>();
        window_->SetQuit([this](int code) { quitCode_ = code; });
        window_->Open();
        return *window_;
    }

    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(window_->Control(id)); }
    QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(window_->Control(id)); }
    bool Idle() const { return Button(ui::kIdOk)->isEnabled() && !Button(ui::kIdCancel)->isEnabled(); }
    // What the view shows, once the model has told it of every row. Without
    // expanded rows, chapter n is on row n - 1: the page lists the newest
    // chapter first, the list shows the record's last chapter on top.
    QModelIndex At(int row, int column = 0) const
    {
        window_->Model().Flush();
        return window_->Model().index(row, column);
    }
    int Rows() const
    {
        window_->Model().Flush();
        return window_->Model().rowCount();
    }
    QString Cell(int row, int column) const { return At(row, column).data().toString(); }
    bool Checked(int row) const { return At(row).data(Qt::CheckStateRole).toInt() == Qt::Checked; }

    QAction* MenuAction(int id) const
    {
        for (const ui::MenuItem& item : ui::MainMenu())
            for (const ui::MenuItem& entry : item.popup.empty() ? std::span(&item, 1) : item.popup)
                for (QAction* action : window_->menuBar()->findChildren<QAction*>())
                    if (entry.id == id && action->text() == ui::qt::ToQString(entry.text))
                        return action;
        return nullptr;
    }

    // Types the address and presses Enter in the address box, as a user does.
    void Scan()
    {
        QLineEdit* url = Edit(ui::kIdUrl);
        url->setFocus();
        url->clear();
        QTest::keyClicks(url, QString::fromStdString(server_.MangaUrl()));
        QTest::keyClick(url, Qt::Key_Return);
        ASSERT_FALSE(Button(ui::kIdOk)->isEnabled());
        ASSERT_TRUE(WaitUntil([this] { return Idle() && Rows() == kChapters + 1; }));
    }

    // A real click on a row's check box.
    void ClickCheckBox(int row)
    {
        window_->Table().scrollTo(At(row));
        const QRect cell = window_->Table().visualRect(At(row));  // the box comes first in it
        QTest::mouseClick(window_->Table().viewport(), Qt::LeftButton, {},
                          QPoint(cell.left() + cell.height() / 2, cell.center().y()));
    }

    // A download of every chapter, slow enough to be caught in the middle.
    void StartSlowDownload()
    {
        server_.SetServeOptions(DemoServeOptions{0, 60, 0});
        const size_t had = ReadDemoTree(MangaDir()).size();
        QTest::mouseClick(Button(ui::kIdStart), Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return ReadDemoTree(MangaDir()).size() >= had + 2; }));
    }

    // A download cut short leaves fewer files, each whole at its final name.
    void ExpectOnlyWholeFiles()
    {
        const DemoFileMap all = ExpectedDemoFiles(server_, {1, 2, 3, 4, 5, 6}, true);
        const DemoFileMap files = ReadDemoTree(MangaDir());
        EXPECT_LT(files.size(), all.size());
        for (const auto& [path, bytes] : files)
            EXPECT_TRUE(all.contains(path) && all.at(path) == bytes) << "cut short or stray: " << path;
    }

    // Declared in this order, the window (and its workers) goes before the site.
    TempDir dir_;
    DemoServer server_{DemoOptions{kChapters, kPages, 3, 0}};
    std::unique_ptr<ui::qt::QtMainWindow> window_;
    int quitCode_ = -1;
};

TEST_F(QtWindow, ScanUntickDownloadAndTheScreenshot)
{
    // Columns as wide as a user would drag them, for the picture; the
    // chapter column is left to the first run's fit.
    Settings_Update([](AppSettings& s) {
        s.ColWchNAM = 160;
        s.ColWchP = 70;
        s.ColWchL = 75;
    });
    Open();
    EXPECT_EQ(window_->windowTitle(), "zUmr");

    ASSERT_NO_FATAL_FAILURE(Scan());
    for (const DemoChapter& chapter : server_.Manga().Chapters()) {
        const int row = chapter.Num - 1;
        EXPECT_EQ(Cell(row, 0), QString("Том: %1 Глава: %2").arg(chapter.Vol).arg(chapter.Num));
        EXPECT_EQ(Cell(row, 1), QString::fromStdString(chapter.Title.value_or("")));
        EXPECT_TRUE(Cell(row, 2) == QString("0/%1").arg(kPages) && Checked(row)) << row;
    }
    EXPECT_TRUE(Cell(kChapters, 0) == "Коврики" && Cell(kChapters, 2) == "0/2");
    const QAbstractItemView& table = window_->Table();
    EXPECT_GE(window_->Table().columnWidth(0), table.sizeHintForColumn(0));  // every label whole
    // Two paragraphs, the bold run bold.
    auto* description = qobject_cast<QTextEdit*>(window_->Control(ui::kIdDescription));
    EXPECT_TRUE(description->toPlainText().contains("Демонстрационная манга для проверки") &&
                description->toPlainText().contains("\n"));
    const QTextCursor bold = description->document()->find("три названия");
    EXPECT_TRUE(!bold.isNull() && bold.charFormat().fontWeight() == QFont::Bold);

    // Chapter 5 unticked with a click: the record follows, the download skips it.
    ClickCheckBox(4);
    EXPECT_FALSE(Checked(4));
    EXPECT_EQ(window_->Logic().Manga().Chaps[kChapters - 5].bSkip.load(), 1);
    QTest::mouseClick(Button(ui::kIdStart), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([this] { return Idle(); }));
    const DemoFileMap files = ReadDemoTree(MangaDir()), expected = ExpectedDemoFiles(server_, {1, 2, 3, 4, 6}, true);
    EXPECT_EQ(Names(files), Names(expected));
    EXPECT_TRUE(files == expected);
    EXPECT_TRUE(Cell(0, 2) == QString("%1/%1").arg(kPages) && Cell(4, 2) == QString("0/%1").arg(kPages));
    EXPECT_EQ(Cell(kChapters, 2), "2/2");

    window_->Table().clearSelection();
    Edit(ui::kIdUrl)->deselect();
    // The picture of the README: a test artifact each run, and the committed
    // copy in docs/ when asked for (its address changes with the port).
    const QPixmap shot = window_->grab();
    EXPECT_TRUE(shot.save(QString::fromStdString((fs::current_path() / "zumr-qt.png").string()), "PNG"));
    if (qEnvironmentVariableIsSet("ZUMR_UPDATE_SCREENSHOT")) {
        fs::create_directories(fs::path(ZUMR_SOURCE_DIR) / "docs");
        EXPECT_TRUE(shot.save(QString::fromStdString((fs::path(ZUMR_SOURCE_DIR) / "docs/zumr-qt.png").string()), "PNG"));
    }
}

TEST_F(QtWindow, EscapeCancelsFromEveryControlAndCloseWaitsForTheWorker)
{
    Open();
    ASSERT_NO_FATAL_FAILURE(Scan());
    // Escape in the middle of a download, from the list and from the
    // description pane: the worker ends, only whole files are left, the
    // window stays.
    for (QWidget* focus : {static_cast<QWidget*>(&window_->Table()), window_->Control(ui::kIdDescription)}) {
        ASSERT_NO_FATAL_FAILURE(StartSlowDownload());
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(window_->Logic().WorkerRunning());
        ASSERT_TRUE(WaitUntil([this] { return Idle(); }));
        EXPECT_TRUE(window_->isVisible());
        ExpectOnlyWholeFiles();
    }

    // Closing while the next download runs: close returns once the worker has
    // ended, with the geometry the window had when the close began.
    ASSERT_NO_FATAL_FAILURE(StartSlowDownload());
    const ui::Rect before = window_->WindowRect();
    EXPECT_EQ(hMainWnd.load(), &window_->Logic().Link());
    window_->close();
    EXPECT_TRUE(!window_->isVisible() && !window_->Logic().WorkerRunning());
    EXPECT_EQ(hMainWnd.load(), nullptr);
    EXPECT_EQ(quitCode_, 0);
    EXPECT_TRUE(Settings_Get().WindowW == before.Width() && Settings_Get().WindowX == before.left);
    ExpectOnlyWholeFiles();
}

TEST_F(QtWindow, WorkerBoxIsShownWhileTheWorkerWaits)
{
    Open();
    ModalScript script;
    script.ThenBox(QMessageBox::Ok);
    // Nothing listens on the port once the server has stopped.
    const std::string address = server_.MangaUrl();
    server_.Stop();
    Edit(ui::kIdUrl)->setText(QString::fromStdString(address));
    QTest::mouseClick(Button(ui::kIdOk), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return script.Done() && Idle(); }));
    ASSERT_EQ(script.Boxes().size(), 1u);
    EXPECT_FALSE(script.Boxes()[0].text.empty());
}

TEST_F(QtWindow, MenuSaveLoadSettingsAndBrowse)
{
    Open();
    ASSERT_NO_FATAL_FAILURE(Scan());
    ClickCheckBox(1);          // chapter 2
    ClickCheckBox(kChapters);  // covers

    // Saving while a download runs gives a notice and writes nothing; once it
    // is cancelled with Escape in the address box, the record is saved.
    ASSERT_NO_FATAL_FAILURE(StartSlowDownload());
    const fs::path database = MangaDir() / (std::string(DemoManga::kName) + ".zdb");
    {
        ModalScript script;
        script.ThenBox(QMessageBox::Ok);
        MenuAction(ui::kCmdSaveDb)->trigger();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(script.Boxes(), (std::deque<SeenBox>{
                                      {u"Уведомление", std::u16string(ui::LoadStr(ui::kStrSaveWhileBusy)),
                                       QMessageBox::Information}}));
    }
    EXPECT_FALSE(fs::exists(database));
    QTest::keyClick(Edit(ui::kIdUrl), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([this] { return Idle(); }));
    MenuAction(ui::kCmdSaveDb)->trigger();
    ASSERT_TRUE(fs::exists(database));

    // A fresh window loads it through the open-file dialog: the ticks.
    Open();
    {
        ModalScript script;
        script.Then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->nameFilters(), QStringList{"Все файлы (*.*)"});
            EXPECT_EQ(dialog->directory().canonicalPath(), QDir(Edit(ui::kIdSavePath)->text()).canonicalPath());
            ChooseInFileDialog(modal, database);
        });
        MenuAction(ui::kCmdLoadDb)->trigger();
        EXPECT_TRUE(script.Done());
    }
    ASSERT_EQ(Rows(), kChapters + 1);
    for (int row = 0; row <= kChapters; ++row)
        EXPECT_EQ(Checked(row), row != 1 && row != kChapters) << row;

    // Settings: a "?" becomes "_" and a number out of range its nearest
    // allowed value when the focus leaves the box; Cancel keeps everything,
    // OK stores it.
    const std::u16string defaultBefore = Settings_Get().DefSavePath;
    for (const bool ok : {false, true}) {
        ModalScript script;
        script.Then([ok](QWidget* modal) {
            auto* dialog = dynamic_cast<ui::qt::QtSettingsDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Настройки");
            dialog->grab().save(QStringLiteral("zumr-qt-settings.png"), "PNG");  // a look for the eye
            auto* chapters = qobject_cast<QLineEdit*>(dialog->Control(ui::kIdChapDirName));
            chapters->setFocus();
            chapters->selectAll();
            chapters->insert("глава");  // QtTest types ASCII only
            QTest::keyClicks(chapters, "?");
            QTest::keyClick(chapters, Qt::Key_Tab);
            EXPECT_EQ(chapters->text(), "глава_");
            qobject_cast<QCheckBox*>(dialog->Control(ui::kIdRevScan))->setChecked(true);
            auto* connections = qobject_cast<QLineEdit*>(dialog->Control(ui::kIdConnections));
            connections->setFocus();
            connections->selectAll();
            QTest::keyClicks(connections, "12");
            QTest::keyClick(connections, Qt::Key_Tab);
            EXPECT_EQ(connections->text(), "8");
            qobject_cast<QCheckBox*>(dialog->Control(ui::kIdMakeCbz))->setChecked(true);
            QTest::keyClick(chapters, ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        MenuAction(ui::kCmdSettings)->trigger();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(Settings_Get().ChapDirName, ok ? u"глава_" : u"ch");
        EXPECT_EQ(Settings_Get().bRevScan, ok ? 1 : 0);
        EXPECT_EQ(Settings_Get().Connections, ok ? 8 : 1);
        EXPECT_EQ(Settings_Get().bMakeCbz, ok ? 1 : 0);
        EXPECT_EQ(Settings_Get().DefSavePath, defaultBefore);
    }

    // Browse after a manga asks nothing; in a fresh window it asks, and Yes
    // makes the folder the default. The picker opens where the box points.
    const fs::path chosen = dir_ / "выбранная";
    fs::create_directories(chosen);
    for (const bool fresh : {false, true}) {
        if (fresh)
            Open();
        ModalScript script;
        script.Then([&](QWidget* modal) {
            EXPECT_EQ(qobject_cast<QFileDialog*>(modal)->directory().canonicalPath(),
                      QDir(Edit(ui::kIdSavePath)->text()).canonicalPath());
            ChooseInFileDialog(modal, chosen);
        });
        if (fresh)
            script.ThenBox(QMessageBox::Yes);
        QTest::mouseClick(Button(ui::kIdBrowse), Qt::LeftButton);
        EXPECT_TRUE(WaitUntil([&] { return script.Done(); }));
        EXPECT_EQ(Edit(ui::kIdSavePath)->text().toStdString(), chosen.string());
        const SeenBox asked{u"Вопрос", std::u16string(ui::LoadStr(ui::kStrAskDefaultPath)), QMessageBox::Question};
        EXPECT_EQ(script.Boxes(), fresh ? std::deque<SeenBox>{asked} : std::deque<SeenBox>{});
        EXPECT_EQ(Settings_Get().DefSavePath, fresh ? Utf8ToUtf16(chosen.string()) : defaultBefore);
    }
}

TEST_F(QtWindow, KeyboardTabOrderEnterAndTheList)
{
    Open();
    // Every control enabled, so that Tab visits each tab stop.
    for (int id : {ui::kIdStart, ui::kIdCancel})
        window_->EnableControl(id, true);
    std::vector<QWidget*> expected, visited;
    for (const ui::ControlTemplate& control : ui::MainWindowTemplate().controls)
        if (control.id != ui::kIdNone && (control.style & ui::style::TabStop))
            expected.push_back(window_->Control(control.id));
    ASSERT_EQ(expected.size(), 7u);
    QApplication::setActiveWindow(window_.get());
    expected.front()->setFocus();
    for (size_t i = 0; i <= expected.size(); ++i) {  // round again
        visited.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    expected.push_back(expected.front());
    EXPECT_EQ(visited, expected);
    window_->EnableControl(ui::kIdStart, false);
    window_->EnableControl(ui::kIdCancel, false);

    // Enter is OK wherever the focus is: on the ".." button no picker opens,
    // in the description pane no line is added.
    Edit(ui::kIdUrl)->setText(QString::fromStdString(server_.MangaUrl()));
    for (QWidget* focus : {window_->Control(ui::kIdBrowse), window_->Control(ui::kIdDescription)}) {
        ModalScript script;
        script.Then([](QWidget* modal) { modal->close(); });
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Return);
        ASSERT_FALSE(Button(ui::kIdOk)->isEnabled()) << focus->metaObject()->className();
        ASSERT_TRUE(WaitUntil([this] { return Idle() && Rows() == kChapters + 1; }));
        EXPECT_FALSE(script.Done());
    }

    // The arrow keys expand and collapse the selected row; so does a
    // double-click.
    QTableView& table = window_->Table();
    table.setFocus();
    table.selectRow(0);
    QTest::keyClick(&table, Qt::Key_Right);
    ASSERT_EQ(Rows(), kChapters + 1 + kPages);
    EXPECT_TRUE(Cell(1, 0).startsWith("01.png")) << Cell(1, 0).toStdString();
    table.selectRow(2);
    QTest::keyClick(&table, Qt::Key_Left);
    EXPECT_EQ(table.currentIndex().row(), 0);
    table.selectRow(0);
    QTest::keyClick(&table, Qt::Key_Left);
    EXPECT_EQ(Rows(), kChapters + 1);
    const QPoint second = table.visualRect(At(1, 1)).center();
    DoubleClick(table.viewport(), second);
    EXPECT_EQ(Rows(), kChapters + 1 + kPages);
    EXPECT_TRUE(Cell(2, 0).startsWith("01.png")) << Cell(2, 0).toStdString();
    DoubleClick(table.viewport(), second);
    EXPECT_EQ(Rows(), kChapters + 1);
}

TEST_F(QtWindow, GeometryFollowsTheFrameAndIsKeptInSettings)
{
    ui::qt::QtMainWindow& window = Open();
    const ui::Rect start = window.WindowRect();
    std::map<int, ui::Rect> before;
    for (const ui::ControlTemplate& control : ui::MainWindowTemplate().controls)
        if (control.id != ui::kIdNone)
            before[control.id] = *window.ControlRect(control.id);

    window.resize(start.Width() + 100, start.Height() + 50);
    // id, then how far it moves right and how much wider and taller it grows.
    const int changes[][4] = {{ui::kIdChapterList, 0, 100, 50}, {ui::kIdDescription, 0, 100, 0},
                              {ui::kIdUrl, 0, 100, 0},          {ui::kIdSavePath, 0, 100, 0},
                              {ui::kIdOk, 100, 0, 0},           {ui::kIdBrowse, 100, 0, 0},
                              {ui::kIdCancel, 0, 0, 0},         {ui::kIdStart, 0, 0, 0}};
    for (const auto& [id, dx, dw, dh] : changes) {
        const ui::Rect was = before[id];
        const ui::Rect moved{was.left + dx, was.top, was.right + dx + dw, was.bottom + dh};
        EXPECT_EQ(*window.ControlRect(id), moved) << id;
    }

    // Closed with a settings file: geometry and column widths are in it.
    const app::StartupPaths paths = app::Startup_Paths(Utf8ToUtf16(dir_.path().string()) + u"/");
    WriteFileBytes(dir_ / "settings.cfg", "\xEF\xBB\xBF");
    window.Table().setColumnWidth(1, 173);
    window.setGeometry(20, 30, 500, 400);
    window.close();
    app::Startup_SaveSettings(paths);
    const std::string saved = ReadFileBytes(dir_ / "settings.cfg");
    for (const char* line : {"WindowX=20", "WindowY=30", "WindowW=500", "WindowH=400", "ColWchNAM=173"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;

    // The next window opens there, its controls stretched to that size; one
    // that would reach the screen's edge opens at the template's place.
    app::Startup_LoadSettings(paths);
    Open();
    EXPECT_EQ(window_->WindowRect(), (ui::Rect{20, 30, 520, 430}));
    EXPECT_EQ(window_->ControlRect(ui::kIdChapterList)->Width(),
              before[ui::kIdChapterList].Width() + 500 - start.Width());
    EXPECT_EQ(window_->Table().columnWidth(1), 173);
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    Settings_Update([screenWidth](AppSettings& s) {
        s.WindowX = screenWidth - 400;
        s.WindowW = 400;
    });
    Open();
    EXPECT_EQ(window_->WindowRect(), start);
    EXPECT_EQ(*window_->ControlRect(ui::kIdChapterList), before[ui::kIdChapterList]);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
