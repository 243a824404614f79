#pragma once
// The few formats the window writes into its cells and boxes.

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// The progress cell: "37%" for a percentage, "2048Б" for -2048 bytes received.
std::u16string ProgressText(int32_t value);

// At most `units` UTF-16 units, never ending in half a surrogate pair.
std::u16string CutUnits(std::u16string text, size_t units);

}  // namespace ui
