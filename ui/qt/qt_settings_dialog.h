#pragma once
// The settings dialog (template 105) as a modal QDialog that forwards its
// events to ui::SettingsDialog.

#include <QDialog>

#include "ui/qt/template_widgets.h"
#include "ui/settings_dialog.h"
#include "ui/views.h"

namespace ui::qt {

class QtSettingsDialog : public QDialog, public SettingsDialogView {
public:
    QtSettingsDialog(QWidget* owner, SettingsDialog& logic);

    // Fills the controls and runs the dialog until it closes.
    int Run();

    std::u16string ControlText(int id) const override;
    void SetControlText(int id, std::u16string_view text) override;
    bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    std::optional<std::u16string> PickFolder(std::u16string_view initial) override;
    void Close(int result) override;

    QWidget* Control(int id) const;

protected:
    // Escape and the title bar's close button.
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SettingsDialog& logic_;
    TemplateWidgets widgets_;
};

// The folder picker of both windows: opens at `initial`, returns the chosen
// folder or nothing.
std::optional<std::u16string> PickFolderDialog(QWidget* owner, std::u16string_view initial);

}  // namespace ui::qt
