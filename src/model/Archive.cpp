#include "model/Archive.h"

#include "model/Errors.h"

#include <cstring>

namespace korvanix::model {

void ArchiveWriter::WriteInt32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        bytes_.push_back(static_cast<uint8_t>((u >> (8 * i)) & 0xFF));
}

void ArchiveWriter::WriteUInt8(uint8_t v) {
    bytes_.push_back(v);
}

void ArchiveWriter::WriteDouble(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 8; ++i)
        bytes_.push_back(static_cast<uint8_t>((u >> (8 * i)) & 0xFF));
}

void ArchiveWriter::WriteBytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
}

void ArchiveWriter::PatchInt32(std::size_t position, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        bytes_.at(position + i) = static_cast<uint8_t>((u >> (8 * i)) & 0xFF);
}

int32_t ArchiveReader::ReadInt32() {
    Require(1, 4);
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return static_cast<int32_t>(u);
}

uint8_t ArchiveReader::ReadUInt8() {
    Require(1, 1);
    return data_[pos_++];
}

double ArchiveReader::ReadDouble() {
    Require(1, 8);
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i)
        u |= static_cast<uint64_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 8;
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

void ArchiveReader::ReadBytes(void* out, std::size_t size) {
    Require(1, size);
    if (size > 0)
        std::memcpy(out, data_ + pos_, size);
    pos_ += size;
}

void ArchiveReader::Skip(std::size_t size) {
    Require(1, size);
    pos_ += size;
}

void ArchiveReader::Require(int64_t count, std::size_t itemSize) const {
    if (count < 0)
        throw FileError(FileError::Corrupt);
    const auto remaining = static_cast<uint64_t>(size_ - pos_);
    if (itemSize != 0 && static_cast<uint64_t>(count) > remaining / itemSize)
        throw FileError(FileError::Corrupt);
}

} // namespace korvanix::model
