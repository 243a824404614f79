#pragma once
// The description pane's content from the record's RTF document.

#include <QTextEdit>

#include <string_view>

namespace ui::qt {

// Replaces the pane's whole content: paragraphs with their bold and italic
// runs; an empty document empties the pane.
void ShowRtf(QTextEdit& pane, std::string_view rtf);

}  // namespace ui::qt
