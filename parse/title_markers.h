#pragma once
// The markers of a title page, in the designed layout and in the sites' 2016
// and 2024 layouts.

#include "parse/html_blocks.h"

namespace title_markers {

using html_blocks::Marker;

// The designed layout.
inline constexpr Marker kMainName{"<span class=\"name\"", "<span class='name'"};
inline constexpr Marker kEngName{"<span class=\"eng-name\"", "<span class='eng-name'"};
inline constexpr Marker kJpName{"<span class=\"jp-name\"", "<span class='jp-name'"};
inline constexpr Marker kMetaData{"<div class=\"subject-meta\">", "<div class='subject-meta'>"};
inline constexpr Marker kDescription{"<div class=\"manga-description\">", "<div class='manga-description'>"};
inline constexpr Marker kCovers{"<div style=\"display", "<div style='display"};
inline constexpr Marker kChapters{"<div class=\"expandable chapters-link\"", "<div class='expandable chapters-link'"};

// The sites' own: the original name where the design has the Japanese one,
// the meta block with more classes, the description that says what it is.
inline constexpr Marker kOriginalName{"<span class=\"original-name\"", "<span class='original-name'"};
inline constexpr Marker kMetaWithClasses{"<div class=\"subject-meta ", "<div class='subject-meta "};
inline constexpr Marker kDescriptionItem{"<div class=\"manga-description\" itemprop=\"description\"",
                                         "<div class='manga-description' itemprop='description'"};

// 2024 only: the heading that holds the names, the meta block's bare tag
// (its ">" may follow other attributes) and the chapter list, whose presence
// makes the whole page a 2024 page.
inline constexpr Marker kNames{"<h1 class=\"names\"", "<h1 class='names'"};
inline constexpr Marker kMetaTag{"<div class=\"subject-meta\"", "<div class='subject-meta'"};
inline constexpr Marker kChapterList2024{"<div class=\"chapters\" id=\"chapters-list\"",
                                         "<div class='chapters' id='chapters-list'"};

}  // namespace title_markers
