#include "model/manga_info.h"

#include <utility>

void ChapterInfo_Free(ChapterInfo* chapter)
{
    if (!chapter)
        return;
    std::vector<PageInfo>().swap(chapter->Pages);
    chapter->Url.reset();
    chapter->Name.reset();
}

void MangaInfo_Free(MangaInfo* manga)
{
    if (!manga)
        return;
    for (ChapterInfo& chapter : manga->Chaps)
        ChapterInfo_Free(&chapter);
    std::vector<ChapterInfo>().swap(manga->Chaps);
    std::vector<CoverInfo>().swap(manga->Covers);
    manga->Desc.reset();
    manga->JpName.reset();
    manga->EngName.reset();
    manga->Name.reset();
    manga->Url.reset();
    manga->UrlSize = 0;
    manga->DescSize = 0;
    manga->bSkipCovers = 0;
    manga->BusyCnt = 0;
}

void MangaInfo_Move(MangaInfo& to, MangaInfo& from)
{
    to.Url = std::exchange(from.Url, std::nullopt);
    to.UrlSize = std::exchange(from.UrlSize, 0);
    to.Name = std::exchange(from.Name, std::nullopt);
    to.EngName = std::exchange(from.EngName, std::nullopt);
    to.JpName = std::exchange(from.JpName, std::nullopt);
    to.Desc = std::exchange(from.Desc, std::nullopt);
    to.DescSize = std::exchange(from.DescSize, 0);
    to.Covers = std::exchange(from.Covers, {});
    to.bSkipCovers = from.bSkipCovers.load();
    from.bSkipCovers = 0;
    to.Chaps = std::exchange(from.Chaps, {});
}

static bool PageInfo_Equal(const PageInfo& a, const PageInfo& b)
{
    return a.Url == b.Url && a.UrlSize == b.UrlSize && a.bLoaded.load() == b.bLoaded.load();
}

bool ChapterInfo_Equal(const ChapterInfo& a, const ChapterInfo& b)
{
    if (a.Url != b.Url || a.Name != b.Name || a.Vol != b.Vol || a.Num != b.Num ||
        a.bSkip.load() != b.bSkip.load() || a.Pages.size() != b.Pages.size())
        return false;
    for (size_t i = 0; i < a.Pages.size(); ++i)
        if (!PageInfo_Equal(a.Pages[i], b.Pages[i]))
            return false;
    return true;
}

bool MangaInfo_Equal(const MangaInfo& a, const MangaInfo& b)
{
    if (a.Url != b.Url || a.UrlSize != b.UrlSize || a.Name != b.Name || a.EngName != b.EngName ||
        a.JpName != b.JpName || a.Desc != b.Desc || a.DescSize != b.DescSize ||
        a.bSkipCovers.load() != b.bSkipCovers.load() || a.Covers.size() != b.Covers.size() ||
        a.Chaps.size() != b.Chaps.size())
        return false;
    for (size_t i = 0; i < a.Covers.size(); ++i)
        if (a.Covers[i].Url != b.Covers[i].Url || a.Covers[i].UrlSize != b.Covers[i].UrlSize)
            return false;
    for (size_t i = 0; i < a.Chaps.size(); ++i)
        if (!ChapterInfo_Equal(a.Chaps[i], b.Chaps[i]))
            return false;
    return true;
}
