#include "cli/progress_view.h"

#include <algorithm>
#include <cstdio>

#include "model/text_codec.h"
#include "transfer/notifications.h"

namespace {

double Seconds(ProgressView::Clock::duration span)
{
    return std::chrono::duration<double>(span).count();
}

}  // namespace

ProgressView::ProgressView(std::ostream& out, bool terminal, ProgressRows rows)
    : out_(out), terminal_(terminal), rows_(std::move(rows))
{
}

std::string ProgressView::FormatBytes(uint64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu Б", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f КиБ", static_cast<double>(bytes) / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f МиБ", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

std::string ProgressView::FormatRate(double bytesPerSecond)
{
    if (bytesPerSecond < 0)
        bytesPerSecond = 0;
    return FormatBytes(static_cast<uint64_t>(bytesPerSecond)) + "/с";
}

std::string ProgressView::FormatDuration(double seconds)
{
    const long long whole = seconds < 0 ? 0 : static_cast<long long>(std::min(seconds, 359999.0) + 0.5);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

// A row that begins while an earlier one has nothing running has seen the
// worker move on: one after another, the earlier row is done with.
ProgressView::Row& ProgressView::Enter(int32_t row, Clock::time_point now)
{
    Row& state = state_[row];
    if (state.started == Clock::time_point{}) {
        state.started = now;
        const std::vector<int32_t> earlier = inFlight_;
        for (int32_t other : earlier)
            if (!state_[other].hasProgress)
                Leave(other, now);
        inFlight_.push_back(row);
    }
    return state;
}

void ProgressView::Leave(int32_t row, Clock::time_point now)
{
    Row& state = state_[row];
    if (state.left)
        return;
    state.left = true;
    state.hasProgress = false;
    inFlight_.erase(std::remove(inFlight_.begin(), inFlight_.end(), row), inFlight_.end());
    ClearLive();
    out_ << Line(row, state, now) << "\n";
    out_.flush();
}

std::string ProgressView::Line(int32_t row, const Row& state, Clock::time_point now) const
{
    std::string line = rows_.label(row);
    line.append(": ").append(std::to_string(state.done)).append("/").append(std::to_string(rows_.total(row)));
    if (state.hasProgress) {
        // A negative value is the byte count of a transfer of unknown size.
        line.append("  ").append(state.progress >= 0
                                     ? std::to_string(state.progress).append("%")
                                     : FormatBytes(static_cast<uint64_t>(-static_cast<int64_t>(state.progress))));
    }
    if (state.transferred) {
        line.append("  ").append(FormatBytes(state.bytes));
        const Clock::time_point end = state.hasProgress ? now : state.lastBytesAt;
        const double span = Seconds(end - state.started);
        if (span > 0.001)
            line.append(", ").append(FormatRate(static_cast<double>(state.bytes) / span));
    }
    return line;
}

// "всего: 12/40 картинок, 1.5 МиБ, 300.0 КиБ/с, осталось 0:14"
std::string ProgressView::OverallLine(Clock::time_point now) const
{
    std::string line = std::string("всего: ").append(std::to_string(itemsDone_));
    if (rows_.itemsTotal > 0)
        line.append("/").append(std::to_string(rows_.itemsTotal));
    line.append(" картинок, ").append(FormatBytes(bytes_));
    const double span = itemsTransferred_ > 0 ? Seconds(now - firstTransferAt_) : 0;
    if (span > 0.001) {
        line.append(", ").append(FormatRate(static_cast<double>(bytes_) / span));
        // The pictures still to come, at the pace of those that came over
        // the network (pictures found on disk cost nothing).
        const int32_t left = rows_.itemsTotal - itemsDone_;
        if (rows_.itemsTotal > 0 && left > 0)
            line.append(", осталось ").append(FormatDuration(span / itemsTransferred_ * left));
    }
    return line;
}

void ProgressView::ClearLive()
{
    if (!terminal_ || liveLines_ == 0)
        return;
    out_ << "\r";
    if (liveLines_ > 1)
        out_ << "\033[" << liveLines_ - 1 << "A";
    out_ << "\033[J";
    liveLines_ = 0;
}

void ProgressView::Redraw(Clock::time_point now)
{
    if (!terminal_)
        return;
    ClearLive();
    for (int32_t row : inFlight_)
        out_ << Line(row, state_[row], now) << "\n";
    out_ << OverallLine(now);
    out_.flush();
    liveLines_ = static_cast<int>(inFlight_.size()) + 1;
    lastDraw_ = now;
}

void ProgressView::OnProgress(int32_t row, int32_t value, Clock::time_point now)
{
    Row& state = Enter(row, now);
    state.progress = value;
    state.hasProgress = true;
    if (firstTransferAt_ == Clock::time_point{})
        firstTransferAt_ = now;
    // Redrawing on every report would cost more than the transfers themselves.
    if (now - lastDraw_ >= std::chrono::milliseconds(100))
        Redraw(now);
}

void ProgressView::OnUpdate(int32_t row, int32_t done, Clock::time_point now)
{
    Row& state = Enter(row, now);
    if (state.hasProgress) {
        const uint64_t size = rows_.itemBytes ? rows_.itemBytes(row, done) : 0;
        state.bytes += size;
        bytes_ += size;
        state.transferred = true;
        state.lastBytesAt = now;
        ++itemsTransferred_;
    }
    state.hasProgress = false;
    // The count only grows; a late, smaller one changes nothing.
    if (done > state.done) {
        itemsDone_ += done - state.done;
        state.done = done;
    }
    if (state.done >= rows_.total(row))
        Leave(row, now);
    Redraw(now);
}

void ProgressView::OnError(int32_t row, int32_t code)
{
    if (code == 0)
        return;  // the debug switch reports successful transfers too
    ++errors_;
    auto found = state_.find(row);
    const int32_t item = (found != state_.end() ? found->second.done : 0) + 1;
    if (found != state_.end())
        found->second.hasProgress = false;
    ClearLive();
    out_ << rows_.label(row) << ": " << rows_.itemName(row) << " " << item << ": "
         << Utf16ToUtf8(ErrorCodeText(code)) << " (" << code << ")\n";
    out_.flush();
}

void ProgressView::OnBox(const std::string& caption, const std::string& text)
{
    ++errors_;
    ClearLive();
    out_ << caption << " " << text << "\n";
    out_.flush();
}

void ProgressView::Tick(Clock::time_point now)
{
    if (terminal_ && !state_.empty() && now - lastDraw_ >= std::chrono::milliseconds(250))
        Redraw(now);
}

void ProgressView::Finish(Clock::time_point now)
{
    const std::vector<int32_t> rows = inFlight_;
    for (int32_t row : rows)
        Leave(row, now);
    ClearLive();
    out_.flush();
}
