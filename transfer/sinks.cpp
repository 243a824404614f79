#include "transfer/sinks.h"

#include <limits>
#include <new>

#include "transfer/notifications.h"

size_t Curl_WriteMemory(const char* data, size_t itemSize, size_t itemCount, void* buffer)
{
    auto* target = static_cast<MemBuffer*>(buffer);
    if (!TransfersAllowed() || !target)
        return 0;
    if (itemSize != 0 && itemCount > std::numeric_limits<size_t>::max() / itemSize)
        return 0;
    const size_t n = itemSize * itemCount;
    if (n > kMaxPageBytes || target->data.size() > kMaxPageBytes - n)
        return 0;
    try {
        target->data.append(data, n);
    } catch (const std::bad_alloc&) {
        return 0;  // the buffer stays as it was; the transfer ends with the write error
    }
    return n;
}

size_t Curl_WriteFile(const char* data, size_t itemSize, size_t itemCount, void* file)
{
    if (!TransfersAllowed() || !file)
        return 0;
    return std::fwrite(data, itemSize, itemCount, static_cast<std::FILE*>(file));
}

int32_t ProgressValue(int64_t expectedTotal, int64_t receivedNow)
{
    if (expectedTotal == 0)
        return receivedNow > std::numeric_limits<int32_t>::max()
                   ? -std::numeric_limits<int32_t>::max()
                   : static_cast<int32_t>(0 - receivedNow);
    const double percent = static_cast<double>(receivedNow) * 100.0 / static_cast<double>(expectedTotal);
    if (percent >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (percent <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(percent);
}
