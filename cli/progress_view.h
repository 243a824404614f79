#pragma once
// What a download looks like on the command line. On a terminal a live block
// at the bottom holds one line per row in flight (pages done / total, the
// row's transfer percent or bytes, its rate) and one overall line (pictures
// done, bytes, rate, time left), redrawn in place; a row's line is left
// standing above the block once the row is finished or the worker has moved
// on from it. Elsewhere each row gets one plain line when it leaves. Errors
// are printed as they come, in the window's Russian texts.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

struct ProgressRows {
    std::function<std::string(int32_t row)> label;     // "том 1, глава 3 Начало", "обложки"
    std::function<int32_t(int32_t row)> total;          // pages of the chapter, or covers
    std::function<uint64_t(int32_t row, int32_t done)> itemBytes;  // size of the item just finished, 0 if unknown
    std::function<std::string(int32_t row)> itemName;  // "стр." or "обложка", for error lines
    int32_t itemsTotal = 0;  // pictures of the whole run, 0 when unknown
};

class ProgressView {
public:
    using Clock = std::chrono::steady_clock;

    ProgressView(std::ostream& out, bool terminal, ProgressRows rows);

    void OnProgress(int32_t row, int32_t value, Clock::time_point now);
    void OnUpdate(int32_t row, int32_t done, Clock::time_point now);
    void OnError(int32_t row, int32_t code);
    void OnBox(const std::string& caption, const std::string& text);
    // Refreshes the live block (rates and time left change while nothing is posted).
    void Tick(Clock::time_point now);
    // Leaves the lines of the rows still in flight standing.
    void Finish(Clock::time_point now);

    int32_t Errors() const { return errors_; }
    uint64_t BytesTransferred() const { return bytes_; }

    static std::string FormatBytes(uint64_t bytes);
    static std::string FormatRate(double bytesPerSecond);
    static std::string FormatDuration(double seconds);

private:
    struct Row {
        int32_t done = 0;
        int32_t progress = 0;
        bool hasProgress = false;  // a transfer of this row is running
        bool transferred = false;  // at least one item came over the network
        bool left = false;         // its line stands above the live block
        uint64_t bytes = 0;
        Clock::time_point started{};
        Clock::time_point lastBytesAt{};
    };

    Row& Enter(int32_t row, Clock::time_point now);
    void Leave(int32_t row, Clock::time_point now);
    std::string Line(int32_t row, const Row& state, Clock::time_point now) const;
    std::string OverallLine(Clock::time_point now) const;
    void Redraw(Clock::time_point now);
    void ClearLive();

    std::ostream& out_;
    bool terminal_;
    ProgressRows rows_;
    std::map<int32_t, Row> state_;
    std::vector<int32_t> inFlight_;  // in the order the rows began
    int liveLines_ = 0;
    int32_t errors_ = 0;
    int32_t itemsDone_ = 0;
    int32_t itemsTransferred_ = 0;
    uint64_t bytes_ = 0;
    Clock::time_point firstTransferAt_{};
    Clock::time_point lastDraw_{};
};
