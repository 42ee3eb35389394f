#pragma once

#include "analysis/ProgressReporter.h"

#include <string>

namespace korvanix::cli {

// The progress dialog of the desktop program as one line on standard error: a bar,
// the percentage and the run ("[######      ]  35 %  2 из 10"), redrawn in place.
// Drawn only when enabled (standard error is a terminal and --quiet was not
// given); warnings are printed either way, each on a line of its own.
class TerminalProgress : public analysis::ProgressReporter {
public:
    explicit TerminalProgress(bool enabled) : enabled_(enabled) {}
    ~TerminalProgress() override;

    void ShowPercent(const std::string& text) override;
    void ShowRun(const std::string& text) override;
    bool Continue() override { return true; }
    void Warning(const std::string& text) override;

    // Replaces the bar by a final line (the computation time), or just removes it
    // when `text` is empty.
    void Finish(const std::string& text);

    // The line drawn for a percentage (0..100) and a run text.
    static std::string BarLine(int percent, const std::string& run);

private:
    void Draw();
    void Erase();

    bool enabled_;
    bool drawn_ = false;
    int percent_ = 0;
    std::string run_;
};

} // namespace korvanix::cli
