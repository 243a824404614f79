#include "ui/resources.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

using namespace style;
using K = ControlKind;

constexpr uint32_t kEditBox = Border | TabStop | EsAutoHScroll;

const std::array kMainControls{
    ControlTemplate{kIdOk, K::DefaultButton, "button", u"OK", {295, 1, 50, 14}, BsDefPushButton | TabStop, 0},
    ControlTemplate{kIdCancel, K::PushButton, "button", u"Отмена", {7, 174, 50, 14}, BsPushButton | TabStop, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"url:", {7, 3, 12, 9}, SsLeft | Group, 0},
    ControlTemplate{kIdUrl, K::Edit, "edit", u"", {19, 2, 275, 12}, kEditBox, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"", {7, 18, 106, 151}, Border | SsLeftNoWordWrap, ExDlgModalFrame},
    ControlTemplate{kIdDescription, K::RichEdit, "RichEdit20W", u"", {119, 18, 226, 167},
                    Border | VScroll | EsMultiline, 0},
    ControlTemplate{kIdChapterList, K::ListView, "SysListView32", u"List1", {7, 204, 338, 94},
                    Border | TabStop | LvsReport | LvsNoSortHeader, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Сохранять в:", {7, 192, 46, 9}, SsLeft | Group, 0},
    ControlTemplate{kIdSavePath, K::Edit, "edit", u"", {53, 191, 279, 12}, kEditBox, 0},
    ControlTemplate{kIdBrowse, K::PushButton, "button", u"..", {332, 191, 13, 12}, BsPushButton | TabStop, 0},
    ControlTemplate{kIdStart, K::PushButton, "button", u"СТАРТ", {60, 174, 53, 14}, BsPushButton | TabStop, 0},
};

const std::array kSettingsControls{
    ControlTemplate{kIdOk, K::DefaultButton, "button", u"OK", {221, 182, 50, 14}, BsDefPushButton | TabStop, 0},
    ControlTemplate{kIdCancel, K::PushButton, "button", u"Cancel", {160, 182, 50, 14}, BsPushButton | TabStop, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"По умолчанию сохранять в:", {7, 9, 97, 9}, SsLeft, 0},
    ControlTemplate{kIdDefSavePath, K::Edit, "edit", u"", {7, 19, 186, 12}, kEditBox, 0},
    ControlTemplate{kIdDefSavePathBrowse, K::PushButton, "button", u"..", {193, 19, 14, 12}, BsPushButton | TabStop, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"\\название манги\\", {209, 20, 62, 11}, SsLeft, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Папка с постерами называется:", {7, 45, 112, 9}, SsLeft, 0},
    ControlTemplate{kIdCoversDirName, K::Edit, "edit", u"", {120, 43, 143, 12}, kEditBox, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Формат именования каталогов глав:", {7, 56, 133, 9}, SsLeft, 0},
    ControlTemplate{kIdBookDirName, K::Edit, "edit", u"", {7, 68, 46, 12}, kEditBox, 0},
    ControlTemplate{kIdChapDirName, K::Edit, "edit", u"", {83, 68, 44, 12}, kEditBox, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"№тома\\", {55, 69, 27, 11}, SsLeft, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"№главы", {129, 69, 30, 11}, SsLeft, 0},
    ControlTemplate{kIdAppendChapName, K::CheckBox, "button", u"-Название главы", {160, 69, 73, 10},
                    BsAutoCheckBox | TabStop, 0},
    ControlTemplate{kIdAddCntToPages, K::CheckBox, "button", u"№страницы-", {9, 84, 53, 10},
                    BsAutoCheckBox | TabStop, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"название страницы", {64, 84, 69, 8}, SsLeft, 0},
    ControlTemplate{kIdMakeCbz, K::CheckBox, "button", u"Упаковывать главы в CBZ", {160, 84, 105, 10},
                    BsAutoCheckBox | TabStop, 0},
    ControlTemplate{kIdNone, K::GroupBox, "button", u"Сохранение", {3, 0, 271, 96}, BsGroupBox, 0},
    ControlTemplate{kIdNone, K::GroupBox, "button", u"Соединение", {3, 96, 271, 82}, BsGroupBox, 0},
    ControlTemplate{kIdRevScan, K::CheckBox, "button", u"Загружать данные о страницах с конца", {7, 107, 145, 8},
                    BsAutoCheckBox | TabStop, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Представляться серверу (USER AGENT) как:", {7, 118, 151, 9}, SsLeft,
                    0},
    ControlTemplate{kIdUserAgent, K::Edit, "edit", u"", {7, 130, 264, 12}, kEditBox | Disabled, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"(пусто = не представляться)", {157, 118, 114, 9}, SsRight, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Соединений одновременно (1-8):", {7, 148, 112, 9}, SsLeft, 0},
    ControlTemplate{kIdConnections, K::Edit, "edit", u"", {120, 146, 20, 12}, kEditBox, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Повторов при сбое (0-10):", {154, 148, 96, 9}, SsLeft, 0},
    ControlTemplate{kIdRetries, K::Edit, "edit", u"", {251, 146, 20, 12}, kEditBox, 0},
    ControlTemplate{kIdNone, K::Label, "static", u"Прокси:", {7, 163, 30, 9}, SsLeft, 0},
    ControlTemplate{kIdProxy, K::Edit, "edit", u"", {38, 161, 233, 12}, kEditBox, 0},
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
