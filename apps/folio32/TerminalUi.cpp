#include "TerminalUi.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace folio::cli {
namespace {

constexpr std::size_t kBarCells = 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(80);

std::size_t TerminalColumns(std::FILE* out) {
    winsize size{};
    if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

// Site texts are Windows-1252 and the terminal may not be: the bar shows ASCII only.
void AppendPrintable(std::string& line, std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        line += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
}

void Write(std::FILE* out, std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), out);
}

}  // namespace

bool StderrIsInteractive(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }

std::string LogWithLfLineEnds(std::string_view log) {
    std::string text;
    text.reserve(log.size());
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n') continue;
        text += log[i];
    }
    return text;
}

std::string MessageLine(std::string_view text, std::string_view caption) {
    std::string line;
    if (!caption.empty()) {
        line += caption;
        line += ": ";
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
    }
    return line;
}

MsgAnswer FirstButton(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Yes;
        case MsgButtons::RetryCancel:
            return MsgAnswer::Retry;
        case MsgButtons::Ok:
        case MsgButtons::OkCancel:
            break;
    }
    return MsgAnswer::Ok;
}

void TerminalReporter::SetCurrentFile(std::string_view text) {
    if (text == file_) return;
    file_ = text;
    Draw(true);
}

void TerminalReporter::SetCurrentTag(std::string_view text) {
    tag_ = text;
    Draw(false);
}

void TerminalReporter::SetProgressRange(int low, int high) {
    low_ = low;
    high_ = high;
    pos_ = std::clamp(pos_, low_, std::max(low_, high_));
}

void TerminalReporter::StepProgress() { SetProgressPos(pos_ + step_); }

void TerminalReporter::SetProgressPos(int pos) {
    pos_ = std::clamp(pos, low_, std::max(low_, high_));
    Draw(false);
}

void TerminalReporter::Draw(bool force) {
    if (!interactive_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;

    const int span = high_ - low_;
    const std::size_t filled = span > 0 ? static_cast<std::size_t>(pos_ - low_) * kBarCells /
                                              static_cast<std::size_t>(span)
                                        : 0;
    std::string line = "[";
    line.append(filled, '#');
    line.append(kBarCells - filled, '.');
    line += "] ";
    if (span > 0) line += std::to_string(pos_ - low_) + "/" + std::to_string(span) + " ";
    AppendPrintable(line, file_);
    if (!tag_.empty()) {
        line += "  ";
        AppendPrintable(line, tag_);
    }
    // Never reach the last column, or the terminal wraps and \r no longer goes back far enough.
    const std::size_t width = TerminalColumns(out_) - 1;
    if (line.size() > width) line.resize(width);
    const std::size_t shown = line.size();
    if (shown < drawn_) line.append(drawn_ - shown, ' ');
    Write(out_, "\r" + line);
    std::fflush(out_);
    drawn_ = shown;
}

void TerminalReporter::Clear() {
    if (!interactive_ || drawn_ == 0) return;
    Write(out_, "\r" + std::string(drawn_, ' ') + "\r");
    std::fflush(out_);
    drawn_ = 0;
    lastDraw_ = {};
}

MsgAnswer TerminalMessages::Show(std::string_view text, std::string_view caption, MsgIcon,
                                 MsgButtons buttons) {
    if (bar_) bar_->Clear();
    Write(out_, MessageLine(text, caption) + "\n");
    std::fflush(out_);
    return FirstButton(buttons);
}

void TerminalMessages::Beep() {
    if (!interactive_) return;
    Write(out_, "\a");
    std::fflush(out_);
}

}  // namespace folio::cli
