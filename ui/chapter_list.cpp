#include "ui/chapter_list.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "model/text_codec.h"
#include "transfer/format_wide.h"
#include "transfer/notifications.h"
#include "ui/resources.h"
#include "ui/text_format.h"

namespace ui {
namespace {

constexpr int32_t kImageFolder = 0;
constexpr int32_t kImageFile = 2;
constexpr int32_t kErrorColumn = 4;
constexpr int32_t kErrorColumnWidth = 5;
constexpr size_t kMaxSubRowUnits = 511;

std::u16string Format(std::u16string_view format, int64_t first, int64_t second = 0)
{
    std::u16string text;
    FormatWide(text, format, {first, second});
    return text;
}

// The part of an address after its last "/", as the sub-row shows it.
std::u16string AddressFileName(const OptString& url)
{
    if (!url)
        return {};
    const size_t slash = url->rfind('/');
    std::u16string name = Utf8ToUtf16(slash == std::string::npos ? *url : url->substr(slash + 1));
    return CutUnits(std::move(name), kMaxSubRowUnits);
}

}  // namespace

ChapterList::ChapterList(ListView& view, WindowView& window, MangaInfo& manga)
    : view_(view), window_(window), manga_(manga)
{
}

void ChapterList::SetUp(const AppSettings& settings)
{
    view_.SetUpAppearance();
    const std::u16string_view headers[] = {LoadStr(kStrColChapters), LoadStr(kStrColTitle), LoadStr(kStrColPages),
                                           LoadStr(kStrColLoaded), u""};
    const int32_t widths[] = {settings.ColWchCH, settings.ColWchNAM, settings.ColWchP, settings.ColWchL,
                              kErrorColumnWidth};
    for (int32_t column = 0; column < 5; ++column) {
        if (!view_.InsertColumn(column, headers[column], widths[column]))
            break;
        if (column == 0 && !settings.bColWchCHSaved)
            firstRunWidth_ = widths[0];
    }
}

void ChapterList::Fill()
{
    // Setting a check box is reported back like a click, which would write the
    // flag; each flag is taken before and put back after, so a fill never
    // changes what the record says.
    const uint8_t skipCovers = manga_.bSkipCovers.load();
    const int32_t coversRow = view_.InsertRow(0, LoadStr(kStrCoversRow), kImageFolder, manga_.ChapCnt(), 0);
    if (coversRow >= 0) {
        view_.SetChecked(coversRow, skipCovers == 0);
        view_.SetCell(coversRow, 2, Format(u"0/%i", manga_.CoverCnt()));
    }
    manga_.bSkipCovers = skipCovers;

    for (int32_t i = 0; i < manga_.ChapCnt(); ++i) {
        ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(i)];
        const uint8_t skip = chapter.bSkip.load();
        const int32_t row =
            view_.InsertRow(0, Format(LoadStr(kStrChapterRow), chapter.Vol, chapter.Num), kImageFolder, i, 0);
        if (row >= 0) {
            view_.SetCell(row, 1, chapter.Name.value_or(std::u16string()));
            view_.SetChecked(row, skip == 0);
        }
        chapter.bSkip = skip;
    }

    // The default width cuts every "Том: 1 Глава: 12"; unless the user has
    // dragged the column meanwhile, the labels of the first fill decide it.
    if (firstRunWidth_ && view_.ColumnWidth(0) == *firstRunWidth_)
        view_.AutoSizeColumn(0);
    firstRunWidth_.reset();
}

int32_t ChapterList::FindRow(int32_t key) const
{
    // Keys outside the record would make the complement of a negative key
    // look like a chapter's.
    if (key < 0 || key > manga_.ChapCnt())
        return -1;
    const int32_t expected = manga_.ChapCnt() - key - 1;
    const int32_t rows = view_.RowCount();
    for (int32_t row = std::max(expected, 0); row < rows; ++row) {
        if (view_.Indent(row).value_or(-1) != 0)
            continue;
        const std::optional<int32_t> rowKey = view_.Key(row);
        if (rowKey && (*rowKey == key || *rowKey == ~key))
            return row;
    }
    return -1;
}

void ChapterList::Update(uint32_t message, int32_t key, int32_t value)
{
    const int32_t row = FindRow(key);
    if (row < 0) {
        window_.ShowBox(kRowMismatchText, kRowMismatchCaption, BoxButtons::Ok, BoxIcon::None);
        return;
    }
    if (message == UM_UPDATELLW) {
        int32_t total = 0;
        {
            std::lock_guard<std::mutex> guard(manga_.ListLock);
            total = key < manga_.ChapCnt() ? manga_.Chaps[static_cast<size_t>(key)].PageCnt() : manga_.CoverCnt();
        }
        view_.SetCell(row, 2, Format(u"%i/%i", value, total));
    } else if (message == UM_PROGRESS) {
        view_.SetCell(row, 3, ProgressText(value));
    } else if (message == UM_ERRORCODE) {
        view_.SetCell(row, kErrorColumn, ErrorCodeText(value));
        if (view_.ColumnWidth(kErrorColumn) < 10)
            view_.AutoSizeColumn(kErrorColumn);
    }
}

