#pragma once
// The program's resources as data: the string table, the menu bar, the main
// window's template and the settings dialog's template. Both front ends draw
// from these, and the Win32 resource script is generated from them, so a text,
// an id or a rectangle exists in one place only.
//
// Style bits carry the values of the Win32 constants they are named after, so
// the resource script can print them as they stand and other toolkits can read
// what a control looks like from them.

#include <cstdint>
#include <span>
#include <string_view>

namespace ui {

// Control ids of the main window.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdUrl = 1000;
inline constexpr int kIdDescription = 1003;
inline constexpr int kIdChapterList = 1005;
inline constexpr int kIdSavePath = 1008;
inline constexpr int kIdBrowse = 1009;
inline constexpr int kIdStart = 1010;
inline constexpr int kIdNone = -1;  // a static that code never addresses

// Menu commands.
inline constexpr int kCmdLoadDb = 40001;
inline constexpr int kCmdSaveDb = 40002;
inline constexpr int kCmdExit = 40003;
inline constexpr int kCmdSettings = 40004;

// Control ids of the settings dialog (OK and Cancel are 1 and 2 there too).
inline constexpr int kIdDefSavePath = 1011;
inline constexpr int kIdDefSavePathBrowse = 1012;
inline constexpr int kIdCoversDirName = 1013;
inline constexpr int kIdBookDirName = 1014;
inline constexpr int kIdChapDirName = 1015;
inline constexpr int kIdAppendChapName = 1017;
inline constexpr int kIdAddCntToPages = 1018;
inline constexpr int kIdRevScan = 1019;
inline constexpr int kIdUserAgent = 1020;
inline constexpr int kIdConnections = 1021;
inline constexpr int kIdRetries = 1022;
inline constexpr int kIdProxy = 1023;
inline constexpr int kIdMakeCbz = 1024;

// Resource ids.
inline constexpr int kMenuMain = 104;
inline constexpr int kDialogSettings = 105;
inline constexpr int kIconProgram = 106;

// String table ids.
inline constexpr int kStrColChapters = 1;
inline constexpr int kStrColTitle = 2;
inline constexpr int kStrColPages = 3;
inline constexpr int kStrColLoaded = 4;
inline constexpr int kStrChapterRow = 10;
inline constexpr int kStrCoversRow = 11;
inline constexpr int kStrError = 100;
inline constexpr int kStrWarning = 101;
inline constexpr int kStrNotice = 102;
inline constexpr int kStrQuestion = 103;
inline constexpr int kStrAskDefaultPath = 150;
inline constexpr int kStrSaveWhileBusy = 151;

// Win32 style bits used by the templates.
namespace style {
inline constexpr uint32_t Child = 0x40000000;
inline constexpr uint32_t Popup = 0x80000000;
inline constexpr uint32_t Visible = 0x10000000;
inline constexpr uint32_t Disabled = 0x08000000;
inline constexpr uint32_t Caption = 0x00C00000;
inline constexpr uint32_t Border = 0x00800000;
inline constexpr uint32_t VScroll = 0x00200000;
inline constexpr uint32_t SysMenu = 0x00080000;
inline constexpr uint32_t ThickFrame = 0x00040000;
inline constexpr uint32_t Group = 0x00020000;
inline constexpr uint32_t TabStop = 0x00010000;
inline constexpr uint32_t MinimizeBox = 0x00020000;
inline constexpr uint32_t MaximizeBox = 0x00010000;
inline constexpr uint32_t DsSetFont = 0x00000040;
inline constexpr uint32_t DsModalFrame = 0x00000080;
inline constexpr uint32_t BsPushButton = 0x0;
inline constexpr uint32_t BsDefPushButton = 0x1;
inline constexpr uint32_t BsAutoCheckBox = 0x3;
inline constexpr uint32_t BsGroupBox = 0x7;
inline constexpr uint32_t EsMultiline = 0x4;
inline constexpr uint32_t EsAutoHScroll = 0x80;
inline constexpr uint32_t SsLeft = 0x0;
inline constexpr uint32_t SsRight = 0x2;
inline constexpr uint32_t SsLeftNoWordWrap = 0xC;
inline constexpr uint32_t LvsReport = 0x1;
inline constexpr uint32_t LvsNoSortHeader = 0x8000;
inline constexpr uint32_t ExDlgModalFrame = 0x1;
}  // namespace style

// What a control is, for toolkits that do not go by Win32 class names.
enum class ControlKind { PushButton, DefaultButton, CheckBox, GroupBox, Label, Edit, RichEdit, ListView };

struct Rect16 {
    int x, y, width, height;  // dialog units
};

struct ControlTemplate {
    int id;  // kIdNone for statics that code never addresses
    ControlKind kind;
    std::string_view className;  // the Win32 window class
    std::u16string_view text;
    Rect16 rect;
    uint32_t style;  // without WS_CHILD and WS_VISIBLE, which every control has
    uint32_t exStyle;
};

struct DialogTemplate {
    std::string_view className;  // empty: the system's dialog class
    std::u16string_view title;
    Rect16 rect;
    std::u16string_view fontName;
    int fontPoints;
    uint32_t style;
    int menuId;  // 0: no menu
    std::span<const ControlTemplate> controls;  // template order = Tab order

    const ControlTemplate* Find(int id) const;
};

const DialogTemplate& MainWindowTemplate();
const DialogTemplate& SettingsDialogTemplate();

struct MenuItem {
    int id;  // 0 for a separator or a popup
    std::u16string_view text;
    std::span<const MenuItem> popup;  // the items of a popup; empty for a command
};

// Menu 104, the window's menu bar, left to right.
std::span<const MenuItem> MainMenu();

struct StringEntry {
    int id;
    std::u16string_view text;
};

// The whole string table, by ascending id.
std::span<const StringEntry> StringTable();

// A string-table text; empty for an id the table lacks.
std::u16string_view LoadStr(int id);

// Literals the window shows that are not in the string table.
inline constexpr std::u16string_view kStartupFailureText =
    u"Не удалось загрузить окна программы!\nДля работы программы необходимы KernelEX и MSLU!";
inline constexpr std::u16string_view kStartupFailureCaption = u"Zumr";
inline constexpr std::u16string_view kRowMismatchText = u"Не удалось сопоставить структуру с таблицей!";
inline constexpr std::u16string_view kRowMismatchCaption = u"Ошибка UM_UPDATELLW";
inline constexpr std::u16string_view kOpenFileFilterName = u"Все файлы";
inline constexpr std::u16string_view kOpenFileFilterPattern = u"*.*";
inline constexpr std::u16string_view kWindowClassName = u"zumr";

}  // namespace ui
