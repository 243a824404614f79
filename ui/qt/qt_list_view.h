#pragma once
// The chapter list control on a QTableView: ui::ListView translated into the
// table model's and the view's calls.

#include <QPersistentModelIndex>
#include <QTableView>

#include "ui/qt/chapter_model.h"
#include "ui/views.h"

namespace ui::qt {

class QtListView : public ListView {
public:
    // `table` shows `model`; both outlive this object.
    QtListView(QTableView& table, ChapterTableModel& model);

    void SetUpAppearance() override;
    bool InsertColumn(int32_t index, std::u16string_view header, int32_t width) override;
    int32_t ColumnWidth(int32_t index) const override;
    void SetColumnWidth(int32_t index, int32_t width) override;
    void AutoSizeColumn(int32_t index) override;
    int32_t InsertRow(int32_t position, std::u16string_view text, int32_t image, int32_t key,
                      int32_t indent) override;
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
    QTableView& table_;
    ChapterTableModel& model_;
    int columns_ = 0;
    QPersistentModelIndex selectionMark_;
};

}  // namespace ui::qt
