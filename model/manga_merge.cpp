#include "model/manga_merge.h"

#include <map>
#include <tuple>
#include <utility>

namespace {

using ChapterKey = std::tuple<int32_t, int32_t, OptU16String>;

ChapterKey KeyOf(const ChapterInfo& chapter)
{
    return {chapter.Vol, chapter.Num, chapter.Name};
}

template <typename T>
void KeepIfMissing(std::optional<T>& fresh, const std::optional<T>& old)
{
    if (!fresh && old)
        fresh = old;
}

}  // namespace

MergeCounts MangaInfo_MergeKnown(MangaInfo& fresh, const MangaInfo& old)
{
    // Old chapters by key, each list in list order, so that chapters sharing
    // a key pair up first with first.
    std::map<ChapterKey, std::vector<size_t>> unmatched;
    for (size_t k = old.Chaps.size(); k-- > 0;)
        unmatched[KeyOf(old.Chaps[k])].push_back(k);

    constexpr size_t kNone = static_cast<size_t>(-1);
    std::vector<size_t> matchOf(old.Chaps.size(), kNone);  // old index -> fresh index
    std::vector<bool> isNew(fresh.Chaps.size(), true);
    MergeCounts counts;
    for (size_t f = 0; f < fresh.Chaps.size(); ++f) {
        ChapterInfo& chapter = fresh.Chaps[f];
        const auto found = unmatched.find(KeyOf(chapter));
        if (found == unmatched.end() || found->second.empty()) {
            chapter.bSkip = 0;
            continue;
        }
        const size_t k = found->second.back();
        found->second.pop_back();
        matchOf[k] = f;
        isNew[f] = false;
        ++counts.knownChapters;
        const ChapterInfo& known = old.Chaps[k];
        chapter.bSkip = known.bSkip.load();
        if (!known.Url) {  // its page list had been read
            chapter.Url.reset();
            chapter.Pages = known.Pages;
        }
    }

    // Chapters the page no longer lists go right before the chapter that
    // followed them in the old list, or to the end.
    std::vector<std::vector<size_t>> goneBefore(fresh.Chaps.size() + 1);
    std::vector<size_t> pending;
    for (size_t k = 0; k < old.Chaps.size(); ++k) {
        if (matchOf[k] == kNone) {
            pending.push_back(k);
            continue;
        }
        auto& slot = goneBefore[matchOf[k]];
        slot.insert(slot.end(), pending.begin(), pending.end());
        pending.clear();
    }
    goneBefore.back().insert(goneBefore.back().end(), pending.begin(), pending.end());

    std::vector<ChapterInfo> merged;
    merged.reserve(fresh.Chaps.size() + old.Chaps.size());
    for (size_t f = 0; f <= fresh.Chaps.size(); ++f) {
        for (const size_t k : goneBefore[f]) {
            merged.push_back(old.Chaps[k]);
            ++counts.goneChapters;
        }
        if (f == fresh.Chaps.size())
            break;
        if (isNew[f])
            counts.newChapters.push_back(static_cast<int32_t>(merged.size()));
        merged.push_back(std::move(fresh.Chaps[f]));
    }
    fresh.Chaps = std::move(merged);

    if (!fresh.Url && old.Url) {
        fresh.Url = old.Url;
        fresh.UrlSize = old.UrlSize;
    }
    KeepIfMissing(fresh.Name, old.Name);
    KeepIfMissing(fresh.EngName, old.EngName);
    KeepIfMissing(fresh.JpName, old.JpName);
    if (!fresh.Desc && old.Desc) {
        fresh.Desc = old.Desc;
        fresh.DescSize = old.DescSize;
    }
    if (fresh.Covers.empty())
        fresh.Covers = old.Covers;
    fresh.bSkipCovers = old.bSkipCovers.load();
    return counts;
}