void ChapterList::SaveColumnWidths(AppSettings& settings) const
{
    settings.ColWchCH = view_.ColumnWidth(0);
    settings.ColWchNAM = view_.ColumnWidth(1);
    settings.ColWchP = view_.ColumnWidth(2);
    settings.ColWchL = view_.ColumnWidth(3);
}

void ChapterList::OnCheckChanged(int32_t row, bool checked)
{
    const std::optional<int32_t> rowKey = view_.Key(row);
    if (!rowKey || view_.Indent(row).value_or(-1) != 0)
        return;
    const int32_t key = *rowKey < 0 ? ~*rowKey : *rowKey;
    const uint8_t skip = checked ? 0 : 1;
    if (key < manga_.ChapCnt())
        manga_.Chaps[static_cast<size_t>(key)].bSkip = skip;
    else if (key == manga_.ChapCnt())
        manga_.bSkipCovers = skip;
}

void ChapterList::OnDoubleClick(int32_t row)
{
    if (row < 0)
        return;
    const std::optional<int32_t> key = view_.Key(row);
    if (!key || view_.Indent(row).value_or(-1) != 0)
        return;
    if (*key >= 0)
        Expand(row, *key);
    else
        Collapse(row, *key);
}

void ChapterList::Expand(int32_t row, int32_t key)
{
    view_.SetKey(row, ~key);
    struct SubRow {
        std::u16string text;
        bool checked;
    };
    std::vector<SubRow> subRows;
    {
        // A running scan may be publishing this chapter's pages right now.
        std::lock_guard<std::mutex> guard(manga_.ListLock);
        if (key < manga_.ChapCnt()) {
            for (const PageInfo& page : manga_.Chaps[static_cast<size_t>(key)].Pages)
                subRows.push_back({AddressFileName(page.Url), page.bLoaded.load() == 0});
        } else if (key == manga_.ChapCnt()) {
            for (const CoverInfo& cover : manga_.Covers)
                subRows.push_back({AddressFileName(cover.Url), true});
        }
    }
    for (size_t j = 0; j < subRows.size(); ++j) {
        const int32_t index = static_cast<int32_t>(j);
        const int32_t subRow = view_.InsertRow(row + 1 + index, subRows[j].text, kImageFile, index, 1);
        if (subRow >= 0)
            view_.SetChecked(subRow, subRows[j].checked);
    }
}

void ChapterList::Collapse(int32_t row, int32_t complementedKey)
{
    const int32_t key = ~complementedKey;
    view_.SetKey(row, key);
    std::lock_guard<std::mutex> guard(manga_.ListLock);
    if (key < manga_.ChapCnt()) {
        ChapterInfo& chapter = manga_.Chaps[static_cast<size_t>(key)];
        for (int32_t n = 0; n < chapter.PageCnt(); ++n) {
            if (view_.Indent(row + 1).value_or(-1) != 1)
                break;
            const int32_t page = view_.Key(row + 1).value_or(-1);
            if (page >= 0 && page < chapter.PageCnt())
                chapter.Pages[static_cast<size_t>(page)].bLoaded = view_.IsChecked(row + 1) ? 0 : 1;
            view_.DeleteRow(row + 1);
        }
    } else if (key == manga_.ChapCnt()) {
        for (int32_t n = 0; n < manga_.CoverCnt() && view_.Indent(row + 1).value_or(-1) == 1; ++n)
            view_.DeleteRow(row + 1);
    }
}

void ChapterList::OnKeyDown(ListKey pressed)
{
    const int32_t row = view_.SelectionMark();
    if (row < 0 || pressed == ListKey::Other)
        return;
    const std::optional<int32_t> key = view_.Key(row);
    const std::optional<int32_t> indent = view_.Indent(row);
    if (!key || !indent)
        return;
    if (*indent == 0) {
        if (pressed == ListKey::Right && *key >= 0)
            Expand(row, *key);
        else if (pressed == ListKey::Left && *key < 0)
            Collapse(row, *key);
        return;
    }
    if (pressed == ListKey::Left) {
        for (int32_t above = row - 1; above >= 0; --above) {
            if (view_.Indent(above).value_or(*indent) < *indent) {
                view_.FocusRow(above);
                return;
            }
        }
    }
}

}  // namespace ui
