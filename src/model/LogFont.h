#pragma once

#include <cstdint>
#include <string>

namespace korvanix::model {

// The 60-byte logical font record stored in files (single-byte face name).
#pragma pack(push, 1)
struct LogFont {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[32] = {};

    std::string Face() const;              // UTF-8
    void SetFace(const std::string& utf8); // cut to 31 bytes of 1251, zero-padded
};
#pragma pack(pop)
static_assert(sizeof(LogFont) == 60, "LogFont is a fixed 60-byte record");

constexpr uint8_t kRussianCharset = 204;

} // namespace korvanix::model
