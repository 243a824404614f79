#pragma once
// A window stand-in that records what the workers tell it, in order, so tests
// can compare whole notification sequences.

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "model/text_codec.h"
#include "transfer/notifications.h"

class RecordingWindow : public MainWindowLink {
public:
    void Post(uint32_t message, int32_t wParam, int32_t lParam) override
    {
        std::function<void(uint32_t, int32_t, int32_t)> hook;
        {
            std::lock_guard guard(lock_);
            if (message == UM_PROGRESS)
                progress_.emplace_back(wParam, lParam);
            else
                events_.push_back(Describe(message, wParam, lParam));
            hook = onPost;
        }
        if (hook)
            hook(message, wParam, lParam);
    }

    void ShowBox(std::u16string_view text, std::u16string_view caption) override
    {
        std::function<void()> hook;
        {
            std::lock_guard guard(lock_);
            events_.push_back("BOX " + Utf16ToUtf8(caption) + " | " + Utf16ToUtf8(text));
            hook = onBox;
        }
        if (hook)
            hook();
    }

    // Every notification but UM_PROGRESS, plus the boxes, in order.
    std::vector<std::string> Events() const
    {
        std::lock_guard guard(lock_);
        return events_;
    }

    // (row key, value) of every UM_PROGRESS.
    std::vector<std::pair<int32_t, int32_t>> Progress() const
    {
        std::lock_guard guard(lock_);
        return progress_;
    }

    static std::string Describe(uint32_t message, int32_t wParam, int32_t lParam)
    {
        const std::string params = std::to_string(wParam) + " " + std::to_string(lParam);
        switch (message) {
        case UM_MANGALOADED:
            return "LOADED " + params;
        case UM_UPDATELLW:
            return "UPD " + params;
        case UM_PROGRESS:
            return "PROG " + params;
        case UM_WORKERDONE:
            return "DONE " + params;
        case UM_ERRORCODE:
            return "ERR " + params;
        default:
            return "? " + std::to_string(message) + " " + params;
        }
    }

    // Called on the worker's thread after each post / box (e.g. to cancel).
    std::function<void(uint32_t, int32_t, int32_t)> onPost;
    std::function<void()> onBox;

private:
    mutable std::mutex lock_;
    std::vector<std::string> events_;
    std::vector<std::pair<int32_t, int32_t>> progress_;
};

// The box text for a CURLcode, as the page-fetch worker shows it.
inline std::string CurlBox(int32_t code)
{
    return "BOX Curl вернул ошибку! | " + Utf16ToUtf8(ErrorCodeText(code));
}
