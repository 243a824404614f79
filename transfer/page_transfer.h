#pragma once
// A title or reader page, collected in memory.

#include <cstddef>
#include <cstdint>

#include "transfer/curl_session.h"
#include "transfer/sinks.h"

class PageTransfer : public Transfer {
public:
    bool Begin() override
    {
        buffer.Clear();  // a new try starts from nothing
        return true;
    }
    size_t Take(const char* data, size_t size) override { return Curl_WriteMemory(data, 1, size, &buffer); }

    MemBuffer buffer;
    int32_t countdown = 0;  // the scan's position, for the debug dump's name
};
