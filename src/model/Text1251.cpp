#include "model/Text1251.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace korvanix::model {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
// 0x98 has no character in the code page; it is carried as U+0098 so that
// arbitrary bytes survive a round trip.
constexpr uint16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

uint32_t Decode1251(unsigned char c) {
    if (c < 0x80)
        return c;
    if (c >= 0xC0)
        return 0x0410 + (c - 0xC0);
    return kHigh[c - 0x80];
}

int Encode1251(uint32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<int>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == cp)
            return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is not valid
// (then `cp` is undefined and the caller takes one byte).
std::size_t NextCodePoint(const std::string& s, std::size_t i, uint32_t& cp) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len;
    uint32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF)
        return 0;
    return len;
}

} // namespace

std::string Utf8ToCp1251(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        std::size_t len = NextCodePoint(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        const int b = Encode1251(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
        i += len;
    }
    return out;
}

std::u32string Without1251Code(const std::string& utf8) {
    std::u32string missing;
    for (std::size_t i = 0; i < utf8.size();) {
        uint32_t cp = 0;
        const std::size_t len = NextCodePoint(utf8, i, cp);
        if (len == 0)
            cp = 0xFFFD;
        if ((len == 0 || Encode1251(cp) < 0) && missing.find(cp) == std::u32string::npos)
            missing += static_cast<char32_t>(cp);
        i += len == 0 ? 1 : len;
    }
    return missing;
}

std::string Cp1251ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
        AppendUtf8(out, Decode1251(static_cast<unsigned char>(c)));
    return out;
}

std::size_t Utf8Length(const std::string& utf8) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < utf8.size(); ++n) {
        uint32_t cp = 0;
        const std::size_t len = NextCodePoint(utf8, i, cp);
        i += len == 0 ? 1 : len;
    }
    return n;
}

std::string Utf8Left(const std::string& utf8, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < utf8.size(); ++n) {
        uint32_t cp = 0;
        const std::size_t len = NextCodePoint(utf8, i, cp);
        i += len == 0 ? 1 : len;
    }
    return utf8.substr(0, i);
}

void WriteFixedCp1251(const std::string& utf8, char* field, std::size_t size) {
    if (size == 0)
        return;
    std::memset(field, 0, size);
    const std::string bytes = Utf8ToCp1251(utf8);
    std::memcpy(field, bytes.data(), std::min(bytes.size(), size - 1));
}

std::string ReadFixedCp1251(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n] != '\0')
        ++n;
    return Cp1251ToUtf8(std::string(field, n));
}

} // namespace korvanix::model
