// The sites' 2024 title page. Its names sit in the heading after a popover
// of other names, its real description is the one tile that carries
// itemprop="description", and its chapter list holds divs of its own.

#include "parse/parse_results.h"
#include "parse/title_markers.h"
#include "parse/title_reader.h"

using html_blocks::FindLastMarker;
using html_blocks::FindMarker;
using html_blocks::Found;
using parse_text::FindIn;
using parse_text::kNone;

using namespace title_markers;

int TitleReader::Read2024Layout(size_t chapterListAt)
{
    StartDescription();

    // The popover's names come first in the heading; the main name is the
    // last "name" span in it. Without a heading the whole page is searched.
    size_t namesStart = 0, namesEnd = page_.size();
    if (const Found heading = FindMarker(page_, kNames)) {
        const size_t close = FindIn(page_, "</h1>", heading.end(), page_.size());
        namesStart = heading.at;
        namesEnd = close == kNone ? page_.size() : close;
    }
    if (int rc = ReadVisibleName(FindLastMarker(page_, kMainName, namesStart, namesEnd), manga_.Name); rc != kParseOk)
        return rc;
    if (int rc = ReadVisibleName(FindMarker(page_, kEngName, namesStart, namesEnd), manga_.EngName); rc != kParseOk)
        return rc;
    if (int rc = ReadVisibleName(FindMarker(page_, kOriginalName, namesStart, namesEnd), manga_.JpName);
        rc != kParseOk)
        return rc;
    WriteTitleLine();

    Found meta = FindMarker(page_, kMetaTag);
    if (!meta)
        meta = FindMarker(page_, kMetaWithClasses);
    if (int rc = AppendVisibleDiv(meta); rc != kParseOk)
        return rc;
    AppendText(u"\\b1Описание:\\b0\n", RtfSource::Program);
    if (int rc = AppendVisibleDiv(FindMarker(page_, kDescriptionItem)); rc != kParseOk)
        return rc;

    if (int rc = ReadSliderCovers(); rc != kParseOk)
        return rc;

    size_t start = 0, end = 0;
    if (!html_blocks::DivContent(page_, chapterListAt, start, end))
        return kParseUnclosed;
    return ReadChapterLinks(start, end, LinkRule::Address);
}
