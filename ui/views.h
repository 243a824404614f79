#pragma once
// What the window's logic needs from a toolkit. Each front end (Qt, Win32)
// implements these small interfaces by translating them into its own calls;
// the tests implement them with plain records. Nothing here decides anything.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int32_t width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// The chapter list control: rows of cells with an image, an indent, a check
// box and a signed 32-bit key each.
class ListView {
public:
    virtual ~ListView() = default;

    // Grid lines, check boxes, full-row selection, the three row images
    // (0 closed folder, 1 open folder, 2 file).
    virtual void SetUpAppearance() = 0;
    // False when the column cannot be inserted.
    virtual bool InsertColumn(int32_t index, std::u16string_view header, int32_t width) = 0;
    virtual int32_t ColumnWidth(int32_t index) const = 0;
    virtual void SetColumnWidth(int32_t index, int32_t width) = 0;
    // Sizes the column to fit its contents.
    virtual void AutoSizeColumn(int32_t index) = 0;

    // Inserts a row at `position` (clamped to the row count) with an empty
    // check box; returns the row's index, or -1 when it cannot be inserted.
    virtual int32_t InsertRow(int32_t position, std::u16string_view text, int32_t image, int32_t key,
                              int32_t indent) = 0;
    virtual void SetCell(int32_t row, int32_t column, std::u16string_view text) = 0;
    virtual std::u16string Cell(int32_t row, int32_t column) const = 0;
    // Nothing for a row that does not exist.
    virtual std::optional<int32_t> Key(int32_t row) const = 0;
    virtual void SetKey(int32_t row, int32_t key) = 0;
    virtual std::optional<int32_t> Indent(int32_t row) const = 0;
    virtual bool IsChecked(int32_t row) const = 0;
    // Like the platform's control, a change made here is reported back to the
    // window as a check-state change, exactly as a click would be.
    virtual void SetChecked(int32_t row, bool checked) = 0;
    virtual void DeleteRow(int32_t row) = 0;
    virtual void DeleteAllRows() = 0;
    virtual int32_t RowCount() const = 0;
    // The row that was last selected, or -1.
    virtual int32_t SelectionMark() const = 0;
    // Moves the keyboard focus (not the selection) to a row.
    virtual void FocusRow(int32_t row) = 0;
};

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Error, Warning, Information, Question };
enum class BoxAnswer { Ok, Yes, No };

class SettingsDialog;

// The main window and what it opens: controls by id, modal boxes, pickers,
// the settings dialog, and the worker thread.
class WindowView {
public:
    virtual ~WindowView() = default;

    virtual void EnableControl(int id, bool enabled) = 0;
    virtual std::u16string ControlText(int id) const = 0;
    virtual void SetControlText(int id, std::u16string_view text) = 0;

    // The window's outer rectangle, in screen pixels.
    virtual Rect WindowRect() const = 0;
    // Moves and sizes the window without any notification of its own.
    virtual void SetWindowRect(const Rect& rect) = 0;
    // A control's outer rectangle in the window's client coordinates;
    // nothing for a control the window lacks.
    virtual std::optional<Rect> ControlRect(int id) const = 0;
    virtual void MoveControl(int id, int32_t x, int32_t y) = 0;
    virtual void ResizeControl(int id, int32_t width, int32_t height) = 0;
    virtual Size ScreenSize() const = 0;

    // Replaces the description pane's content with an RTF document; an empty
    // text empties the pane.
    virtual void SetDescription(std::string_view rtf) = 0;

    // A modal box owned by the window.
    virtual BoxAnswer ShowBox(std::u16string_view text, std::u16string_view caption, BoxButtons buttons,
                              BoxIcon icon) = 0;
    // The folder picker, opened at `initial`; the chosen folder's path, or
    // nothing when cancelled.
    virtual std::optional<std::u16string> PickFolder(std::u16string_view initial) = 0;
    // The open-file dialog (one filter: all files), starting from `initial`
    // as both file name and folder; the chosen file, or nothing.
    virtual std::optional<std::u16string> PickFileToOpen(std::u16string_view initial) = 0;
    // Runs the settings dialog modally; returns when it has closed.
    virtual void RunSettingsDialog(SettingsDialog& dialog) = 0;

    // Starts `body` on a new thread at once; false when no thread can be made.
    virtual bool StartThread(std::function<void()> body) = 0;
    // Queues a close request (the close then arrives as an event of its own).
    virtual void RequestClose() = 0;
    // Ends the message loop with `code` once the window is gone.
    virtual void PostQuit(int code) = 0;
    // Lets the toolkit deliver what it must while the window's thread waits
    // (a sent message, a paint); never runs the window's own commands.
    virtual void ProcessSystemEvents() {}
};

// The settings dialog's controls.
class SettingsDialogView {
public:
    virtual ~SettingsDialogView() = default;
    virtual std::u16string ControlText(int id) const = 0;
    virtual void SetControlText(int id, std::u16string_view text) = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    // The folder picker, owned by the dialog.
    virtual std::optional<std::u16string> PickFolder(std::u16string_view initial) = 0;
    // Closes the dialog with its result (1 for OK, 0 otherwise).
    virtual void Close(int result) = 0;
};

}  // namespace ui
