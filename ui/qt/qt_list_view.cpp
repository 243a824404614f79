#include "ui/qt/qt_list_view.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStyle>

#include "ui/qt/template_widgets.h"

namespace ui::qt {

QtListView::QtListView(QTableView& table, ChapterTableModel& model) : table_(table), model_(model)
{
    table_.setModel(&model_);
    table_.setItemDelegate(new IndentDelegate(&table_));
    // The row that was last selected, kept across rows inserted above it.
    QObject::connect(table_.selectionModel(), &QItemSelectionModel::selectionChanged, &table_,
                     [this](const QItemSelection& selected, const QItemSelection&) {
                         if (selected.isEmpty())
                             return;
                         const QModelIndex current = table_.selectionModel()->currentIndex();
                         const QModelIndex row = current.isValid() && selected.contains(current)
                                                     ? current
                                                     : selected.indexes().first();
                         selectionMark_ = QPersistentModelIndex(row.siblingAtColumn(0));
                     });
}

void QtListView::SetUpAppearance()
{
    table_.setShowGrid(true);
    table_.setSelectionBehavior(QAbstractItemView::SelectRows);
    table_.setSelectionMode(QAbstractItemView::SingleSelection);
    table_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_.setSortingEnabled(false);
    table_.setWordWrap(false);
    table_.verticalHeader()->hide();
    table_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_.verticalHeader()->setDefaultSectionSize(table_.fontMetrics().height() + 4);
    table_.horizontalHeader()->setSectionsClickable(false);
    table_.horizontalHeader()->setSortIndicatorShown(false);
    table_.horizontalHeader()->setStretchLastSection(false);
    table_.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table_.horizontalHeader()->setMinimumSectionSize(0);
    table_.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QStyle* style = table_.style();
    table_.setIconSize(QSize(style->pixelMetric(QStyle::PM_SmallIconSize), style->pixelMetric(QStyle::PM_SmallIconSize)));
    model_.SetImages({style->standardIcon(QStyle::SP_DirClosedIcon), style->standardIcon(QStyle::SP_DirOpenIcon),
                      style->standardIcon(QStyle::SP_FileIcon)});
    for (int column = ChapterTableModel::kColumns - 1; column >= 0; --column)
        table_.setColumnHidden(column, true);
}

bool QtListView::InsertColumn(int32_t index, std::u16string_view header, int32_t width)
{
    // The model has its five columns from the start; inserting one shows it.
    if (index != columns_ || index >= ChapterTableModel::kColumns)
        return false;
    model_.SetHeader(index, ToQString(header));
    table_.setColumnHidden(index, false);
    table_.setColumnWidth(index, width);
    ++columns_;
    return true;
}

int32_t QtListView::ColumnWidth(int32_t index) const
{
    return index >= 0 && index < columns_ ? table_.columnWidth(index) : 0;
}

void QtListView::SetColumnWidth(int32_t index, int32_t width)
{
    if (index >= 0 && index < columns_)
        table_.setColumnWidth(index, width);
}

void QtListView::AutoSizeColumn(int32_t index)
{
    model_.Flush();
    if (index >= 0 && index < columns_)
        table_.resizeColumnToContents(index);
}

int32_t QtListView::InsertRow(int32_t position, std::u16string_view text, int32_t image, int32_t key, int32_t indent)
{
    ChapterRow row;
    row.cells[0] = ToQString(text);
    row.image = image;
    row.key = key;
    row.indent = indent;
    return model_.InsertRow(position, std::move(row));
}

void QtListView::SetCell(int32_t row, int32_t column, std::u16string_view text)
{
    model_.SetCell(row, column, ToQString(text));
}

std::u16string QtListView::Cell(int32_t row, int32_t column) const
{
    const ChapterRow* found = model_.Row(row);
    if (!found || column < 0 || column >= ChapterTableModel::kColumns)
        return {};
    return ToU16(found->cells[static_cast<size_t>(column)]);
}

std::optional<int32_t> QtListView::Key(int32_t row) const
{
    const ChapterRow* found = model_.Row(row);
    return found ? std::optional<int32_t>(found->key) : std::nullopt;
}

void QtListView::SetKey(int32_t row, int32_t key)
{
    model_.SetKey(row, key);
}

std::optional<int32_t> QtListView::Indent(int32_t row) const
{
    const ChapterRow* found = model_.Row(row);
    return found ? std::optional<int32_t>(found->indent) : std::nullopt;
}

bool QtListView::IsChecked(int32_t row) const
{
    const ChapterRow* found = model_.Row(row);
    return found && found->checked;
}

void QtListView::SetChecked(int32_t row, bool checked)
{
    model_.SetChecked(row, checked);
}

void QtListView::DeleteRow(int32_t row)
{
    model_.RemoveRow(row);
}

void QtListView::DeleteAllRows()
{
    model_.Clear();
}

int32_t QtListView::RowCount() const
{
    return model_.StorageRows();
}

int32_t QtListView::SelectionMark() const
{
    return selectionMark_.isValid() ? model_.StorageRow(selectionMark_.row()) : -1;
}

void QtListView::FocusRow(int32_t row)
{
    model_.Flush();
    if (model_.Row(row))
        table_.selectionModel()->setCurrentIndex(model_.index(row, 0), QItemSelectionModel::NoUpdate);
}

}  // namespace ui::qt
