#include "ui/qt/qt_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

#include "transfer/notifications.h"
#include "ui/qt/description_pane.h"
#include "ui/qt/qt_settings_dialog.h"

namespace ui::qt {

QtMainWindow::QtMainWindow()
{
    const DialogTemplate& dialog = MainWindowTemplate();
    setWindowTitle(ToQString(dialog.title));
    // The template's point size in the system's own sans-serif face.
    QFont face = font();
    face.setPointSize(dialog.fontPoints);
    setFont(face);
    BuildMenu();
    client_ = new QWidget(this);  // owned by the window
    setCentralWidget(client_);
    const DialogBase base = DialogBase::FromFont(fontMetrics());
    widgets_ = CreateTemplateControls(dialog, client_, base, [this](int id) { Command(id); });
    table_ = qobject_cast<QTableView*>(Control(kIdChapterList));
    if (!table_)
        table_ = new QTableView(client_);  // never shown: the template always has its list
    list_ = std::make_unique<QtListView>(*table_, model_);
    logic_ = std::make_unique<MainWindow>(*this, *list_, [this] {
        QMetaObject::invokeMethod(this, [this] { Wake(); }, Qt::QueuedConnection);
    });
    model_.SetCheckListener([this](int row, bool checked) { logic_->OnListCheckChanged(row, checked); });
    connect(table_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { logic_->OnListDoubleClick(model_.StorageRow(index.row())); });
    for (QWidget* widget : client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        widget->installEventFilter(this);

    // The template's size is the client area's; the menu bar comes on top.
    templateClient_ = base.ToPixels(dialog.rect.width, dialog.rect.height);
    setMinimumSize(0, 0);
    const QSize origin = base.ToPixels(dialog.rect.x, dialog.rect.y);
    setGeometry(origin.width(), origin.height(), templateClient_.width(),
                templateClient_.height() + menuBar()->sizeHint().height());
}

QtMainWindow::~QtMainWindow()
{
    if (hMainWnd.load() == &logic_->Link())
        hMainWnd = nullptr;
    // The logic waits for its workers before the list and model go.
    logic_.reset();
}

void QtMainWindow::BuildMenu()
{
    for (const MenuItem& item : MainMenu()) {
        if (item.popup.empty()) {
            QAction* action = menuBar()->addAction(ToQString(item.text));
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { Command(id); });
            continue;
        }
        QMenu* menu = menuBar()->addMenu(ToQString(item.text));
        for (const MenuItem& entry : item.popup) {
            if (entry.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(ToQString(entry.text));
            const int id = entry.id;
            connect(action, &QAction::triggered, this, [this, id] { Command(id); });
        }
    }
}

void QtMainWindow::Open()
{
    logic_->OnCreate();
    logic_->OnInitDialog();
    initialised_ = true;
    show();
    hMainWnd = &logic_->Link();
}

void QtMainWindow::Command(int id)
{
    logic_->OnCommand(id);
    FlushDeferredWake();
}

void QtMainWindow::Wake()
{
    // Whatever the workers posted before the window went is dropped with it:
    // the record they spoke of has been released.
    if (destroyed_)
        return;
    // While the logic waits for its workers their notifications stay queued
    // until the wait is over, as on a thread that is busy waiting.
    if (inSystemEvents_) {
        wakeDeferred_ = true;
        return;
    }
    logic_->OnWake();
}

void QtMainWindow::FlushDeferredWake()
{
    if (!wakeDeferred_)
        return;
    wakeDeferred_ = false;
    QMetaObject::invokeMethod(this, [this] { Wake(); }, Qt::QueuedConnection);
}

QWidget* QtMainWindow::Control(int id) const
{
    auto found = widgets_.byId.find(id);
    return found == widgets_.byId.end() ? nullptr : found->second;
}

void QtMainWindow::EnableControl(int id, bool enabled)
{
    if (QWidget* widget = Control(id))
        widget->setEnabled(enabled);
}

std::u16string QtMainWindow::ControlText(int id) const
{
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return ToU16(edit->text());
    if (auto* pane = qobject_cast<QTextEdit*>(widget))
        return ToU16(pane->toPlainText());
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return ToU16(button->text());
    return {};
}

void QtMainWindow::SetControlText(int id, std::u16string_view text)
{
    QWidget* widget = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(ToQString(text));
    else if (auto* pane = qobject_cast<QTextEdit*>(widget))
        pane->setPlainText(ToQString(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(ToQString(text));
}

Rect QtMainWindow::WindowRect() const
{
    // The window as Qt places it; the window manager's decoration is not ours
    // to measure or restore.
    const QRect g = geometry();
    return Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void QtMainWindow::SetWindowRect(const Rect& rect)
{
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
}

std::optional<Rect> QtMainWindow::ControlRect(int id) const
{
    QWidget* widget = Control(id);
    if (!widget)
        return std::nullopt;
    const QRect g = widget->geometry();
    return Rect{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

void QtMainWindow::MoveControl(int id, int32_t x, int32_t y)
{
    if (QWidget* widget = Control(id))
        widget->move(x, y);
}

void QtMainWindow::ResizeControl(int id, int32_t width, int32_t height)
{
    if (QWidget* widget = Control(id))
        widget->resize(width, height);
}

Size QtMainWindow::ScreenSize() const
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return {};
    const QSize size = shown->geometry().size();
    return Size{size.width(), size.height()};
}

void QtMainWindow::SetDescription(std::string_view rtf)
{
    if (auto* pane = qobject_cast<QTextEdit*>(Control(kIdDescription)))
        ShowRtf(*pane, rtf);
}

BoxAnswer QtMainWindow::ShowBox(std::u16string_view text, std::u16string_view caption, BoxButtons buttons,
                                BoxIcon icon)
{
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    switch (icon) {
    case BoxIcon::None:
        break;
    case BoxIcon::Error:
        shown = QMessageBox::Critical;
        break;
    case BoxIcon::Warning:
        shown = QMessageBox::Warning;
        break;
    case BoxIcon::Information:
        shown = QMessageBox::Information;
        break;
    case BoxIcon::Question:
        shown = QMessageBox::Question;
        break;
    }
    const QMessageBox::StandardButtons choice =
        buttons == BoxButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    QMessageBox box(shown, ToQString(caption), ToQString(text), choice, this);
    const int answer = box.exec();
    if (buttons == BoxButtons::Ok)
        return BoxAnswer::Ok;
    return answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

std::optional<std::u16string> QtMainWindow::PickFolder(std::u16string_view initial)
{
    return PickFolderDialog(this, initial);
}

std::optional<std::u16string> QtMainWindow::PickFileToOpen(std::u16string_view initial)
{
    const QString start = ToQString(initial);
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(ToQString(kOpenFileFilterName) + " (" + ToQString(kOpenFileFilterPattern) + ")");
    const QFileInfo info(start);
    dialog.setDirectory(info.isDir() ? start : info.absolutePath());
    if (!info.isDir())
        dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ToU16(dialog.selectedFiles().first());
}

void QtMainWindow::RunSettingsDialog(SettingsDialog& dialog)
{
    QtSettingsDialog window(this, dialog);
    window.Run();
}

bool QtMainWindow::StartThread(std::function<void()> body)
{
    return app::StartDetachedThread(std::move(body));
}

void QtMainWindow::RequestClose()
{
    QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
}

void QtMainWindow::PostQuit(int code)
{
    if (quit_)
        quit_(code);
    else
        QCoreApplication::exit(code);
}

void QtMainWindow::ProcessSystemEvents()
{
    // Paints and the like; the user's input waits like the window's own work.
    inSystemEvents_ = true;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    inSystemEvents_ = false;
}

void QtMainWindow::closeEvent(QCloseEvent* event)
{
    if (destroyed_) {
        event->accept();
        return;
    }
    // A second request (the title bar while Exit waits for the workers) is
    // the same close, already under way.
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    logic_->OnClose();
    event->accept();
    // The window goes: the workers no longer have it to report to.
    destroyed_ = true;
    hMainWnd = nullptr;
    logic_->OnDestroy();
    wakeDeferred_ = false;
}

void QtMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (initialised_ && !destroyed_)
        logic_->OnSizing(WindowRect());
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && !destroyed_) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (HandleDialogKey(key))
            return true;
        if (watched == table_ && key.modifiers() == Qt::NoModifier) {
            // The list handles the arrow keys itself as well.
            if (key.key() == Qt::Key_Left)
                logic_->OnListKeyDown(ListKey::Left);
            else if (key.key() == Qt::Key_Right)
                logic_->OnListKeyDown(ListKey::Right);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool QtMainWindow::HandleDialogKey(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return false;
    if (key.key() == Qt::Key_Escape) {
        Command(kIdCancel);
        return true;
    }
    if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter)
        return false;
    // Enter is OK wherever the focus is, a focused push button included, as in
    // the Windows window; Space presses the focused button.
    Command(kIdOk);
    return true;
}

}  // namespace ui::qt
