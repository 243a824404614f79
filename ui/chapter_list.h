#pragma once
// The chapter list's behaviour: one row per chapter (newest on top) and one
// for the covers, keyed so that a worker's notification finds its row even
// after rows above it were expanded; check boxes that tick the record's
// chapters and covers; page and cover sub-rows whose check boxes decide which
// pages are fetched again.

#include <cstdint>
#include <optional>

#include "model/manga_info.h"
#include "settings/app_settings.h"
#include "ui/views.h"

namespace ui {

enum class ListKey { Left, Right, Other };

class ChapterList {
public:
    ChapterList(ListView& view, WindowView& window, MangaInfo& manga);

    // Appearance and the five columns, with widths from the settings; on a
    // first run the first fill fits the chapter column to its labels.
    void SetUp(const AppSettings& settings);
    // Removes every row.
    void Clear() { view_.DeleteAllRows(); }
    // Rows from the record, leaving its tick flags as they are.
    void Fill();
    // UM_UPDATELLW, UM_PROGRESS or UM_ERRORCODE for the row with key `key`.
    void Update(uint32_t message, int32_t key, int32_t value);
    // Widths of the first four columns into the settings.
    void SaveColumnWidths(AppSettings& settings) const;

    // The list's events. `checked` is the row's new check state, reported
    // only for a change of the check box alone.
    void OnCheckChanged(int32_t row, bool checked);
    void OnDoubleClick(int32_t row);
    void OnKeyDown(ListKey key);

    // Row of the notification key `key` (either form), or -1.
    int32_t FindRow(int32_t key) const;

private:
    void Expand(int32_t row, int32_t key);
    void Collapse(int32_t row, int32_t key);

    ListView& view_;
    WindowView& window_;
    MangaInfo& manga_;
    // The chapter column's width on a first run, until the first fill.
    std::optional<int32_t> firstRunWidth_;
};

}  // namespace ui
