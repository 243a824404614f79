#pragma once
// The settings dialog's behaviour: shows the CONFIG settings, cleans the
// folder names, the numbers and the proxy as the focus leaves their boxes,
// and stores them on OK.

#include "ui/views.h"

namespace ui {

class SettingsDialog {
public:
    // The dialog has been created: fill its controls from the settings.
    void OnInit(SettingsDialogView& view);
    // An edit box lost the keyboard focus.
    void OnEditLostFocus(int id);
    // A button: OK (1), Cancel (2) or the folder picker (1012). Closing by
    // the title bar arrives as Cancel.
    void OnCommand(int id);

    // 1 after OK, 0 otherwise.
    int Result() const { return result_; }

private:
    SettingsDialogView* view_ = nullptr;
    int result_ = 0;
};

}  // namespace ui
