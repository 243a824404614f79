#include "ui/qt/chapter_model.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <iterator>

namespace ui::qt {

ChapterTableModel::ChapterTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int ChapterTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size()) - pendingCount_;
}

int ChapterTableModel::StorageRow(int viewRow) const
{
    return viewRow < pendingStart_ ? viewRow : viewRow + pendingCount_;
}

int ChapterTableModel::ViewRow(int storageRow) const
{
    if (storageRow < pendingStart_)
        return storageRow;
    if (storageRow < pendingStart_ + pendingCount_)
        return -1;
    return storageRow - pendingCount_;
}

void ChapterTableModel::Flush()
{
    if (pendingCount_ == 0)
        return;
    beginInsertRows(QModelIndex(), pendingStart_, pendingStart_ + pendingCount_ - 1);
    pendingCount_ = 0;
    endInsertRows();
}

int ChapterTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

const ChapterRow* ChapterTableModel::Row(int row) const
{
    return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[static_cast<size_t>(row)] : nullptr;
}

QVariant ChapterTableModel::data(const QModelIndex& index, int role) const
{
    const ChapterRow* row = index.row() < rowCount() ? Row(StorageRow(index.row())) : nullptr;
    if (!row || index.column() < 0 || index.column() >= kColumns)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return row->cells[static_cast<size_t>(index.column())];
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return row->checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0 && row->image >= 0 && row->image < static_cast<int>(images_.size()))
            return images_[static_cast<size_t>(row->image)];
        return {};
    case kIndentRole:
        return row->indent;
    default:
        return {};
    }
}

bool ChapterTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != 0 || index.row() >= rowCount())
        return false;
    SetChecked(StorageRow(index.row()), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ChapterTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ChapterTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumns)
        return headers_[static_cast<size_t>(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ChapterTableModel::SetHeader(int column, const QString& text)
{
    if (column < 0 || column >= kColumns)
        return;
    headers_[static_cast<size_t>(column)] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int ChapterTableModel::BeginPending(int position, int count)
{
    position = std::clamp(position, 0, static_cast<int>(rows_.size()));
    if (pendingCount_ > 0 && (position < pendingStart_ || position > pendingStart_ + pendingCount_))
        Flush();
    if (pendingCount_ == 0)
        pendingStart_ = position;
    pendingCount_ += count;
    if (!flushQueued_) {
        flushQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                flushQueued_ = false;
                Flush();
            },
            Qt::QueuedConnection);
    }
    return position;
}

int ChapterTableModel::InsertRows(int position, std::vector<ChapterRow> rows)
{
    if (rows.empty())
        return std::clamp(position, 0, static_cast<int>(rows_.size()));
    position = BeginPending(position, static_cast<int>(rows.size()));
    rows_.insert(rows_.begin() + position, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    return position;
}

int ChapterTableModel::InsertRow(int position, ChapterRow row)
{
    position = BeginPending(position, 1);
    rows_.insert(rows_.begin() + position, std::move(row));
    return position;
}

void ChapterTableModel::RemoveRow(int row)
{
    if (!Row(row))
        return;
    Flush();
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void ChapterTableModel::Clear()
{
    beginResetModel();
    rows_.clear();
    pendingCount_ = 0;
    endResetModel();
}

void ChapterTableModel::SetCell(int row, int column, const QString& text)
{
    if (!Row(row) || column < 0 || column >= kColumns)
        return;
    rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)] = text;
    const int shown = ViewRow(row);
    if (shown >= 0) {
        const QModelIndex cell = index(shown, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

void ChapterTableModel::SetKey(int row, int32_t key)
{
    if (Row(row))
        rows_[static_cast<size_t>(row)].key = key;
}

void ChapterTableModel::SetChecked(int row, bool checked)
{
    if (!Row(row) || rows_[static_cast<size_t>(row)].checked == checked)
        return;
    rows_[static_cast<size_t>(row)].checked = checked;
    const int shown = ViewRow(row);
    if (shown >= 0) {
        const QModelIndex cell = index(shown, 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
    if (listener_)
        listener_(row, checked);
}

QStyleOptionViewItem IndentDelegate::Shifted(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    QStyleOptionViewItem shifted = option;
    const int indent = index.column() == 0 ? index.data(ChapterTableModel::kIndentRole).toInt() : 0;
    if (indent > 0) {
        const QWidget* widget = option.widget;
        const QStyle* style = widget ? widget->style() : QApplication::style();
        shifted.rect.setLeft(shifted.rect.left() + indent * style->pixelMetric(QStyle::PM_SmallIconSize));
    }
    return shifted;
}

void IndentDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QStyleOptionViewItem shifted = Shifted(option, index);
    if (shifted.rect != option.rect) {
        // The selection's background still spans the whole cell.
        QStyleOptionViewItem whole = option;
        initStyleOption(&whole, index);
        whole.text.clear();
        whole.icon = QIcon();
        whole.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &whole, painter, option.widget);
    }
    QStyledItemDelegate::paint(painter, shifted, index);
}

bool IndentDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    return QStyledItemDelegate::editorEvent(event, model, Shifted(option, index), index);
}

}  // namespace ui::qt
