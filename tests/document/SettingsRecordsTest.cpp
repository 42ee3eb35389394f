#include "document/SettingsRecords.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace korvanix::document;

namespace {

// An expected record image, filled field by field at the offsets of the stored
// layout (independently of the structures under test).
class Image {
public:
    explicit Image(std::size_t size) : bytes_(size, 0) {}

    void Int(std::size_t at, int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            bytes_.at(at + i) = static_cast<uint8_t>(u >> (8 * i));
    }
    void Double(std::size_t at, double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        for (int i = 0; i < 8; ++i)
            bytes_.at(at + i) = static_cast<uint8_t>(u >> (8 * i));
    }
    void Byte(std::size_t at, uint8_t v) { bytes_.at(at) = v; }
    void Text(std::size_t at, const std::string& ascii) {
        for (std::size_t i = 0; i < ascii.size(); ++i)
            bytes_.at(at + i) = static_cast<uint8_t>(ascii[i]);
    }
    // A font record at `at`: height, weight, character set and face; the rest 0.
    void Font(std::size_t at, int32_t height, uint8_t charSet, const std::string& face) {
        Int(at, height);
        Int(at + 16, 400);
        Byte(at + 23, charSet);
        Text(at + 28, face);
    }
    void IntervalDefaults(std::size_t at) {
        Double(at + 8, 0.001);
        Double(at + 16, 1e-05);
        Int(at + 24, 100);
        Int(at + 28, 1);
        Double(at + 32, 1e-05);
        Int(at + 40, 1);
    }
    void SweepDefaults(std::size_t at) {
        Int(at + 32, 10);
        Int(at + 36, 1);
    }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

template <class Record> std::vector<uint8_t> BytesOf(const Record& r) {
    const uint8_t* p = RecordBytes(r);
    return std::vector<uint8_t>(p, p + sizeof(Record));
}

// Index of the first differing byte, to make a mismatch readable.
template <class Record> void ExpectImage(const Record& r, const Image& expected) {
    const auto actual = BytesOf(r);
    ASSERT_EQ(actual.size(), expected.Bytes().size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        ASSERT_EQ(int(actual[i]), int(expected.Bytes()[i])) << "at offset " << i;
}

} // namespace

TEST(SettingsRecordsTest, IntervalPartDefaults) {
    Image expected(48);
    expected.IntervalDefaults(0);
    ExpectImage(IntervalPart{}, expected);
}

TEST(SettingsRecordsTest, TransientDefaultsHoldOnlyTheFirstPart) {
    Image expected(600);
    expected.IntervalDefaults(0);
    expected.Int(432, 1);
    expected.SweepDefaults(560);
    ExpectImage(TransientSettings{}, expected);
}

TEST(SettingsRecordsTest, FrequencyDefaults) {
    Image expected(224);
    expected.Double(0, 1.0);
    expected.Double(8, 1000000.0);
    expected.Int(16, 100);
    expected.Int(20, 1);
    expected.Int(24, 1);
    expected.Int(28, 3);
    expected.Int(32, 7);
    expected.Int(156, 1);
    expected.SweepDefaults(184);
    ExpectImage(FrequencySettings{}, expected);
}

TEST(SettingsRecordsTest, AnalysisOptionsDefaults) {
    Image expected(16);
    expected.Int(0, 100);
    expected.Int(4, 3);
    expected.Int(8, 1);
    expected.Int(12, 1);
    ExpectImage(AnalysisOptions{}, expected);
}

TEST(SettingsRecordsTest, SchemeOptionsDefaults) {
    Image expected(204);
    expected.Int(0, 1);
    expected.Int(4, 1);
    expected.Font(12, 100, 1, "Times New Roman");
    expected.Font(72, 100, 204, "Arial");
    expected.Font(132, 120, 1, "Arial");
    expected.Text(192, std::string("\0\0\xFF\0", 4));
    expected.Text(196, std::string("\0\0\xFF\0", 4));
    expected.Text(200, std::string("\0\x80\0\0", 4));
    ExpectImage(SchemeOptions{}, expected);
}

TEST(SettingsRecordsTest, NameFieldsStoreCodePage1251CutToTheirField) {
    struct Case {
        const char* text;
        const char* stored; // 1251 bytes expected in the field, before the zeros
        const char* readBack;
    };
    // "Узел 12" is 11 bytes of UTF-8 but 7 characters: it fits a 10-byte field.
    const Case cases[] = {
        {"C1", "C1", "C1"},
        {"Узел 12", "\xD3\xE7\xE5\xEB 12", "Узел 12"},
        {"R123456789", "R12345678", "R12345678"}, // 9 characters at most
        {"ИТУН1234567", "\xC8\xD2\xD3\xCD\x31\x32\x33\x34\x35", "ИТУН12345"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TransientSettings t;
        t.SetVoltageOutput(4, c.text);
        t.SetCurrentOutput(0, c.text);
        EXPECT_EQ(t.VoltageOutput(4), c.readBack);
        EXPECT_EQ(t.CurrentOutput(0), c.readBack);
        std::string field(t.voltageOutputs[4], 10);
        std::string expected(c.stored);
        expected.resize(10, '\0');
        EXPECT_EQ(field, expected);

        FrequencySettings f;
        f.SetVoltageOutput(2, c.text);
        EXPECT_EQ(f.VoltageOutput(2), c.readBack);
        EXPECT_EQ(std::string(f.voltageOutputs[2], 10), expected);
    }
}

TEST(SettingsRecordsTest, ElevenCharacterNameFields) {
    SweepSettings s;
    s.SetElementName("Конденсатор"); // 11 characters: fits
    EXPECT_EQ(s.ElementName(), "Конденсатор");
    EXPECT_EQ(s.elementName[11], '\0');
    s.SetElementName("ИТУН123456789"); // cut to 11
    EXPECT_EQ(s.ElementName(), "ИТУН1234567");
    s.SetElementName("R1"); // the rest of the field is cleared
    EXPECT_EQ(std::string(s.elementName, 12), std::string("R1\0\0\0\0\0\0\0\0\0\0", 12));

    FrequencySettings f;
    f.SetInputElement("Источник123");
    EXPECT_EQ(f.InputElement(), "Источник123");
    EXPECT_EQ(f.inputElement[11], '\0');
}

TEST(SettingsRecordsTest, UnterminatedStoredNameReadsToTheFieldEnd) {
    // A stored record need not carry a terminator; reading stops at the field end.
    TransientSettings t;
    std::memset(t.voltageOutputs[0], 'A', 10);
    std::memset(t.voltageOutputs[1], 'B', 10);
    EXPECT_EQ(t.VoltageOutput(0), "AAAAAAAAAA");
}

TEST(SettingsRecordsTest, OutputSlotsOutsideTheTableAreIgnored) {
    TransientSettings t;
    const TransientSettings before = t;
    t.SetVoltageOutput(5, "X");
    t.SetVoltageOutput(-1, "X");
    t.SetCurrentOutput(5, "X");
    EXPECT_TRUE(SameBytes(t, before));
    EXPECT_EQ(t.VoltageOutput(5), "");
    EXPECT_EQ(t.CurrentOutput(-1), "");
}

TEST(SettingsRecordsTest, FontResetKeepsDisplayFlags) {
    SchemeOptions o;
    o.showNames = 0;
    o.showNodes = 1;
    o.valueFont.height = 240;
    o.nodeFont.faceName[0] = 'C';
    o.nameColor = Rgb(1, 2, 3);
    o.nodeColor = Rgb(9, 9, 9);
    o.ResetFontsAndColors();
    SchemeOptions expected;
    expected.showNames = 0;
    expected.showNodes = 1;
    EXPECT_TRUE(SameBytes(o, expected));
}

TEST(SettingsRecordsTest, ResetRestoresEveryRecord) {
    DocumentSettings s;
    s.transient.parts[3].endTime = 5.0;
    s.transient.sweep.graphCount = 2;
    s.frequency.sweep.method = SweepSettings::Logarithmic;
    s.options.maxIter = 10;
    s.scheme.valueFont.charSet = 1;
    s.Reset();
    const DocumentSettings fresh;
    EXPECT_TRUE(SameBytes(s.transient, fresh.transient));
    EXPECT_TRUE(SameBytes(s.frequency, fresh.frequency));
    EXPECT_TRUE(SameBytes(s.options, fresh.options));
    EXPECT_TRUE(SameBytes(s.scheme, fresh.scheme));
}

TEST(SettingsRecordsTest, ShortStoredImageKeepsTheTail) {
    // A version 1.0 document holds the transient record without its sweep.
    TransientSettings stored;
    stored.partCount = 3;
    stored.sweep.graphCount = 99;
    TransientSettings loaded;
    LoadRecordBytes(loaded, RecordBytes(stored), TransientSettings::kVersion10Size);
    EXPECT_EQ(loaded.partCount, 3);
    EXPECT_TRUE(SameBytes(loaded.sweep, SweepSettings{}));
}
