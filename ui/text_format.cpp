#include "ui/text_format.h"

#include "transfer/format_wide.h"

namespace ui {

std::u16string ProgressText(int32_t value)
{
    std::u16string text;
    if (value >= 0)
        FormatWide(text, u"%i%%", {int64_t{value}});
    else
        FormatWide(text, u"%iБ", {-static_cast<int64_t>(value)});
    return text;
}

std::u16string CutUnits(std::u16string text, size_t units)
{
    if (text.size() <= units)
        return text;
    text.resize(units);
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
        text.pop_back();
    return text;
}

}  // namespace ui
