#pragma once
// Plain-record stand-ins for the toolkit: a list control and a window whose
// controls are laid out from the template (two pixels per dialog unit). Boxes
// and pickers answer from scripts and remember what they were asked.

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/main_window.h"
#include "ui/resources.h"
#include "ui/settings_dialog.h"
#include "ui/views.h"

namespace zt {

using Script = std::deque<std::optional<std::u16string>>;

// The next scripted answer of a picker; nothing (cancelled) once they are used up.
inline std::optional<std::u16string> Next(Script& script)
{
    if (script.empty())
        return std::nullopt;
    auto next = script.front();
    script.pop_front();
    return next;
}

inline size_t U(int32_t index)
{
    return static_cast<size_t>(index);
}

struct FakeRow {
    std::vector<std::u16string> cells;
    int32_t image = 0, key = 0, indent = 0;
    bool checked = false;
};

class FakeListView : public ui::ListView {
public:
    // Where the list reports check changes, as the real controls do for
    // changes made by code as well as by clicks.
    std::function<void(int32_t, bool)> onCheckChanged;
    std::vector<FakeRow> rows;
    std::vector<std::pair<std::u16string, int32_t>> columns;
    int32_t selectionMark = -1, focusedRow = -1;

    void SetUpAppearance() override {}
    bool InsertColumn(int32_t index, std::u16string_view header, int32_t width) override
    {
        if (index != static_cast<int32_t>(columns.size()))
            return false;
        columns.emplace_back(std::u16string(header), width);
        return true;
    }
    int32_t ColumnWidth(int32_t index) const override { return columns.at(U(index)).second; }
    void SetColumnWidth(int32_t index, int32_t width) override { columns.at(U(index)).second = width; }
    void AutoSizeColumn(int32_t index) override
    {
        size_t widest = columns.at(U(index)).first.size();
        for (const FakeRow& row : rows)
            widest = std::max(widest, row.cells[U(index)].size());
        columns.at(U(index)).second = static_cast<int32_t>(widest) * 6;
    }
    int32_t InsertRow(int32_t position, std::u16string_view text, int32_t image, int32_t key, int32_t indent) override
    {
        position = std::clamp(position, 0, RowCount());
        rows.insert(rows.begin() + position, FakeRow{{std::u16string(text), u"", u"", u"", u""}, image, key, indent});
        if (onCheckChanged)  // the Win32 control reports a new row's unchecked box
            onCheckChanged(position, false);
        return position;
    }
    FakeRow& At(int32_t row) { return rows.at(U(row)); }
    const FakeRow* Find(int32_t row) const { return row >= 0 && row < RowCount() ? &rows[U(row)] : nullptr; }
    void SetCell(int32_t row, int32_t column, std::u16string_view text) override { At(row).cells.at(U(column)) = text; }
    std::u16string Cell(int32_t row, int32_t column) const override { return rows.at(U(row)).cells.at(U(column)); }
    std::optional<int32_t> Key(int32_t row) const override
    {
        return Find(row) ? Find(row)->key : std::optional<int32_t>();
    }
    void SetKey(int32_t row, int32_t key) override { At(row).key = key; }
    std::optional<int32_t> Indent(int32_t row) const override
    {
        return Find(row) ? Find(row)->indent : std::optional<int32_t>();
    }
    bool IsChecked(int32_t row) const override { return Find(row) && Find(row)->checked; }
    void SetChecked(int32_t row, bool checked) override
    {
        if (std::exchange(At(row).checked, checked) != checked && onCheckChanged)
            onCheckChanged(row, checked);
    }
    // A click on a row's check box.
    void Click(int32_t row) { SetChecked(row, !IsChecked(row)); }
    void DeleteRow(int32_t row) override { rows.erase(rows.begin() + row); }
    void DeleteAllRows() override { rows.clear(); }
    int32_t RowCount() const override { return static_cast<int32_t>(rows.size()); }
    int32_t SelectionMark() const override { return selectionMark; }
    void FocusRow(int32_t row) override { focusedRow = row; }

    std::vector<std::u16string> Column(int32_t column) const
    {
        std::vector<std::u16string> texts;
        for (const FakeRow& row : rows)
            texts.push_back(row.cells[U(column)]);
        return texts;
    }
    std::vector<int32_t> Keys() const
    {
        std::vector<int32_t> keys;
        for (const FakeRow& row : rows)
            keys.push_back(row.key);
        return keys;
    }
};

struct FakeControl {
    bool enabled = true;
    std::u16string text;
    ui::Rect rect;
};

struct AskedBox {
    std::u16string text, caption;
    ui::BoxButtons buttons;
    ui::BoxIcon icon;
};

class FakeWindowView : public ui::WindowView {
public:
    static constexpr int32_t kUnit = 2;

