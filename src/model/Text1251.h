#pragma once

#include <cstddef>
#include <string>

namespace korvanix::model {

// The one place where text crosses between the core's UTF-8 and the single-byte
// code page 1251 used inside files and fixed-size records.

// Characters without a code in 1251 (and bytes that are not valid UTF-8) become '?'.
std::string Utf8ToCp1251(const std::string& utf8);
// The characters that Utf8ToCp1251 would turn into '?', each once, in the order they
// first appear; a byte that is not valid UTF-8 counts as U+FFFD. Empty when the text
// survives the conversion unchanged, so that a caller can refuse it instead.
std::u32string Without1251Code(const std::string& utf8);
// Every byte has a character, so a decode followed by an encode gives the bytes back.
std::string Cp1251ToUtf8(const std::string& bytes);

// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(const std::string& utf8);
// The first `count` characters of a UTF-8 text.
std::string Utf8Left(const std::string& utf8, std::size_t count);

// Writes text into a fixed zero-terminated 1251 field of `size` bytes: cut so that
// the terminator always fits, the rest of the field zero-filled.
void WriteFixedCp1251(const std::string& utf8, char* field, std::size_t size);
// Reads such a field up to its first zero byte (or its end when it has none).
std::string ReadFixedCp1251(const char* field, std::size_t size);

} // namespace korvanix::model
