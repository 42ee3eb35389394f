#pragma once

#include <stdexcept>
#include <string>

namespace korvanix::model {

class Element;

// The codes of SchemeError, one table for the model and the engine (the texts
// are the engine's). 0 is success.
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

// Model and engine failures. Code 0 means success; the texts for the user come
// from the engine's message table. The element, when there is one, is the element
// concerned; an own message is carried only where the raiser has one (subcircuit
// reading).
class SchemeError : public std::runtime_error {
public:
    explicit SchemeError(int code = 0, Element* element = nullptr)
        : std::runtime_error("SchemeError"), code_(code), element_(element) {}
    SchemeError(int code, std::string message, Element* element = nullptr)
        : std::runtime_error("SchemeError"), code_(code), element_(element),
          message_(std::move(message)), hasMessage_(true) {}

    int Code() const { return code_; }
    Element* GetElement() const { return element_; }
    void SetElement(Element* element) { element_ = element; }
    const std::string& Message() const { return message_; }
    bool HasMessage() const { return hasMessage_; }
    void DropMessage() {
        message_.clear();
        hasMessage_ = false;
    }

private:
    int code_;
    Element* element_;
    std::string message_;
    bool hasMessage_ = false;
};

// Document reading failures: 100 corrupt file, 101 check sum, 102 unknown version.
// The file name is empty when the thrower does not know it (element and circuit readers).
class FileError : public std::runtime_error {
public:
    static constexpr int Corrupt = 100;
    static constexpr int CheckSum = 101;
    static constexpr int UnknownVersion = 102;

    explicit FileError(int code, std::string fileName = {})
        : std::runtime_error("FileError"), code_(code), fileName_(std::move(fileName)) {}
    int Code() const { return code_; }
    const std::string& FileName() const { return fileName_; }

private:
    int code_;
    std::string fileName_;
};

} // namespace korvanix::model
