#pragma once

#include <string>

namespace korvanix::engine {

// The few boxes a formulation shows while it runs. The window layer, the batch tool
// and tests provide it, so the engine itself never touches a window.
class EngineNotifier {
public:
    virtual ~EngineNotifier() = default;
    // One box per loop of capacitors and voltage sources, before the loop error.
    virtual void LoopWarning(const std::string& caption, const std::string& text) = 0;
    // A plain application box (a failed matrix operation's text).
    virtual void PlainMessage(const std::string& text) = 0;
};

} // namespace korvanix::engine
