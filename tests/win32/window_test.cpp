// The window program itself (start-up, window procedure, list view, dialogs)
// on its own thread, driven from the test's thread by the messages a user's
// clicks produce, against a real site on 127.0.0.1.
#include <curl/curl.h>  // first: it brings winsock2.h, which must precede windows.h
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "model/manga_db.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/worker_fixture.h"
#include "ui/resources.h"
#include "ui/win32/program.h"
#include "ui/win32/window.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

template <typename Condition>
bool WaitFor(Condition done, std::chrono::milliseconds limit = 20s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::u16string Text(HWND window)
{
    wchar_t buffer[1024] = {};
    SendMessageW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

void SetText(HWND window, const std::u16string& text)
{
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::u16string Cell(HWND list, int row, int column)
{
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::vector<std::vector<std::u16string>> Rows(HWND list)
{
    std::vector<std::vector<std::u16string>> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        rows.push_back({Cell(list, row, 0), Cell(list, row, 1), Cell(list, row, 2)});
    return rows;
}

// A modal dialog of the program's thread with this title, once it is up.
HWND FindDialog(const wchar_t* title)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindWindowW(L"#32770", title)) != nullptr && IsWindowVisible(found); });
    return found;
}

// Input as the keyboard and the mouse give it, to the window with the focus.
INPUT Key(WORD code, DWORD flags = 0)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code;
    input.ki.dwFlags = flags;
    return input;
}

void Send(std::vector<INPUT> inputs)
{
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Click(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    std::vector<INPUT> inputs(2);
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dx = (r.left + r.right) / 2 * 65536 / GetSystemMetrics(SM_CXSCREEN);
    inputs[0].mi.dy = (r.top + r.bottom) / 2 * 65536 / GetSystemMetrics(SM_CYSCREEN);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    Send(inputs);
}

// While the spy is the window's procedure, its commands (buttons, Enter,
// Escape) and close requests are recorded instead of carried out.
std::mutex gSpyLock;
std::vector<int> gSeen;
WNDPROC gOriginal = nullptr;

LRESULT CALLBACK Spy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_CLOSE && (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED))
        return CallWindowProcW(gOriginal, hwnd, message, wParam, lParam);
    std::lock_guard<std::mutex> guard(gSpyLock);
    gSeen.push_back(message == WM_CLOSE ? -1 : LOWORD(wParam));
    return 0;
}

