#include "ui/settings_dialog.h"

#include <string>

#include "model/text_codec.h"
#include "settings/app_settings.h"
#include "settings/cfg_text.h"
#include "transfer/name_rules.h"
#include "ui/resources.h"
#include "ui/text_format.h"

namespace ui {
namespace {

constexpr size_t kPathUnits = 259;
constexpr size_t kNameUnits = 29;
constexpr size_t kProxyUnits = 511;

bool IsCleanedOnFocusLoss(int id)
{
    return id == kIdDefSavePath || id == kIdCoversDirName || id == kIdBookDirName || id == kIdChapDirName ||
           id == kIdConnections || id == kIdRetries || id == kIdProxy;
}

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

std::u16string Trimmed(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return std::u16string(text);
}

std::u16string Decimal(int32_t value)
{
    const std::string text = std::to_string(value);
    return std::u16string(text.begin(), text.end());
}

// What a box shows once the focus has left it, and what OK stores.
std::u16string CleanBox(int id, std::u16string_view text)
{
    if (id == kIdConnections)
        return Decimal(Connections_Clamp(Cfg_ParseDecimal(text)));
    if (id == kIdRetries)
        return Decimal(Retries_Clamp(Cfg_ParseDecimal(text)));
    if (id == kIdProxy)
        return CutUnits(Trimmed(text), kProxyUnits);
    std::u16string cleaned = CutUnits(std::u16string(text), kPathUnits);
    ReplaceForbiddenChars(cleaned, u'_');
    return cleaned;
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
    view.SetControlText(kIdConnections, Decimal(settings.Connections));
    view.SetControlText(kIdRetries, Decimal(settings.Retries));
    view.SetControlText(kIdProxy, settings.Proxy);
    view.SetChecked(kIdMakeCbz, settings.bMakeCbz == 1);
}

void SettingsDialog::OnEditLostFocus(int id)
{
    if (!view_ || !IsCleanedOnFocusLoss(id))
        return;
    view_->SetControlText(id, CleanBox(id, view_->ControlText(id)));
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
            // OK may come straight from a box that never lost the focus.
            settings.Connections = Connections_Clamp(Cfg_ParseDecimal(view.ControlText(kIdConnections)));
            settings.Retries = Retries_Clamp(Cfg_ParseDecimal(view.ControlText(kIdRetries)));
            settings.Proxy = CleanBox(kIdProxy, view.ControlText(kIdProxy));
            settings.bMakeCbz = view.IsChecked(kIdMakeCbz) ? 1 : 0;
        });
        result_ = 1;
        view_->Close(1);
    } else if (id == kIdCancel) {
        result_ = 0;
        view_->Close(0);
    }
}

}  // namespace ui
