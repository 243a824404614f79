#pragma once
// Reading one title page into the record, whatever its layout: the pieces the
// designed layout and the sites' 2016 and 2024 layouts share.

#include <string>
#include <string_view>

#include "model/manga_info.h"
#include "parse/html_blocks.h"
#include "parse/parse_results.h"
#include "parse/rtf.h"

// How a chapter link's address is completed.
enum class LinkRule : uint8_t {
    // As the designed layout always has been: relative unless "http://" or
    // "https://" appears anywhere from the address to the end of its tag;
    // "?mature=1" always appended; numbers after the first "/vol".
    Designed,
    // Judged on the address alone ("//" borrows the manga's scheme), the
    // fragment dropped, "mature=1" added as a query parameter, numbers from the
    // first "/vol<digits>/<digits>".
    Address,
};

class TitleReader {
public:
    TitleReader(std::string_view page, MangaInfo& manga, std::string_view hostPrefix);

    // The designed markers, each absent one stood in for by its 2016 form.
    int ReadDesignedLayout();
    // A page holding the 2024 chapter list, read wholly in that layout.
    int Read2024Layout(size_t chapterListAt);

private:
    void StartDescription();
    void WriteTitleLine();
    void AppendText(std::u16string_view text, RtfSource source);
    void AppendHtml(std::string_view html);
    void AppendVisibleHtml(std::string_view html);

    // The text of the span whose tag starts at `found`, up to its "</span>":
    // as written (designed) or as a person reads it (empty leaves the field null).
    int SpanText(html_blocks::Found found, std::string_view& text) const;
    int ReadRawName(html_blocks::Found found, OptU16String& field);
    int ReadVisibleName(html_blocks::Found found, OptU16String& field);

    // The div whose tag starts at `found`, to its matching "</div>", appended
    // as visible text; 13 when it never closes.
    int AppendVisibleDiv(html_blocks::Found found);

    // Covers from links of class "full-list-pic" in the designed cover block.
    int ReadDesignedCovers(html_blocks::Found block);
    // Covers from the images of the cover slider: data-full, else src.
    int ReadSliderCovers();
    void AddCover(std::string url);

    // Every link with an address between `start` and `end` is a chapter.
    int ReadChapterLinks(size_t start, size_t end, LinkRule rule);
    bool AppendChapter(std::string_view tag, LinkRule rule);

    // The next "<a" or "<img" tag of a block, left empty when the block has
    // no more; 13 when the tag has no ">" inside the block.
    int NextTag(std::string_view opening, size_t from, size_t end, std::string_view& tag, size_t& tagEnd) const;

    std::string_view page_;
    MangaInfo& manga_;
    std::string_view host_;
};
