#include "transfer/row_progress.h"

#include "transfer/notifications.h"
#include "transfer/sinks.h"

void RowProgress::Start(Entry& entry, int32_t row)
{
    entry = Entry{row};
    if (row < 0)
        return;
    Row& state = rows_[row];
    if (state.inFlight++ == 0)
        state = Row{1};
    entry.state = &state;
}

void RowProgress::Update(Entry& entry, int64_t expected, int64_t received)
{
    if (!entry.state)
        return;
    Row& state = *entry.state;
    if (received < entry.received && state.inFlight == 1)
        state = Row{1};  // a redirect or a new try counts afresh, as a transfer of its own would
    else {
        state.expected -= entry.expected;
        state.received -= entry.received;
        state.unknownSize -= entry.unknownSize ? 1 : 0;
    }
    entry.expected = expected;
    entry.received = received;
    entry.unknownSize = expected == 0 && received > 0;
    state.expected += expected;
    state.received += received;
    state.unknownSize += entry.unknownSize ? 1 : 0;

    int32_t value = state.unknownSize > 0 ? ProgressValue(0, state.received) : ProgressValue(state.expected, state.received);
    // Percents and byte counts are compared each with their own kind.
    if (state.posted && (value < 0) == (state.last < 0) && (value < 0 ? value > state.last : value < state.last))
        value = state.last;
    state.posted = true;
    state.last = value;
    PostToMainWindow(UM_PROGRESS, entry.row, value);
}

void RowProgress::Finish(Entry& entry)
{
    if (!entry.state)
        return;
    if (--entry.state->inFlight <= 0)
        rows_.erase(entry.row);
    entry.row = -1;
    entry.state = nullptr;
}
