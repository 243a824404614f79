#include "ui/settings_dialog.h"

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "transfer/name_rules.h"
#include "ui/resources.h"
#include "ui/text_format.h"

namespace ui {
namespace {

constexpr size_t kPathUnits = 259;
constexpr size_t kNameUnits = 29;

bool IsCleanedOnFocusLoss(int id)
{
    return id == kIdDefSavePath || id == kIdCoversDirName || id == kIdBookDirName || id == kIdChapDirName;
}

}  // namespace

void SettingsDialog::OnInit(SettingsDialogView& view)
{
    view_ = &view;
    result_ = 0;
    const AppSettings settings = Settings_Get();
    view.SetControlText(kIdDefSavePath, settings.DefSavePath);
    view.SetControlText(kIdCoversDirName, settings.CoversDirName);
    view.SetControlText(kIdBookDirName, settings.BookDirName);
    view.SetControlText(kIdChapDirName, settings.ChapDirName);
    view.SetControlText(kIdUserAgent, settings.UserAgent ? WidenBytes(*settings.UserAgent) : std::u16string());
    view.SetChecked(kIdAppendChapName, settings.bAppendChapName == 1);
    view.SetChecked(kIdAddCntToPages, settings.bAddCntToPages == 1);
    view.SetChecked(kIdRevScan, settings.bRevScan == 1);
}

void SettingsDialog::OnEditLostFocus(int id)
{
    if (!view_ || !IsCleanedOnFocusLoss(id))
        return;
    std::u16string text = CutUnits(view_->ControlText(id), kPathUnits);
    ReplaceForbiddenChars(text, u'_');
    view_->SetControlText(id, text);
}

void SettingsDialog::OnCommand(int id)
{
    if (!view_)
        return;
    if (id == kIdDefSavePathBrowse) {
        const std::u16string initial = CutUnits(view_->ControlText(kIdDefSavePath), kPathUnits);
        if (std::optional<std::u16string> chosen = view_->PickFolder(initial))
            view_->SetControlText(kIdDefSavePath, *chosen);
    } else if (id == kIdOk) {
        SettingsDialogView& view = *view_;
        Settings_Update([&view](AppSettings& settings) {
            settings.DefSavePath = CutUnits(view.ControlText(kIdDefSavePath), kPathUnits);
            settings.CoversDirName = CutUnits(view.ControlText(kIdCoversDirName), kNameUnits);
            settings.BookDirName = CutUnits(view.ControlText(kIdBookDirName), kNameUnits);
            settings.ChapDirName = CutUnits(view.ControlText(kIdChapDirName), kNameUnits);
            settings.bAppendChapName = view.IsChecked(kIdAppendChapName) ? 1 : 0;
            settings.bAddCntToPages = view.IsChecked(kIdAddCntToPages) ? 1 : 0;
            settings.bRevScan = view.IsChecked(kIdRevScan) ? 1 : 0;
        });
        result_ = 1;
        view_->Close(1);
    } else if (id == kIdCancel) {
        result_ = 0;
        view_->Close(0);
    }
}

}  // namespace ui
