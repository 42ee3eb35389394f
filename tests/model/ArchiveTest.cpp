#include "model/Archive.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

using namespace korvanix::model;

namespace {

TEST(Archive, WritesLittleEndianAndReadsBack) {
    ArchiveWriter w;
    w.WriteInt32(0x01020304);
    w.WriteInt32(-2);
    w.WriteDouble(1.0);
    w.WriteUInt8(0xAB);
    const std::vector<uint8_t> expected = {0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0,
                                           0,    0,    0,    0,    0,    0xF0, 0x3F, 0xAB};
    EXPECT_EQ(w.Bytes(), expected);

    ArchiveReader r(w.Bytes());
    EXPECT_EQ(r.ReadInt32(), 0x01020304);
    EXPECT_EQ(r.ReadInt32(), -2);
    EXPECT_EQ(r.ReadDouble(), 1.0);
    EXPECT_EQ(r.ReadUInt8(), 0xAB);
    EXPECT_TRUE(r.AtEnd());
}

TEST(Archive, PatchOverwritesInPlace) {
    ArchiveWriter w;
    w.WriteInt32(0);
    w.WriteInt32(7);
    w.PatchInt32(0, 20);
    ArchiveReader r(w.Bytes());
    EXPECT_EQ(r.ReadInt32(), 20);
    EXPECT_EQ(r.ReadInt32(), 7);
}

TEST(Archive, ShortReadsAreCorruptAndConsumeNothing) {
    const std::vector<uint8_t> three = {1, 2, 3};
    ArchiveReader r(three);
    try {
        r.ReadInt32();
        FAIL() << "a 3-byte stream has no int32";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), FileError::Corrupt);
        EXPECT_TRUE(e.FileName().empty());
    }
    EXPECT_EQ(r.Position(), 0u);
    EXPECT_THROW(r.ReadDouble(), FileError);
    EXPECT_THROW(r.Skip(4), FileError);
    uint8_t buf[4];
    EXPECT_THROW(r.ReadBytes(buf, 4), FileError);
    EXPECT_EQ(r.ReadUInt8(), 1);
}

TEST(Archive, RequireRejectsCountsBeyondTheData) {
    const std::vector<uint8_t> bytes(40, 0);
    ArchiveReader r(bytes);
    EXPECT_NO_THROW(r.Require(10, 4));
    EXPECT_THROW(r.Require(11, 4), FileError);
    EXPECT_THROW(r.Require(-1, 4), FileError);
    EXPECT_THROW(r.Require(std::numeric_limits<int32_t>::max(), 20), FileError);
    EXPECT_THROW(r.Require(1, std::numeric_limits<std::size_t>::max()), FileError);
}

} // namespace
