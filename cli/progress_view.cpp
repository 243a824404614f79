#include "cli/progress_view.h"

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

ProgressView::Row& ProgressView::Switch(int32_t row, Clock::time_point now)
{
    if (row != current_) {
        LeaveRow(now);
        current_ = row;
    }
    Row& state = state_[row];
    if (state.started == Clock::time_point{})
        state.started = now;
    return state;
}

void ProgressView::LeaveRow(Clock::time_point now)
{
    if (current_ < 0)
        return;
    Row& state = state_[current_];
    state.hasProgress = false;
    const std::string line = Line(current_, state, now);
    if (terminal_)
        out_ << "\r\033[K" << line << "\n";
    else
        out_ << line << "\n";
    out_.flush();
    liveShown_ = false;
    current_ = -1;
}

std::string ProgressView::Line(int32_t row, const Row& state, Clock::time_point now) const
{
    std::string line = rows_.label(row) + ": " + std::to_string(state.done) + "/" + std::to_string(rows_.total(row));
    if (state.hasProgress) {
        // A negative value is the byte count of a transfer of unknown size.
        line += state.progress >= 0 ? "  " + std::to_string(state.progress) + "%"
                                    : "  " + FormatBytes(static_cast<uint64_t>(-static_cast<int64_t>(state.progress)));
    }
    if (state.transferred) {
        line += "  " + FormatBytes(state.bytes);
        const Clock::time_point end = state.hasProgress ? now : state.lastBytesAt;
        const double span = Seconds(end - state.started);
        if (span > 0.001)
            line += ", " + FormatRate(static_cast<double>(state.bytes) / span);
    }
    return line;
}

void ProgressView::ClearLive()
{
    if (terminal_ && liveShown_) {
        out_ << "\r\033[K";
        liveShown_ = false;
    }
}

void ProgressView::Redraw(Clock::time_point now)
{
    if (!terminal_ || current_ < 0)
        return;
    out_ << "\r\033[K" << Line(current_, state_[current_], now);
    out_.flush();
    liveShown_ = true;
    lastDraw_ = now;
}

void ProgressView::OnProgress(int32_t row, int32_t value, Clock::time_point now)
{
    Row& state = Switch(row, now);
    state.progress = value;
    state.hasProgress = true;
    // Redrawing on every report would cost more than the transfer itself.
    if (now - lastDraw_ >= std::chrono::milliseconds(100))
        Redraw(now);
}

void ProgressView::OnUpdate(int32_t row, int32_t done, Clock::time_point now)
{
    Row& state = Switch(row, now);
    if (state.hasProgress) {
        const uint64_t size = rows_.itemBytes ? rows_.itemBytes(row, done) : 0;
        state.bytes += size;
        bytes_ += size;
        state.transferred = true;
        state.lastBytesAt = now;
    }
    state.hasProgress = false;
    state.done = done;
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
    if (terminal_ && current_ >= 0 && now - lastDraw_ >= std::chrono::milliseconds(250))
        Redraw(now);
}

void ProgressView::Finish(Clock::time_point now)
{
    LeaveRow(now);
}
