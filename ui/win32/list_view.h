#pragma once
// The chapter list as a common-controls list view (SysListView32): every
// ListView call becomes an LVM_* message to the control.
#include <windows.h>

#include "ui/views.h"

namespace ui::win32 {

class Win32ListView : public ListView {
public:
    void Attach(HWND list) { list_ = list; }
    HWND Handle() const { return list_; }

    void SetUpAppearance() override;
    bool InsertColumn(int32_t index, std::u16string_view header, int32_t width) override;
    int32_t ColumnWidth(int32_t index) const override;
    void SetColumnWidth(int32_t index, int32_t width) override;
    void AutoSizeColumn(int32_t index) override;
    int32_t InsertRow(int32_t position, std::u16string_view text, int32_t image, int32_t key, int32_t indent) override;
    void SetCell(int32_t row, int32_t column, std::u16string_view text) override;
    std::u16string Cell(int32_t row, int32_t column) const override;
    std::optional<int32_t> Key(int32_t row) const override;
    void SetKey(int32_t row, int32_t key) override;
    std::optional<int32_t> Indent(int32_t row) const override;
    bool IsChecked(int32_t row) const override;
    void SetChecked(int32_t row, bool checked) override;
    void DeleteRow(int32_t row) override;
    void DeleteAllRows() override;
    int32_t RowCount() const override;
    int32_t SelectionMark() const override;
    void FocusRow(int32_t row) override;

private:
    HWND list_ = nullptr;
};

}  // namespace ui::win32
