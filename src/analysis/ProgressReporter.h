#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace korvanix::analysis {

// What an analysis shows while it runs and how it learns that the user stopped it.
// The progress dialog of the desktop program, the batch tool and the tests
// implement it; the analyses never touch a window themselves.
class ProgressReporter {
public:
    virtual ~ProgressReporter() = default;

    // "Выполнено :" — the percentage text ("35 %", see PercentText).
    virtual void ShowPercent(const std::string& text) = 0;
    // "Номер расчета :" — the run text ("2 из 10", see RunText).
    virtual void ShowRun(const std::string& text) = 0;
    // Called after every computed point: dispatch whatever is pending (the desktop
    // program pumps its window messages here) and answer whether to go on; false
    // once the user has pressed "Стоп".
    virtual bool Continue() = 0;
    // A warning box; returns when the user has closed it. The analyses keep the
    // time spent here out of the computation time they report.
    virtual void Warning(const std::string& text) = 0;
};

// "%d %%"
inline std::string PercentText(int percent) {
    return std::to_string(percent) + " %";
}

// "%d из %d"
inline std::string RunText(int run, int runCount) {
    return std::to_string(run) + " из " + std::to_string(runCount);
}

// "Время расчета: %dmin %ds %dms" for an elapsed time in milliseconds.
inline std::string ElapsedTimeText(int64_t milliseconds) {
    if (milliseconds < 0) {
        milliseconds = 0;
    }
    const auto minutes = static_cast<int>(milliseconds / 60000);
    const auto seconds = static_cast<int>(milliseconds / 1000 % 60);
    const auto millis = static_cast<int>(milliseconds % 1000);
    return "Время расчета: " + std::to_string(minutes) + "min " + std::to_string(seconds) + "s " +
           std::to_string(millis) + "ms";
}

// The computation time of an analysis: wall time since the start, less whatever
// was spent waiting for the user in message boxes.
class ComputationClock {
public:
    ComputationClock() : start_(Clock::now()) {}

    void Exclude(std::chrono::milliseconds spent) { excluded_ += spent; }
    int64_t ElapsedMilliseconds() const {
        const auto wall =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_);
        return static_cast<int64_t>((wall - excluded_).count());
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_;
    std::chrono::milliseconds excluded_{0};
};

} // namespace korvanix::analysis
