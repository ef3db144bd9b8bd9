// What the command line shows of a generation run (or any run that reports through a
// MessageSink): message boxes become lines on standard error, and while standard error is a
// terminal a one-line progress bar with the current file and tag is redrawn there in place.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "generator/GenerateReporter.h"
#include "platform/Messages.h"

namespace folio::cli {

// Whether standard error is a terminal the user watches: a terminal, and no --quiet.
bool StderrIsInteractive(bool quiet);

// The log as the command line prints it: every CR LF becomes LF, all other bytes as they are.
std::string LogWithLfLineEnds(std::string_view log);

// One message box as one line (without its line end): "caption: text", or the text alone when
// there is no caption. Line breaks inside the text become spaces.
std::string MessageLine(std::string_view text, std::string_view caption);

// The answer of a message box that nobody can click: its first button.
MsgAnswer FirstButton(MsgButtons buttons);

// Progress, status lines and the log of a run. The log is kept for the caller to print once the
// run has ended; the bar is drawn on `out` only when `interactive`.
class TerminalReporter : public GenerateReporter {
  public:
    TerminalReporter(std::FILE* out, bool interactive) : out_(out), interactive_(interactive) {}
    ~TerminalReporter() override { Clear(); }

    void SetCurrentFile(std::string_view text) override;
    void SetCurrentTag(std::string_view text) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressStep(int step) override { step_ = step; }
    void StepProgress() override;
    void SetProgressPos(int pos) override;
    void ShowLog(std::string_view log) override { log_ = log; }

    // Erases the bar, so that other text can be written to the terminal.
    void Clear();
    const std::string& Log() const { return log_; }

  private:
    // Redraws the bar; unless `force`, at most a few times a second.
    void Draw(bool force);

    std::FILE* out_;
    bool interactive_;
    int low_ = 0;
    int high_ = 0;
    int step_ = 1;
    int pos_ = 0;
    std::string file_;
    std::string tag_;
    std::string log_;
    std::size_t drawn_ = 0;  // characters of the bar now on the screen
    std::chrono::steady_clock::time_point lastDraw_{};
};

// Message boxes as lines on `out`; the beep only on an interactive terminal. A progress bar on
// the same terminal is cleared before a line is written.
class TerminalMessages : public MessageSink {
  public:
    TerminalMessages(std::FILE* out, bool interactive, TerminalReporter* bar = nullptr)
        : out_(out), interactive_(interactive), bar_(bar) {}

    MsgAnswer Show(std::string_view text, std::string_view caption = {},
                   MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok) override;
    void Beep() override;

  private:
    std::FILE* out_;
    bool interactive_;
    TerminalReporter* bar_;
};

}  // namespace folio::cli
