#pragma once

#include "model/Errors.h"

#include <stdexcept>
#include <string>

namespace korvanix::engine {

// Codes of model::SchemeError raised by the engine and the model.
namespace scheme_error {
constexpr int CapacitorParallelToSource = 1000;
constexpr int ParallelSources = 1001;
constexpr int ParallelCapacitors = 1002;
constexpr int NotConnected = 2000;
constexpr int Shorted = 2001;
constexpr int NoGround = 2002;
constexpr int GroundUnused = 2003;
constexpr int Adu0NotSquare = 3000;
constexpr int PhysicallyIncorrect = 3001;
constexpr int SourceLoop = 3002;
constexpr int SourceCapacitorLoop = 3003;
constexpr int CapacitorLoop = 3004;
constexpr int MatrixFailure = 3100;
constexpr int BadParameter = 3200;
constexpr int NoHarmonicSource = 3500;
constexpr int SeveralHarmonicSources = 3510;
constexpr int Subcircuit = 4100;
} // namespace scheme_error

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