size_t SeenCount()
{
    std::lock_guard<std::mutex> guard(gSpyLock);
    return gSeen.size();
}

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        settingsFile_ = fs::path(module).parent_path() / "settings.cfg";
        // The program writes only an existing settings file back.
        const std::u8string folder = dir_.path().u8string();
        WriteFileBytes(settingsFile_, "[CONFIG]\nDefSavePath=" + std::string(folder.begin(), folder.end()) +
                                          "\n[MWINDOW]\nWindowX=40\nWindowY=30\nWindowW=700\nWindowH=560\n"
                                          "[CHAPSLIST]\nColWchP=77\n");
        program_ = std::thread([this] { exitCode_ = ui::win32::RunProgram(GetModuleHandleW(nullptr), SW_SHOW); });
        ASSERT_TRUE(WaitFor([] { return ui::win32::MainWindowHandle() != nullptr; }, 60s));
        window_ = ui::win32::MainWindowHandle();
        list_ = GetDlgItem(window_, ui::kIdChapterList);
    }
    void TearDown() override
    {
        if (gOriginal)
            SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(std::exchange(gOriginal, nullptr)));
        if (program_.joinable()) {
            PostMessageW(window_, WM_CLOSE, 0, 0);
            program_.join();
        }
        fs::remove(settingsFile_);
    }
    void Command(int id) { SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    int FocusId() const
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info);
        return info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0;
    }

    TempDir dir_;
    TestServer site_;
    std::map<std::string, std::string> served_ = ServeManga(site_, 3, 2);
    fs::path settingsFile_;
    std::thread program_;
    int exitCode_ = -1;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(Win32Window, ScanDownloadCancelDatabaseSettingsAndClose)
{
    // The saved geometry, with the controls stretched to it: OK and the list
    // keep their common right edge near the window's.
    RECT outer{}, client{}, ok{}, list{};
    GetWindowRect(window_, &outer);
    EXPECT_EQ(std::vector<LONG>({outer.left, outer.top, outer.right, outer.bottom}), std::vector<LONG>({40, 30, 740, 590}));
    GetClientRect(window_, &client);
    GetWindowRect(Control(ui::kIdOk), &ok);
    GetWindowRect(list_, &list);
    EXPECT_EQ(ok.right, list.right);
    EXPECT_GT(list.right - outer.left, client.right - 30);

    // Right after start: the default folder in the save path box, the saved
    // column width.
    EXPECT_EQ(SendMessageW(list_, LVM_GETCOLUMNWIDTH, 2, 0), 77);
    const std::u16string folder = dir_.path().u16string();
    EXPECT_EQ(Text(Control(ui::kIdSavePath)), folder);

    // Scan: the rows, the last chapter of the record (the site lists the
    // newest first) on top, the covers row last.
    SetText(Control(ui::kIdUrl), Utf8ToUtf16(site_.Url("/m")));
    Command(ui::kIdOk);
    ASSERT_TRUE(WaitFor([&] { return Enabled(ui::kIdOk) && Cell(list_, 0, 2) == u"0/2"; }));
    const std::vector<std::vector<std::u16string>> scanned{
        {u"Том: 1 Глава: 1", u"Первая", u"0/2"},
        {u"Том: 1 Глава: 2", u"", u"0/2"},
        {u"Том: 1 Глава: 3", u"Кто там?", u"0/2"},
        {u"Коврики", u"", u"0/1"},
    };
    EXPECT_EQ(Rows(list_), scanned);
    for (int row = 0; row < 3; ++row) {  // a first run (no ColWchCH): every chapter label whole
        RECT label{LVIR_LABEL, 0, 0, 0};
        SendMessageW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label));
        const std::u16string text = Cell(list_, row, 0);
        const LRESULT width = SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        EXPECT_GT(label.right - label.left, width) << row;
    }
    const std::u16string mangaFolder = folder + u"\\Manga";
    EXPECT_EQ(Text(Control(ui::kIdSavePath)), mangaFolder);

    // Untick chapter 2, then START: every other file as the site served it.
    LVITEMW untick{};
    untick.stateMask = LVIS_STATEIMAGEMASK;
    untick.state = 1u << 12;
    SendMessageW(list_, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&untick));
    Command(ui::kIdStart);
    ASSERT_TRUE(WaitFor([&] { return Enabled(ui::kIdOk) && Cell(list_, 0, 2) == u"2/2"; }));
    EXPECT_EQ(Cell(list_, 1, 2), u"0/2");
    EXPECT_EQ(Cell(list_, 2, 2), u"2/2");
    EXPECT_EQ(Cell(list_, 3, 2), u"1/1");
    const fs::path manga = fs::path(mangaFolder);
    const std::vector<std::string> expected{"book1/ch1-Первая/1.png", "book1/ch1-Первая/2.png",
                                            "book1/ch3-Кто там'/1.png", "book1/ch3-Кто там'/2.png",
                                            "covers/c1.png"};
    EXPECT_EQ(FilesBelow(manga), expected);
    for (const std::string& file : expected) {
        const std::string name = file.substr(file.rfind('/') + 1);
        const std::string page = file.starts_with("covers") ? "/c/" + name
                                 : "/img/" + std::string(1, file[8]) + "/" + name;
        EXPECT_EQ(ReadFileBytes(manga / PathFromUtf8(file)), served_.at(page)) << file;
    }

    // Save the database beside the chapters, then load it back.
    Command(ui::kCmdSaveDb);
    const fs::path db = manga / "Manga.zdb";
    ASSERT_TRUE(fs::exists(db));
    MangaInfo saved;
    ASSERT_EQ(MangaDB_Load(saved, db.u16string()), kMangaDbOk);
    EXPECT_EQ(saved.ChapCnt(), 3);
    EXPECT_EQ(saved.Chaps[1].bSkip, 1);
    // A description that is no RTF document, as a foreign file may hold it,
    // is shown as the text it is.
    const std::string plain = "Plain {text}, \\b0 as it stands";
    saved.Desc = plain;
    ASSERT_EQ(MangaDB_Save(saved, db.u16string()), 0);
    PostMessageW(window_, WM_COMMAND, ui::kCmdLoadDb, 0);
    HWND open = FindDialog(nullptr);
    ASSERT_NE(open, nullptr);
    SetText(GetDlgItem(open, 1148) ? GetDlgItem(open, 1148) : GetDlgItem(open, 1152), db.u16string());
    PostMessageW(open, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(open) && Cell(list_, 3, 0) == u"Коврики"; }));
    EXPECT_EQ(Rows(list_)[0], scanned[0]);
    EXPECT_EQ(Text(Control(ui::kIdDescription)), Utf8ToUtf16(plain));
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), 1u << 12);  // still unticked

    // A double-click on the top row lists its pages, downloaded ones unticked;
    // a second folds them. The arrow keys on the selected row do the same.
    const auto notify = [&](auto& message, UINT code) {
        message.hdr = NMHDR{list_, static_cast<UINT_PTR>(ui::kIdChapterList), code};
        SendMessageW(window_, WM_NOTIFY, ui::kIdChapterList, reinterpret_cast<LPARAM>(&message));
    };
    NMITEMACTIVATE click{};  // on row 0
    notify(click, NM_DBLCLK);
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), 6);
    EXPECT_EQ(Cell(list_, 1, 0), u"1.png");
    EXPECT_EQ(SendMessageW(list_, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), 1u << 12);
    notify(click, NM_DBLCLK);
    EXPECT_EQ(Rows(list_)[1], scanned[1]);
    SendMessageW(list_, LVM_SETSELECTIONMARK, 0, 0);
    for (const auto& [code, rows] : {std::pair<WORD, LRESULT>{VK_RIGHT, 6}, {VK_LEFT, 4}}) {
        NMLVKEYDOWN key{.wVKey = code};
        notify(key, LVN_KEYDOWN);
        EXPECT_EQ(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0), rows);
    }

    // Browse: the folder picker opens at the save path's folder, which its
    // callback selects; cancelling it changes nothing.
    PostMessageW(window_, WM_COMMAND, ui::kIdBrowse, 0);
    HWND picker = FindDialog(nullptr);
    ASSERT_NE(picker, nullptr);
    std::u16string selected;
    EXPECT_TRUE(WaitFor([&] {
        HWND tree = FindWindowExW(picker, nullptr, WC_TREEVIEWW, nullptr);
        wchar_t name[MAX_PATH] = {};
        TVITEMW item{TVIF_TEXT, reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), 0, 0,
                     name, MAX_PATH};
        if (item.hItem)
            SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        selected = std::u16string(reinterpret_cast<const char16_t*>(name));
        return selected == u"Manga";
    }, 5s)) << Utf16ToUtf8(selected);
    PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(picker); }));
    EXPECT_EQ(Text(Control(ui::kIdSavePath)), mangaFolder);

    // Cancel while a page trickles in: the row shows libcurl's write error.
    site_.Serve("/img/2/1.png", std::string(4 << 20, 'x'), Fault::Trickle);
    LVITEMW tick = untick;
    tick.state = 2u << 12;
    SendMessageW(list_, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&tick));
    Command(ui::kIdStart);
    ASSERT_TRUE(WaitFor([&] { return !Cell(list_, 1, 3).empty(); }));
    Command(ui::kIdCancel);
    ASSERT_TRUE(WaitFor([&] { return Enabled(ui::kIdOk); }));
    EXPECT_EQ(Cell(list_, 1, 4), Utf8ToUtf16(curl_easy_strerror(CURLE_WRITE_ERROR)));
    EXPECT_FALSE(fs::exists(manga / "book1" / "ch2" / "1.png"));

    // The settings dialog: a colon typed into the chapter prefix becomes "_"
    // when the focus leaves the box; OK stores it.
    PostMessageW(window_, WM_COMMAND, ui::kCmdSettings, 0);
    HWND settings = FindDialog(L"Настройки");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(Text(GetDlgItem(settings, ui::kIdBookDirName)), u"book");
    SetText(GetDlgItem(settings, ui::kIdChapDirName), u"глава:");
    SendMessageW(settings, WM_COMMAND, MAKEWPARAM(ui::kIdChapDirName, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(settings, ui::kIdChapDirName)));
    EXPECT_EQ(Text(GetDlgItem(settings, ui::kIdChapDirName)), u"глава_");
    SetText(GetDlgItem(settings, ui::kIdConnections), u"12");
    SendMessageW(settings, WM_COMMAND, MAKEWPARAM(ui::kIdConnections, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(settings, ui::kIdConnections)));
    EXPECT_EQ(Text(GetDlgItem(settings, ui::kIdConnections)), u"8");
    CheckDlgButton(settings, ui::kIdMakeCbz, BST_CHECKED);
    SendMessageW(settings, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(settings); }));
    EXPECT_EQ(Settings_Get().ChapDirName, u"глава_");
    EXPECT_EQ(Settings_Get().Connections, 8);
    EXPECT_EQ(Settings_Get().bMakeCbz, 1);

    // Close: the loop ends with 0 and settings.cfg holds the window's geometry
    // and the column widths as they are now.
    SetWindowPos(window_, nullptr, 60, 50, 720, 580, SWP_NOZORDER);
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(173, 0));
    PostMessageW(window_, WM_CLOSE, 0, 0);
    program_.join();
    EXPECT_EQ(exitCode_, 0);
    const std::string cfg = ReadFileBytes(settingsFile_);
    for (const char* line : {"WindowX=60\nWindowY=50\nWindowW=720\nWindowH=580\n", "ColWchNAM=173\n",
                             "ChapDirName=\xD0\xB3\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0_\n"})
        EXPECT_NE(cfg.find(line), std::string::npos) << line << " in\n" << cfg;
}

