#include "analysis/IntervalParts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanix::analysis {

namespace {

// Below this a quotient is still the whole number under it.
constexpr double kWholeTolerance = 1e-6;

double DefaultDuration() {
    const document::IntervalPart defaults;
    return defaults.endTime - defaults.startTime;
}

} // namespace

double StepFromPoints(double start, double end, int points) {
    return (end - start) / points;
}

int PointsFromStep(double start, double end, double step) {
    const double x = (end - start) / step;
    // A zero step divides to infinity, and a quotient beyond int has no count a
    // part could hold; both are bad steps rather than undefined conversions.
    constexpr double kLimit = static_cast<double>(std::numeric_limits<int>::max()) - 1;
    if (!std::isfinite(x) || x >= kLimit || x <= -kLimit)
        return 0;
    const double whole = std::floor(x);
    if (std::fabs(whole - x) >= kWholeTolerance)
        return static_cast<int>(whole) + 1;
    return static_cast<int>(x);
}

int PartCount(const document::TransientSettings& settings) {
    return std::clamp<int>(settings.partCount, 1, document::kMaxIntervalParts);
}

bool AddIntervalPart(document::TransientSettings& settings) {
    const int count = PartCount(settings);
    if (count >= document::kMaxIntervalParts)
        return false;
    document::IntervalPart part;
    part.startTime = settings.parts[count - 1].endTime;
    part.endTime = part.startTime + DefaultDuration();
    settings.parts[count] = part;
    settings.partCount = count + 1;
    return true;
}

bool DeleteIntervalPart(document::TransientSettings& settings, int index) {
    const int count = PartCount(settings);
    if (count < 2 || index < 0 || index >= count)
        return false;
    if (index > 0 && index < count - 1)
        settings.parts[index - 1].endTime = settings.parts[index].endTime;
    for (int i = index; i < count - 1; ++i)
        settings.parts[i] = settings.parts[i + 1];
    settings.partCount = count - 1;
    return true;
}

void ShiftLaterParts(document::TransientSettings& settings, int index) {
    const int count = PartCount(settings);
    for (int i = std::max(index, 0) + 1; i < count; ++i) {
        document::IntervalPart& part = settings.parts[i];
        // A part already in place is left alone: end − start + start need not give
        // the end back, and an unchanged part must keep its bytes.
        if (part.startTime == settings.parts[i - 1].endTime)
            continue;
        const double duration = part.endTime - part.startTime;
        part.startTime = settings.parts[i - 1].endTime;
        part.endTime = part.startTime + duration;
    }
}

int ScanPointCount(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated in a wider type and stopped at the first step past int.
    constexpr long long kMax = std::numeric_limits<int>::max();
    long long value = 0;
    bool digits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        digits = true;
        value = std::min(value * 10 + (text[i] - '0'), kMax + 1);
    }
    if (!digits)
        return 0;
    if (negative)
        return static_cast<int>(std::max(-value, -kMax - 1));
    return static_cast<int>(std::min(value, kMax));
}

} // namespace korvanix::analysis
