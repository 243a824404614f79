#include "ui/resources.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

using namespace style;
using K = ControlKind;

constexpr uint32_t kEditBox = Border | TabStop | EsAutoHScroll;

// One row of a dialog resource for each kind of control, with the kind's
// Win32 class and usual style.
constexpr ControlTemplate Label(std::u16string_view text, Rect16 rect, uint32_t styleBits = SsLeft)
{
    return {kIdNone, K::Label, "static", text, rect, styleBits, 0};
}
constexpr ControlTemplate Edit(int id, Rect16 rect, uint32_t extra = 0)
{
    return {id, K::Edit, "edit", u"", rect, kEditBox | extra, 0};
}
constexpr ControlTemplate Button(int id, std::u16string_view text, Rect16 rect)
{
    return {id, K::PushButton, "button", text, rect, BsPushButton | TabStop, 0};
}
constexpr ControlTemplate DefaultButton(int id, std::u16string_view text, Rect16 rect)
{
    return {id, K::DefaultButton, "button", text, rect, BsDefPushButton | TabStop, 0};
}
constexpr ControlTemplate CheckBox(int id, std::u16string_view text, Rect16 rect)
{
    return {id, K::CheckBox, "button", text, rect, BsAutoCheckBox | TabStop, 0};
}
constexpr ControlTemplate GroupBox(std::u16string_view text, Rect16 rect)
{
    return {kIdNone, K::GroupBox, "button", text, rect, BsGroupBox, 0};
}

const std::array kMainControls{
    DefaultButton(kIdOk, u"OK", {295, 1, 50, 14}),
    Button(kIdCancel, u"Отмена", {7, 174, 50, 14}),
    Label(u"url:", {7, 3, 12, 9}, SsLeft | Group),
    Edit(kIdUrl, {19, 2, 275, 12}),
    ControlTemplate{kIdNone, K::Label, "static", u"", {7, 18, 106, 151}, Border | SsLeftNoWordWrap, ExDlgModalFrame},
    ControlTemplate{kIdDescription, K::RichEdit, "RichEdit20W", u"", {119, 18, 226, 167},
                    Border | VScroll | EsMultiline, 0},
    ControlTemplate{kIdChapterList, K::ListView, "SysListView32", u"List1", {7, 204, 338, 94},
                    Border | TabStop | LvsReport | LvsNoSortHeader, 0},
    Label(u"Сохранять в:", {7, 192, 46, 9}, SsLeft | Group),
    Edit(kIdSavePath, {53, 191, 279, 12}),
    Button(kIdBrowse, u"..", {332, 191, 13, 12}),
    Button(kIdStart, u"СТАРТ", {60, 174, 53, 14}),
};

const std::array kSettingsControls{
    DefaultButton(kIdOk, u"OK", {221, 182, 50, 14}),
    Button(kIdCancel, u"Cancel", {160, 182, 50, 14}),
    Label(u"По умолчанию сохранять в:", {7, 9, 97, 9}),
    Edit(kIdDefSavePath, {7, 19, 186, 12}),
    Button(kIdDefSavePathBrowse, u"..", {193, 19, 14, 12}),
    Label(u"\\название манги\\", {209, 20, 62, 11}),
    Label(u"Папка с постерами называется:", {7, 45, 112, 9}),
    Edit(kIdCoversDirName, {120, 43, 143, 12}),
    Label(u"Формат именования каталогов глав:", {7, 56, 133, 9}),
    Edit(kIdBookDirName, {7, 68, 46, 12}),
    Edit(kIdChapDirName, {83, 68, 44, 12}),
    Label(u"№тома\\", {55, 69, 27, 11}),
    Label(u"№главы", {129, 69, 30, 11}),
    CheckBox(kIdAppendChapName, u"-Название главы", {160, 69, 73, 10}),
    CheckBox(kIdAddCntToPages, u"№страницы-", {9, 84, 53, 10}),
    Label(u"название страницы", {64, 84, 69, 8}),
    CheckBox(kIdMakeCbz, u"Упаковывать главы в CBZ", {160, 84, 105, 10}),
    GroupBox(u"Сохранение", {3, 0, 271, 96}),
    GroupBox(u"Соединение", {3, 96, 271, 82}),
    CheckBox(kIdRevScan, u"Загружать данные о страницах с конца", {7, 107, 145, 8}),
    Label(u"Представляться серверу (USER AGENT) как:", {7, 118, 151, 9}),
    Edit(kIdUserAgent, {7, 130, 264, 12}, Disabled),
    Label(u"(пусто = не представляться)", {157, 118, 114, 9}, SsRight),
    Label(u"Соединений одновременно (1-8):", {7, 148, 112, 9}),
    Edit(kIdConnections, {120, 146, 20, 12}),
    Label(u"Повторов при сбое (0-10):", {154, 148, 96, 9}),
    Edit(kIdRetries, {251, 146, 20, 12}),
    Label(u"Прокси:", {7, 163, 30, 9}),
    Edit(kIdProxy, {38, 161, 233, 12}),
};

