#include "transfer/notifications.h"

#include <cerrno>
#include <system_error>

#include "model/text_codec.h"
#include "transfer/curl_codes.h"

std::atomic<MainWindowLink*> hMainWnd{nullptr};
std::atomic<int8_t> bKeepRunning{1};

void PostToMainWindow(uint32_t message, int32_t wParam, int32_t lParam)
{
    if (MainWindowLink* window = hMainWnd.load(std::memory_order_acquire))
        window->Post(message, wParam, lParam);
}

void ShowBoxOnMainWindow(std::u16string_view text, std::u16string_view caption)
{
    if (MainWindowLink* window = hMainWnd.load(std::memory_order_acquire))
        window->ShowBox(text, caption);
}

bool TransfersAllowed()
{
    return bKeepRunning.load(std::memory_order_acquire) != 0 &&
           hMainWnd.load(std::memory_order_acquire) != nullptr;
}

namespace {

// Codes below this one tell a chapter that could not be packed; the errno is
// the distance from it.
constexpr int32_t kCbzErrorBase = -1000;
constexpr int kMaxErrno = 100000;

}  // namespace

int32_t Cbz_ErrorCode(int error)
{
    if (error <= 0 || error > kMaxErrno)
        error = EIO;
    return kCbzErrorBase - error;
}

int Cbz_ErrorFromCode(int32_t code)
{
    return code < kCbzErrorBase && code >= kCbzErrorBase - kMaxErrno ? kCbzErrorBase - code : 0;
}

std::u16string ErrorCodeText(int32_t code)
{
    if (code >= 0)
        return Utf8ToUtf16(Curl_ErrorText(code));
    if (const int error = Cbz_ErrorFromCode(code))
        return u"не удалось упаковать главу в CBZ: " + Utf8ToUtf16(std::generic_category().message(error));
    switch (code) {
    case -1:
        return u"блок не найден";
    case -3:
        return u"неудалось полностью или частично расшифровать блок данных";
    case -12:
        return u"для работы недостаточно памяти (ОЗУ)";
    case -13:
        return u"обнаружена ошибка в коде HTML страницы";
    case -14:
        return u"обнаружена ошибка в коде JS скрипта";
    case -69:
        return u"ошибки в БД. Скорей всего факт повреждения памяти программы";
    case kNotAPicture:
        return u"полученные данные не являются целым рисунком";
    default:
        // A parser code the window has no text for still shows something the
        // user can report.
        return u"ошибка " + Utf8ToUtf16(std::to_string(code));
    }
}
