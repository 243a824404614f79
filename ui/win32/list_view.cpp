#include "ui/win32/list_view.h"

#include <commctrl.h>

#include <string>

namespace ui::win32 {
namespace {

// The state image of a check box: 1 unchecked, 2 checked.
constexpr UINT kUnchecked = 1u << 12;
constexpr UINT kChecked = 2u << 12;

}  // namespace

void Win32ListView::SetUpAppearance()
{
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    // Closed folder, open folder and document from the shell's own icons.
    HIMAGELIST large = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                        ILC_COLOR32 | ILC_MASK, 1, 1);
    HIMAGELIST small = ImageList_Create(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                        ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HMODULE shell = LoadLibraryA("shell32.dll")) {
        for (int id : {4, 5, 2}) {
            if (HICON icon = LoadIconW(shell, MAKEINTRESOURCEW(id))) {
                ImageList_ReplaceIcon(large, -1, icon);
                ImageList_ReplaceIcon(small, -1, icon);
                DestroyIcon(icon);
            }
        }
        FreeLibrary(shell);
    }
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
    SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
}

bool Win32ListView::InsertColumn(int32_t index, std::u16string_view header, int32_t width)
{
    std::wstring text(header.begin(), header.end());
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    return SendMessageW(list_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)) == index;
}

int32_t Win32ListView::ColumnWidth(int32_t index) const
{
    return static_cast<int32_t>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, index, 0));
}

void Win32ListView::SetColumnWidth(int32_t index, int32_t width)
{
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0));
}

void Win32ListView::AutoSizeColumn(int32_t index)
{
    SendMessageW(list_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(LVSCW_AUTOSIZE, 0));
}

int32_t Win32ListView::InsertRow(int32_t position, std::u16string_view text, int32_t image, int32_t key,
                                 int32_t indent)
{
    std::wstring label(text.begin(), text.end());
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_INDENT | LVIF_STATE;
    item.iItem = position;
    item.pszText = label.data();
    item.iImage = image;
    item.lParam = key;
    item.iIndent = indent;
    item.state = kUnchecked;
    item.stateMask = LVIS_STATEIMAGEMASK;
    return static_cast<int32_t>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32ListView::SetCell(int32_t row, int32_t column, std::u16string_view text)
{
    std::wstring value(text.begin(), text.end());
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = value.data();
    SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::u16string Win32ListView::Cell(int32_t row, int32_t column) const
{
    wchar_t buffer[512] = {};
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    if (!SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::optional<int32_t> Win32ListView::Key(int32_t row) const
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::nullopt;
    return static_cast<int32_t>(item.lParam);
}

void Win32ListView::SetKey(int32_t row, int32_t key)
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = key;
    SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::optional<int32_t> Win32ListView::Indent(int32_t row) const
{
    LVITEMW item{};
    item.mask = LVIF_INDENT;
    item.iItem = row;
    if (row < 0 || !SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::nullopt;
    return static_cast<int32_t>(item.iIndent);
}

bool Win32ListView::IsChecked(int32_t row) const
{
    const UINT state = static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == kChecked;
}

void Win32ListView::SetChecked(int32_t row, bool checked)
{
    LVITEMW item{};
    item.state = checked ? kChecked : kUnchecked;
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void Win32ListView::DeleteRow(int32_t row)
{
    SendMessageW(list_, LVM_DELETEITEM, row, 0);
}

void Win32ListView::DeleteAllRows()
{
    SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

int32_t Win32ListView::RowCount() const
{
    return static_cast<int32_t>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

int32_t Win32ListView::SelectionMark() const
{
    return static_cast<int32_t>(SendMessageW(list_, LVM_GETSELECTIONMARK, 0, 0));
}

void Win32ListView::FocusRow(int32_t row)
{
    LVITEMW item{};
    item.state = LVIS_FOCUSED;
    item.stateMask = LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace ui::win32