    FakeWindowView()
    {
        const ui::DialogTemplate& dialog = ui::MainWindowTemplate();
        window = {0, 0, dialog.rect.width * kUnit, dialog.rect.height * kUnit};
        for (const ui::ControlTemplate& c : dialog.controls)
            if (c.id != ui::kIdNone)
                controls[c.id] = FakeControl{true, std::u16string(c.text),
                                             {c.rect.x * kUnit, c.rect.y * kUnit, (c.rect.x + c.rect.width) * kUnit,
                                              (c.rect.y + c.rect.height) * kUnit}};
    }

    std::map<int, FakeControl> controls;
    ui::Rect window;
    std::string description = "(untouched)";
    std::vector<AskedBox> boxes;
    std::deque<ui::BoxAnswer> answers;  // for Yes/No boxes; No when empty
    Script folders, files;
    std::vector<std::u16string> folderAskedAt, fileAskedAt;
    bool threadsFail = false;
    bool holdThreads = false;  // started threads wait in `held` until the test runs them
    std::vector<std::function<void()>> held;

    bool Enabled(int id) const { return controls.at(id).enabled; }
    // OK, START, Cancel as "+" (enabled) or "-".
    std::string Buttons() const
    {
        std::string state;
        for (int id : {ui::kIdOk, ui::kIdStart, ui::kIdCancel})
            state += Enabled(id) ? '+' : '-';
        return state;
    }

    void EnableControl(int id, bool enabled) override { controls.at(id).enabled = enabled; }
    std::u16string ControlText(int id) const override { return controls.at(id).text; }
    void SetControlText(int id, std::u16string_view text) override { controls.at(id).text = text; }
    ui::Rect WindowRect() const override { return window; }
    void SetWindowRect(const ui::Rect& rect) override { window = rect; }
    std::optional<ui::Rect> ControlRect(int id) const override
    {
        auto found = controls.find(id);
        return found == controls.end() ? std::nullopt : std::optional(found->second.rect);
    }
    void MoveControl(int id, int32_t x, int32_t y) override
    {
        ui::Rect& r = controls.at(id).rect;
        r = {x, y, x + r.Width(), y + r.Height()};
    }
    void ResizeControl(int id, int32_t width, int32_t height) override
    {
        ui::Rect& r = controls.at(id).rect;
        r = {r.left, r.top, r.left + width, r.top + height};
    }
    ui::Size ScreenSize() const override { return {1920, 1080}; }
    void SetDescription(std::string_view rtf) override { description = rtf; }
    ui::BoxAnswer ShowBox(std::u16string_view text, std::u16string_view caption, ui::BoxButtons buttons,
                          ui::BoxIcon icon) override
    {
        boxes.push_back({std::u16string(text), std::u16string(caption), buttons, icon});
        if (buttons == ui::BoxButtons::Ok)
            return ui::BoxAnswer::Ok;
        const ui::BoxAnswer answer = answers.empty() ? ui::BoxAnswer::No : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    std::optional<std::u16string> PickFolder(std::u16string_view initial) override
    {
        folderAskedAt.emplace_back(initial);
        return Next(folders);
    }
    std::optional<std::u16string> PickFileToOpen(std::u16string_view initial) override
    {
        fileAskedAt.emplace_back(initial);
        return Next(files);
    }
    void RunSettingsDialog(ui::SettingsDialog&) override {}
    bool StartThread(std::function<void()> body) override
    {
        if (holdThreads)
            held.push_back(std::move(body));
        return !threadsFail && (holdThreads || app::StartDetachedThread(std::move(body)));
    }
    void RequestClose() override {}
    void PostQuit(int) override {}
};

class FakeSettingsDialogView : public ui::SettingsDialogView {
public:
    std::map<int, std::u16string> texts;
    std::map<int, bool> checks;
    Script folders;
    int closedWith = -1;

    std::u16string ControlText(int id) const override
    {
        auto found = texts.find(id);
        return found == texts.end() ? std::u16string() : found->second;
    }
    void SetControlText(int id, std::u16string_view text) override { texts[id] = text; }
    bool IsChecked(int id) const override { return checks.count(id) && checks.at(id); }
    void SetChecked(int id, bool checked) override { checks[id] = checked; }
    std::optional<std::u16string> PickFolder(std::u16string_view) override { return Next(folders); }
    void Close(int result) override { closedWith = result; }
};

}  // namespace zt
