#include "transfer/notifications.h"

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

std::u16string ErrorCodeText(int32_t code)
{
    if (code >= 0)
        return Utf8ToUtf16(Curl_ErrorText(code));
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
