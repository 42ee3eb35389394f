#include "cli/TerminalProgress.h"

#include "cli/CliSupport.h"
#include "model/Text1251.h"

#include <algorithm>
#include <cstdlib>

namespace korvanix::cli {

namespace {

constexpr int kBarWidth = 30;

} // namespace

TerminalProgress::~TerminalProgress() {
    Erase();
}

std::string TerminalProgress::BarLine(int percent, const std::string& run) {
    const int shown = std::clamp(percent, 0, 100);
    const int filled = shown * kBarWidth / 100;
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " +
                       analysis::PercentText(shown);
    if (!run.empty())
        line += "  " + run;
    return line;
}

void TerminalProgress::ShowPercent(const std::string& text) {
    // The analyses hand over "%d %%"; the number is all the bar needs.
    percent_ = std::atoi(text.c_str());
    Draw();
}

void TerminalProgress::ShowRun(const std::string& text) {
    run_ = text;
    Draw();
}

void TerminalProgress::Warning(const std::string& text) {
    Erase();
    Print(stderr, text + "\n");
    Draw();
}

void TerminalProgress::Finish(const std::string& text) {
    Erase();
    if (enabled_ && !text.empty())
        Print(stderr, text + "\n");
    enabled_ = false;
}

void TerminalProgress::Draw() {
    if (!enabled_)
        return;
    Print(stderr, "\r" + BarLine(percent_, run_));
    std::fflush(stderr);
    drawn_ = true;
}

void TerminalProgress::Erase() {
    if (!drawn_)
        return;
    // Blanks over the longest line the bar can take, then back to the start.
    const std::size_t width = model::Utf8Length(BarLine(100, run_)) + 2;
    Print(stderr, "\r" + std::string(width, ' ') + "\r");
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace korvanix::cli
