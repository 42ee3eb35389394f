#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::model {

// Little-endian record stream shared by the document file, the clipboard and the
// analysis working copy: int32 and IEEE doubles one after another, no tags.
class ArchiveWriter {
public:
    void WriteInt32(int32_t v);
    void WriteUInt8(uint8_t v);
    void WriteDouble(double v);
    void WriteBytes(const void* data, std::size_t size);
    // Overwrites four bytes already written (section lengths are fixed up afterwards).
    void PatchInt32(std::size_t position, int32_t v);

    std::size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

// Reads a byte range it does not own. Every read checks what remains first: a
// short read throws FileError 100 (corrupt), so a truncated or hostile stream can
// never make a caller read past the end or act on stale values.
class ArchiveReader {
public:
    ArchiveReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ArchiveReader(const std::vector<uint8_t>& bytes)
        : ArchiveReader(bytes.data(), bytes.size()) {}

    int32_t ReadInt32();
    uint8_t ReadUInt8();
    double ReadDouble();
    void ReadBytes(void* out, std::size_t size);
    void Skip(std::size_t size);

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ == size_; }
    // Throws FileError 100 unless `count` items of `itemSize` bytes each can still
    // be read; callers use it before allocating for a stored count.
    void Require(int64_t count, std::size_t itemSize) const;

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace korvanix::model
