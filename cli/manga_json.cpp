#include "cli/manga_json.h"

#include "model/text_codec.h"

namespace {

nlohmann::ordered_json Bytes(const OptString& text)
{
    return text ? nlohmann::ordered_json(BytesToUtf8(*text)) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json Wide(const OptU16String& text)
{
    return text ? nlohmann::ordered_json(Utf16ToUtf8(*text)) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::string BytesToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

nlohmann::ordered_json MangaInfo_ToJson(const MangaInfo& manga, int loadResult)
{
    nlohmann::ordered_json covers = nlohmann::ordered_json::array();
    for (const CoverInfo& cover : manga.Covers)
        covers.push_back({{"Url", Bytes(cover.Url)}});

    nlohmann::ordered_json chapters = nlohmann::ordered_json::array();
    for (const ChapterInfo& chapter : manga.Chaps) {
        nlohmann::ordered_json pages = nlohmann::ordered_json::array();
        for (const PageInfo& page : chapter.Pages)
            pages.push_back({{"Url", Bytes(page.Url)}, {"bLoaded", page.bLoaded.load() != 0 ? 1 : 0}});
        nlohmann::ordered_json entry = nlohmann::ordered_json::object();
        entry["Url"] = Bytes(chapter.Url);
        entry["Name"] = Wide(chapter.Name);
        entry["Vol"] = chapter.Vol;
        entry["Num"] = chapter.Num;
        entry["bSkip"] = chapter.bSkip.load() != 0 ? 1 : 0;
        entry["Pages"] = std::move(pages);
        chapters.push_back(std::move(entry));
    }

    // Keys in the record's own order, which is easier to read than sorted keys.
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    out["result"] = loadResult;
    out["Url"] = Bytes(manga.Url);
    out["Name"] = Wide(manga.Name);
    out["EngName"] = Wide(manga.EngName);
    out["JpName"] = Wide(manga.JpName);
    out["Desc"] = Bytes(manga.Desc);
    out["DescSize"] = manga.DescSize;
    out["bSkipCovers"] = manga.bSkipCovers.load() != 0 ? 1 : 0;
    out["Covers"] = std::move(covers);
    out["Chaps"] = std::move(chapters);
    return out;
}
