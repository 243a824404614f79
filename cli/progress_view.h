#pragma once
// What a download looks like on the command line. On a terminal the row being
// worked on is one live line (pages done / total, the running transfer's
// percent or bytes, the transfer rate), rewritten in place and left standing
// when the worker moves to another row. Elsewhere each row gets one plain
// line when the worker leaves it. Errors are printed as they come, in the
// window's Russian texts.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>

struct ProgressRows {
    std::function<std::string(int32_t row)> label;     // "том 1, глава 3 Начало", "обложки"
    std::function<int32_t(int32_t row)> total;          // pages of the chapter, or covers
    std::function<uint64_t(int32_t row, int32_t done)> itemBytes;  // size of the item just finished, 0 if unknown
    std::function<std::string(int32_t row)> itemName;  // "стр." or "обложка", for error lines
};

class ProgressView {
public:
    using Clock = std::chrono::steady_clock;

    ProgressView(std::ostream& out, bool terminal, ProgressRows rows);

    void OnProgress(int32_t row, int32_t value, Clock::time_point now);
    void OnUpdate(int32_t row, int32_t done, Clock::time_point now);
    void OnError(int32_t row, int32_t code);
    void OnBox(const std::string& caption, const std::string& text);
    // Refreshes the live line (the rate changes even while nothing is posted).
    void Tick(Clock::time_point now);
    // Leaves the last row's line standing.
    void Finish(Clock::time_point now);

    int32_t Errors() const { return errors_; }
    uint64_t BytesTransferred() const { return bytes_; }

    static std::string FormatBytes(uint64_t bytes);
    static std::string FormatRate(double bytesPerSecond);

private:
    struct Row {
        int32_t done = 0;
        int32_t progress = 0;
        bool hasProgress = false;  // a transfer for the next item is running
        bool transferred = false;  // at least one item came over the network
        uint64_t bytes = 0;
        Clock::time_point started{};
        Clock::time_point lastBytesAt{};
    };

    Row& Switch(int32_t row, Clock::time_point now);
    void LeaveRow(Clock::time_point now);
    std::string Line(int32_t row, const Row& state, Clock::time_point now) const;
    void Redraw(Clock::time_point now);
    void ClearLive();

    std::ostream& out_;
    bool terminal_;
    ProgressRows rows_;
    std::map<int32_t, Row> state_;
    int32_t current_ = -1;
    bool liveShown_ = false;
    int32_t errors_ = 0;
    uint64_t bytes_ = 0;
    Clock::time_point lastDraw_{};
};