const DialogTemplate kMainWindow{
    "zumr",
    u"zUmr",
    {0, 0, 352, 305},
    u"MS Sans Serif",
    8,
    Visible | Caption | SysMenu | ThickFrame | MinimizeBox | MaximizeBox | DsSetFont,
    kMenuMain,
    kMainControls,
};

const DialogTemplate kSettingsDialog{
    "",
    u"Настройки",
    {0, 0, 277, 203},
    u"MS Sans Serif",
    8,
    Popup | Visible | Caption | SysMenu | DsModalFrame | DsSetFont,
    0,
    kSettingsControls,
};

const std::array kFileMenu{
    MenuItem{kCmdLoadDb, u"Загрузить БД", {}},
    MenuItem{kCmdSaveDb, u"Записать БД", {}},
    MenuItem{0, u"", {}},
    MenuItem{kCmdExit, u"Выход", {}},
};

const std::array kMenuBar{
    MenuItem{0, u"Файл", kFileMenu},
    MenuItem{kCmdSettings, u"Настройки", {}},
};

const std::array kStrings{
    StringEntry{kStrColChapters, u"Главы"},
    StringEntry{kStrColTitle, u"Название"},
    StringEntry{kStrColPages, u"Страниц"},
    StringEntry{kStrColLoaded, u"Загружено"},
    StringEntry{kStrChapterRow, u"Том: %i Глава: %i"},
    StringEntry{kStrCoversRow, u"Коврики"},
    StringEntry{kStrError, u"Ошибка"},
    StringEntry{kStrWarning, u"Предупреждение"},
    StringEntry{kStrNotice, u"Уведомление"},
    StringEntry{kStrQuestion, u"Вопрос"},
    StringEntry{kStrAskDefaultPath, u"Сохранить указанный путь как путь сохранения по умолчанию?"},
    StringEntry{kStrSaveWhileBusy,
                u"Невозможно сохранить базу данных прямо во время загрузки!\nСперва прерви загрузку"},
};

}  // namespace

const ControlTemplate* DialogTemplate::Find(int id) const
{
    if (id == kIdNone)
        return nullptr;
    auto found = std::find_if(controls.begin(), controls.end(), [id](const ControlTemplate& c) { return c.id == id; });
    return found == controls.end() ? nullptr : &*found;
}

const DialogTemplate& MainWindowTemplate() { return kMainWindow; }
const DialogTemplate& SettingsDialogTemplate() { return kSettingsDialog; }
std::span<const MenuItem> MainMenu() { return kMenuBar; }
std::span<const StringEntry> StringTable() { return kStrings; }

std::u16string_view LoadStr(int id)
{
    for (const StringEntry& entry : kStrings)
        if (entry.id == id)
            return entry.text;
    return {};
}

}  // namespace ui