TEST_F(Win32Window, TabMovesThroughTheTabStopsEnterIsOkEscapeIsCancel)
{
    for (int id : {ui::kIdStart, ui::kIdCancel})
        EnableWindow(Control(id), TRUE);
    gSeen.clear();
    gOriginal = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy)));
    SetForegroundWindow(window_);
    Click(Control(ui::kIdUrl));
    ASSERT_TRUE(WaitFor([&] { return FocusId() == ui::kIdUrl; }, 5s));

    // Template order, round and back; the description pane is no tab stop.
    const std::vector<INPUT> tab{Key(VK_TAB), Key(VK_TAB, KEYEVENTF_KEYUP)};
    const std::vector<INPUT> shiftTab{Key(VK_SHIFT), tab[0], tab[1], Key(VK_SHIFT, KEYEVENTF_KEYUP)};
    const std::pair<std::vector<INPUT>, std::vector<int>> rounds[] = {
        {tab, {ui::kIdChapterList, ui::kIdSavePath, ui::kIdBrowse, ui::kIdStart, ui::kIdOk, ui::kIdCancel, ui::kIdUrl}},
        {shiftTab, {ui::kIdCancel, ui::kIdOk, ui::kIdStart, ui::kIdBrowse, ui::kIdSavePath, ui::kIdChapterList, ui::kIdUrl}},
    };
    for (const auto& [keys, order] : rounds)
        for (int id : order) {
            Send(keys);
            EXPECT_TRUE(WaitFor([&] { return FocusId() == id; }, 3s)) << id << ": " << FocusId();
        }

    // Enter and Escape in the address box, on a focused button and in the
    // multi-line description pane.
    const std::pair<std::function<void()>, int> places[] = {
        {[&] { Click(Control(ui::kIdUrl)); }, ui::kIdUrl},
        {[&] { Send({tab[0], tab[1], tab[0], tab[1], tab[0], tab[1]}); }, ui::kIdBrowse},
        {[&] { Click(Control(ui::kIdDescription)); }, ui::kIdDescription},
    };
    for (const auto& [focus, id] : places) {
        focus();
        EXPECT_TRUE(WaitFor([&] { return FocusId() == id; }, 3s)) << id << ": " << FocusId();
        for (WORD key : {VK_RETURN, VK_ESCAPE}) {
            const size_t before = SeenCount();
            Send({Key(key), Key(key, KEYEVENTF_KEYUP)});
            WaitFor([&] { return SeenCount() > before; }, 3s);
        }
    }
    std::lock_guard<std::mutex> guard(gSpyLock);
    EXPECT_EQ(gSeen, std::vector<int>({1, 2, 1, 2, 1, 2}));
}

}  // namespace
