#pragma once

#include "model/Errors.h"

#include <stdexcept>
#include <string>

namespace korvanix::engine {

// The codes live with SchemeError itself, where the model raises them too.
namespace scheme_error = model::scheme_error;

// The text the user reads for a scheme error. Codes 2000, 2001 and 2003 name the
// kind of the element carried (not the element's own name); 4100 shows its own
// text when the raiser gave one.
std::string SchemeErrorMessage(const model::SchemeError& error);

// The numerical analysis itself failed.
class AnalysisError : public std::runtime_error {
public:
    static constexpr int AccuracyMissed = 200;
    static constexpr int SweepElementNotFound = 201;

    explicit AnalysisError(int code) : std::runtime_error("AnalysisError"), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

std::string AnalysisErrorMessage(int code);
inline std::string AnalysisErrorMessage(const AnalysisError& error) {
    return AnalysisErrorMessage(error.Code());
}

} // namespace korvanix::engine
