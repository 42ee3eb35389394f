#pragma once

#include "document/SettingsRecords.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace korvanix::document::testing {

using Bytes = std::vector<uint8_t>;

inline void PutInt(Bytes& b, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

inline Bytes Ints(std::initializer_list<int32_t> values) {
    Bytes b;
    for (int32_t v : values)
        PutInt(b, v);
    return b;
}

template <class Record> Bytes RecordPayload(const Record& r, std::size_t size = sizeof(Record)) {
    Bytes b(size);
    std::memcpy(b.data(), &r, size);
    return b;
}

inline Bytes LanguagePayload(uint8_t code) {
    Bytes b(44, 0);
    b[0] = code;
    return b;
}

// Circuit version 1.0, no elements, no wires.
inline Bytes EmptyCircuit() {
    Bytes b{1, 0};
    PutInt(b, 0);
    PutInt(b, 0);
    return b;
}

inline uint8_t SumFrom3(const Bytes& b) {
    unsigned sum = 0;
    for (std::size_t i = 3; i < b.size(); ++i)
        sum += b[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

// Assembles a document file by hand, section by section, so that tests state
// the expected bytes without going through the writer.
class FileBuilder {
public:
    FileBuilder(uint8_t major = 1, uint8_t minor = 1) : bytes_{major, minor, 0} {}

    FileBuilder& Section(int32_t id, const Bytes& payload, int32_t endMark = 17) {
        return SectionWithLength(id, static_cast<int32_t>(payload.size()), payload, endMark);
    }
    FileBuilder& SectionWithLength(int32_t id, int32_t length, const Bytes& payload,
                                   int32_t endMark = 17) {
        PutInt(bytes_, id);
        PutInt(bytes_, length);
        Raw(payload);
        PutInt(bytes_, endMark);
        return *this;
    }
    FileBuilder& Raw(const Bytes& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    FileBuilder& End() {
        PutInt(bytes_, 17);
        return *this;
    }
    // With the check byte fixed unless told otherwise.
    Bytes Finish(bool fixCheckByte = true) const {
        Bytes b = bytes_;
        if (fixCheckByte)
            b[2] = SumFrom3(b);
        return b;
    }

private:
    Bytes bytes_;
};

// A complete version 1.1 file in the writer's order with the given content and
// an empty circuit.
inline FileBuilder StandardFile(const DocumentSettings& s, std::initializer_list<int32_t> view,
                                uint8_t language = 2) {
    FileBuilder f;
    f.Section(1, Ints(view))
        .Section(7, LanguagePayload(language))
        .Section(3, RecordPayload(s.transient))
        .Section(6, RecordPayload(s.frequency))
        .Section(4, RecordPayload(s.options))
        .Section(5, RecordPayload(s.scheme))
        .Section(2, EmptyCircuit());
    return f;
}

} // namespace korvanix::document::testing
