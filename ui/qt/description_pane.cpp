#include "ui/qt/description_pane.h"

#include <QTextCursor>
#include <QTextDocument>

#include "parse/rtf_reader.h"
#include "ui/qt/template_widgets.h"

namespace ui::qt {

void ShowRtf(QTextEdit& pane, std::string_view rtf)
{
    pane.clear();
    if (rtf.empty())
        return;
    QTextCursor cursor(pane.document());
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& paragraph : Rtf_Read(rtf)) {
        if (!first)
            cursor.insertBlock();
        first = false;
        for (const RtfRun& run : paragraph.runs) {
            QTextCharFormat format;
            format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.italic);
            cursor.insertText(ToQString(run.text), format);
        }
    }
    cursor.endEditBlock();
    pane.moveCursor(QTextCursor::Start);
}

}  // namespace ui::qt
