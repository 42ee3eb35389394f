#pragma once

#include <stdexcept>
#include <string>

namespace korvanix::model {

// Model and engine failures. Code 0 means success; the texts for the user are
// produced by the engine's message table, not here.
class SchemeError : public std::runtime_error {
public:
    explicit SchemeError(int code) : std::runtime_error("SchemeError"), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
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
