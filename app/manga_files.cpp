#include "app/manga_files.h"

#include <cstring>

#include "model/manga_db.h"
#include "model/text_codec.h"
#include "transfer/download_layout.h"
#include "transfer/name_rules.h"

namespace app {

std::u16string MangaFolder(std::u16string_view defSavePath, const OptU16String& name)
{
    return MangaSavePath(defSavePath, name);
}

std::optional<std::u16string> DatabasePath(std::u16string_view folder, const OptU16String& name)
{
    if (!name)
        return std::nullopt;
    std::u16string path(folder);
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    path += CleanPathComponent(*name, u'_');
    path += u".zdb";
    return path;
}

int LoadDatabase(MangaInfo& manga, std::u16string_view path)
{
    MangaInfo_Free(&manga);
    return MangaDB_Load(manga, path);
}

bool LoadUsable(int result)
{
    return result == kMangaDbOk || result == kMangaDbBadTerminator;
}

std::u16string SystemErrorText(int error)
{
    return Utf8ToUtf16(std::to_string(error)) + u" - " + Utf8ToUtf16(std::strerror(error));
}

std::u16string LoadResultText(int result)
{
    switch (result) {
    case kMangaDbOk:
        return u"прочитан полностью.";
    case kMangaDbBadTerminator:
        return u"прочитан: все записи на месте, за ними повреждённый блок.";
    case kMangaDbNotDatabase:
        return u"не является базой данных манги. Ничего не загружено.";
    case kMangaDbMissingCovers:
        return u"обрывается: в нём меньше обложек, чем указано. Показано то, что удалось прочитать.";
    case kMangaDbMissingChapters:
        return u"обрывается: в нём меньше глав или страниц, чем указано. Показано то, что удалось прочитать.";
    case kMangaDbDamaged:
        return u"повреждён. Показано то, что удалось прочитать до повреждения.";
    default:
        return result > 0 ? u"не удалось прочитать: ошибка " + SystemErrorText(result)
                          : u"не удалось прочитать: неизвестный результат " + Utf8ToUtf16(std::to_string(result));
    }
}

std::u16string LoadProblemText(int result, std::u16string_view path)
{
    return u"Файл " + std::u16string(path) + u"\n" + LoadResultText(result);
}

int SaveDatabase(const MangaInfo& manga, std::u16string_view path)
{
    return MangaDB_Save(manga, path);
}

std::u16string SaveProblemText(int result, std::u16string_view path)
{
    return u"Не удалось записать базу данных в файл " + std::u16string(path) + u"\nОшибка " + SystemErrorText(result);
}

}  // namespace app
