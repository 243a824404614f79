#pragma once
// UM_PROGRESS for rows that have several transfers in flight at once.
//
// A row's value covers every transfer of the row since it last had none in
// flight: the percent of the bytes announced that have arrived, or, once one
// of them has no announced size, minus the bytes received. The value posted
// never falls back while the row stays busy, so interleaved reports of
// parallel transfers do not make the row's cell jump about. A transfer alone
// in its row reports exactly its own percent or bytes.

#include <cstdint>
#include <unordered_map>

class RowProgress {
    struct Row;

public:
    struct Entry {
        int32_t row = -1;  // -1: no progress shown
        int64_t expected = 0;
        int64_t received = 0;
        bool unknownSize = false;
        Row* state = nullptr;  // the row's figures while the transfer runs; map nodes stay put
    };

    void Start(Entry& entry, int32_t row);
    // New figures of a transfer; posts UM_PROGRESS for its row.
    void Update(Entry& entry, int64_t expected, int64_t received);
    void Finish(Entry& entry);

private:
    struct Row {
        int inFlight = 0;
        int64_t expected = 0;
        int64_t received = 0;
        int unknownSize = 0;  // transfers of the period without an announced size
        bool posted = false;
        int32_t last = 0;
    };
    std::unordered_map<int32_t, Row> rows_;
};
