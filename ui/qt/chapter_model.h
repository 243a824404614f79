#pragma once
// The chapter list's rows as a Qt table model: five text cells, an image, an
// indent, a check box and a key per row. Every change is announced for the
// cells it touches only, so that fills and per-row updates stay cheap.
//
// The window inserts rows one at a time (a fill of thousands, an expansion).
// Neighbouring insertions are gathered into one pending block that the views
// learn of in one step, when control returns to the event loop or before any
// other change of structure; until then the views see the model without it.
// The storage calls below (InsertRows ... SetChecked, Row) take storage rows,
// which include the pending block; the Qt overrides take the views' rows.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStyledItemDelegate>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>

namespace ui::qt {

struct ChapterRow {
    std::array<QString, 5> cells;
    int32_t image = 0;
    int32_t key = 0;
    int32_t indent = 0;
    bool checked = false;
};

class ChapterTableModel : public QAbstractTableModel {
public:
    static constexpr int kColumns = 5;
    // The indent of a row, for the delegate.
    static constexpr int kIndentRole = Qt::UserRole + 1;

    explicit ChapterTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void SetHeader(int column, const QString& text);
    void SetImages(std::array<QIcon, 3> images) { images_ = std::move(images); }
    // Called for every change of a row's check box, by a click or by SetChecked.
    void SetCheckListener(std::function<void(int row, bool checked)> listener) { listener_ = std::move(listener); }

    // Inserts rows at `position` (clamped) in one step; returns the first index.
    int InsertRows(int position, std::vector<ChapterRow> rows);
    int InsertRow(int position, ChapterRow row);
    void RemoveRow(int row);
    void Clear();
    const ChapterRow* Row(int row) const;
    void SetCell(int row, int column, const QString& text);
    void SetKey(int row, int32_t key);
    void SetChecked(int row, bool checked);
    int StorageRows() const { return static_cast<int>(rows_.size()); }
    // Tells the views of the pending rows now.
    void Flush();
    // The storage row of a row the views show.
    int StorageRow(int viewRow) const;

private:
    // The views' row of a storage row, or -1 while it is pending.
    int ViewRow(int storageRow) const;
    // Makes room for `count` rows at `position` in the pending block.
    int BeginPending(int position, int count);

    std::deque<ChapterRow> rows_;
    std::array<QString, kColumns> headers_;
    std::array<QIcon, 3> images_;
    std::function<void(int, bool)> listener_;
    int pendingStart_ = 0;
    int pendingCount_ = 0;
    bool flushQueued_ = false;
};

// Draws (and hit-tests) the first column shifted right by the row's indent,
// one small icon's width per level.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    static QStyleOptionViewItem Shifted(const QStyleOptionViewItem& option, const QModelIndex& index);
};

}  // namespace ui::qt
