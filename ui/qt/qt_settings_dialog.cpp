#include "ui/qt/qt_settings_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

namespace ui::qt {

std::optional<std::u16string> PickFolderDialog(QWidget* owner, std::u16string_view initial)
{
    QFileDialog dialog(owner, QString(), ToQString(initial));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ToU16(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

QtSettingsDialog::QtSettingsDialog(QWidget* owner, SettingsDialog& logic) : QDialog(owner), logic_(logic)
{
    const DialogTemplate& dialog = SettingsDialogTemplate();
    setWindowTitle(ToQString(dialog.title));
    setModal(true);
    QFont face = font();
    face.setPointSize(dialog.fontPoints);
    setFont(face);
    const DialogBase base = DialogBase::FromFont(fontMetrics());
    setFixedSize(base.ToPixels(dialog.rect.width, dialog.rect.height));
    widgets_ = CreateTemplateControls(dialog, this, base, [this](int id) { logic_.OnCommand(id); });
    // Enter presses the default button (OK) unless another button has the focus.
    for (auto& [id, widget] : widgets_.byId) {
        if (auto* button = qobject_cast<QPushButton*>(widget))
            button->setAutoDefault(true);
        if (qobject_cast<QLineEdit*>(widget))
            widget->installEventFilter(this);
    }
}

int QtSettingsDialog::Run()
{
    logic_.OnInit(*this);
    return exec();
}

QWidget* QtSettingsDialog::Control(int id) const
{
    auto found = widgets_.byId.find(id);
    return found == widgets_.byId.end() ? nullptr : found->second;
}

bool QtSettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (auto& [id, widget] : widgets_.byId)
            if (widget == watched)
                logic_.OnEditLostFocus(id);
    }
    return QDialog::eventFilter(watched, event);
}

void QtSettingsDialog::reject()
{
    logic_.OnCommand(kIdCancel);
}

std::u16string QtSettingsDialog::ControlText(int id) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(Control(id)))
        return ToU16(edit->text());
    if (auto* box = qobject_cast<QAbstractButton*>(Control(id)))
        return ToU16(box->text());
    return {};
}

void QtSettingsDialog::SetControlText(int id, std::u16string_view text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(Control(id)))
        edit->setText(ToQString(text));
    else if (auto* box = qobject_cast<QAbstractButton*>(Control(id)))
        box->setText(ToQString(text));
}

bool QtSettingsDialog::IsChecked(int id) const
{
    auto* box = qobject_cast<QCheckBox*>(Control(id));
    return box && box->isChecked();
}

void QtSettingsDialog::SetChecked(int id, bool checked)
{
    if (auto* box = qobject_cast<QCheckBox*>(Control(id)))
        box->setChecked(checked);
}

std::optional<std::u16string> QtSettingsDialog::PickFolder(std::u16string_view initial)
{
    return PickFolderDialog(this, initial);
}

void QtSettingsDialog::Close(int result)
{
    done(result);
}

}  // namespace ui::qt
