#pragma once
// Widgets built from a dialog template: every control at its template
// rectangle, converted from dialog units with the window font's metrics, in
// template order (which is the Tab order).

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "ui/resources.h"

namespace ui::qt {

// One dialog unit in pixels, as the dialog manager defines it: a quarter of
// the font's average character width, an eighth of its character height.
struct DialogBase {
    int charWidth = 0;   // average width of the Latin letters
    int charHeight = 0;

    static DialogBase FromFont(const QFontMetrics& metrics);
    QRect ToPixels(const Rect16& rect) const;
    QSize ToPixels(int width, int height) const;
};

struct TemplateWidgets {
    std::map<int, QWidget*> byId;  // controls the code addresses
};

// Creates the template's controls as children of `parent`. Each push button
// calls `onCommand` with its id when clicked.
TemplateWidgets CreateTemplateControls(const DialogTemplate& dialog, QWidget* parent, const DialogBase& base,
                                       const std::function<void(int)>& onCommand);

QString ToQString(std::u16string_view text);
std::u16string ToU16(const QString& text);

}  // namespace ui::qt
