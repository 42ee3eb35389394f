#include "document/ScmFile.h"

#include "ScmFileBuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

using namespace korvanix::document;
using namespace korvanix::document::testing;
using korvanix::model::FileError;

namespace {

const std::string kName = "doc.scm";

DocumentSettings SampleSettings() {
    DocumentSettings s;
    s.transient.partCount = 2;
    s.transient.parts[1].startTime = 0.001;
    s.transient.parts[1].endTime = 0.004;
    s.transient.SetVoltageOutput(0, "C1");
    s.transient.voltageOutputCount = 1;
    s.transient.sweepEnabled = 1;
    s.transient.sweep.SetElementName("R1");
    s.transient.sweep.endValue = 5000.0;
    s.frequency.SetInputElement("U1");
    s.frequency.SetCurrentOutput(0, "R2");
    s.frequency.currentOutputCount = 1;
    s.frequency.frequencyScale = 2;
    s.options.maxIter = 50;
    s.scheme.showNodes = 1;
    s.scheme.valueFont.charSet = 1;
    s.scheme.nodeColor = Rgb(10, 20, 30);
    return s;
}

void ExpectSameSettings(const DocumentSettings& a, const DocumentSettings& b) {
    EXPECT_TRUE(SameBytes(a.transient, b.transient));
    EXPECT_TRUE(SameBytes(a.frequency, b.frequency));
    EXPECT_TRUE(SameBytes(a.options, b.options));
    EXPECT_TRUE(SameBytes(a.scheme, b.scheme));
}

// The message a failed read shows, or "" when the file was read.
std::string ReadMessage(const Bytes& file) {
    try {
        ReadScmFile(file, kName);
        return "";
    } catch (const FileError& e) {
        return FileErrorMessage(e);
    }
}

Bytes Standard() {
    return StandardFile(SampleSettings(), {120, 800, 640, 4000, 2400}).End().Finish();
}

} // namespace

TEST(ScmFileTest, WriterProducesTheDocumentedBytes) {
    const DocumentSettings s = SampleSettings();
    const Bytes written = WriteScmFile({120, 800, 640, 4000, 2400}, s, {}, {});

    // Header 1, 1, check; sections 1, 7, 3, 6, 4, 5, 2 each as id, length,
    // payload, 17; the end id 17; the check byte sums everything from offset 3.
    const Bytes expected = StandardFile(s, {120, 800, 640, 4000, 2400}).End().Finish();
    ASSERT_EQ(written.size(), 3u + 7 * 12 + 20 + 44 + 600 + 224 + 16 + 204 + 10 + 4);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(written[0], 1);
    EXPECT_EQ(written[1], 1);
    EXPECT_EQ(written[2], SumFrom3(written));
    // Spot checks of the framing at absolute offsets.
    EXPECT_EQ(written[3], 1);     // id of section 1
    EXPECT_EQ(written[7], 20);    // its length
    EXPECT_EQ(written[31], 17);   // its end mark
    EXPECT_EQ(written[35], 7);    // language section
    EXPECT_EQ(written[43], 2);    // language code
    EXPECT_EQ(written[91], 3);    // transient settings
    EXPECT_EQ(written[95], 0x58); // 600 = 0x258
    EXPECT_EQ(written[96], 0x02);
}

TEST(ScmFileTest, ReadGivesBackViewAndSettings) {
    const DocumentSettings s = SampleSettings();
    const ScmContent c = ReadScmFile(WriteScmFile({90, 7, -8, 5000, 6000}, s, {}, {}), kName);
    EXPECT_EQ(c.view, (ViewState{90, 7, -8, 5000, 6000}));
    ExpectSameSettings(c.settings, s);
    EXPECT_EQ(c.language, 2);
    EXPECT_FALSE(c.unknownLanguage);
    EXPECT_TRUE(c.elements.empty());
    EXPECT_TRUE(c.wires.empty());
}

TEST(ScmFileTest, NewDocumentRecordsSurviveByteForByte) {
    const DocumentSettings defaults;
    const ScmContent c = ReadScmFile(WriteScmFile({}, defaults, {}, {}), kName);
    ExpectSameSettings(c.settings, defaults);
    EXPECT_EQ(c.view, ViewState{});
}

TEST(ScmFileTest, Version10FileHoldsTheTransientRecordWithoutItsSweep) {
    DocumentSettings stored = SampleSettings();
    stored.transient.sweep.graphCount = 3;
    FileBuilder f(1, 0);
    f.Section(1, Ints({100, 1500, 1500, 3000, 3000}))
        .Section(3, RecordPayload(stored.transient, 560))
        .Section(6, RecordPayload(stored.frequency))
        .Section(4, RecordPayload(stored.options))
        .Section(2, EmptyCircuit())
        .End();
    const ScmContent c = ReadScmFile(f.Finish(), kName);

    DocumentSettings expected = stored;
    expected.transient.sweep = SweepSettings{};
    expected.scheme = SchemeOptions{};
    ExpectSameSettings(c.settings, expected);
}

TEST(ScmFileTest, Version10IgnoresASchemeOptionsSection) {
    // Version 1.0 had no display record; a section under its id is skipped whole.
    SchemeOptions o;
    o.showNames = 0;
    FileBuilder f(1, 0);
    f.Section(5, RecordPayload(o)).Section(2, EmptyCircuit()).End();
    const ScmContent c = ReadScmFile(f.Finish(), kName);
    EXPECT_TRUE(SameBytes(c.settings.scheme, SchemeOptions{}));
}

TEST(ScmFileTest, Version11WithAShortTransientSectionIsCorrupt) {
    // The payload length is not consulted for the settings: 1.1 reads 600 bytes,
    // runs into the next section and finds no end mark.
    FileBuilder f;
    f.Section(3, RecordPayload(TransientSettings{}, 560))
        .Section(6, RecordPayload(FrequencySettings{}))
        .Section(2, EmptyCircuit())
        .End();
    EXPECT_EQ(ReadMessage(f.Finish()), "Файл doc.scm поврежден.");
}

TEST(ScmFileTest, AcceptedVariants) {
    struct Case {
        const char* what;
        std::function<Bytes()> file;
        ViewState view;
    };
    const ViewState defaults;
    const DocumentSettings s;
    const Case cases[] = {
        {"major byte 0x11: only the low four bits count",
         [] {
             Bytes b = Standard();
             b[0] = 0x11;
             return b;
         },
         {120, 800, 640, 4000, 2400}},
        {"major byte 0xF1",
         [] {
             Bytes b = Standard();
             b[0] = 0xF1;
             return b;
         },
         {120, 800, 640, 4000, 2400}},
        {"unknown section 9 is skipped by its length",
         [] {
             return FileBuilder()
                 .Section(9, Bytes(37, 0xAB))
                 .Section(1, Ints({50, 1, 2, 3, 4}))
                 .Section(2, EmptyCircuit())
                 .End()
                 .Finish();
         },
         {50, 1, 2, 3, 4}},
        {"unknown ids 0, 8, 16, 18 and -5, empty and not",
         [] {
             return FileBuilder()
                 .Section(0, {})
                 .Section(8, Bytes(3, 17))
                 .Section(16, Ints({17}))
                 .Section(18, Bytes(100, 0))
                 .Section(-5, Bytes(1, 1))
                 .Section(1, Ints({50, 1, 2, 3, 4}))
                 .End()
                 .Finish();
         },
         {50, 1, 2, 3, 4}},
        {"section 1 of another length is skipped, the view keeps its defaults",
         [] {
             return FileBuilder()
                 .Section(1, Ints({50, 1, 2, 3, 4, 5}))
                 .Section(2, EmptyCircuit())
                 .End()
                 .Finish();
         },
         defaults},
        {"section 1 of length 16 likewise",
         [] {
             return FileBuilder().Section(1, Ints({50, 1, 2, 3})).End().Finish();
         },
         defaults},
        {"a file with no sections at all", [] { return FileBuilder().End().Finish(); }, defaults},
        {"bytes after the end identifier are not read",
         [] {
             return FileBuilder().Section(1, Ints({50, 1, 2, 3, 4})).End().Raw({9, 9, 9}).Finish();
         },
         {50, 1, 2, 3, 4}},
        {"the last section 1 wins",
         [] {
             return FileBuilder()
                 .Section(1, Ints({50, 1, 2, 3, 4}))
                 .Section(1, Ints({60, 5, 6, 7, 8}))
                 .End()
                 .Finish();
         },
         {60, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScmContent content;
        ASSERT_NO_THROW(content = ReadScmFile(c.file(), kName));
        EXPECT_EQ(content.view, c.view);
    }
}

TEST(ScmFileTest, ReaderFailures) {
    struct Case {
        const char* what;
        std::function<Bytes()> file;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"a changed byte after offset 2",
         [] {
             Bytes b = Standard();
             b[40] ^= 0x01;
             return b;
         },
         101, "Ошибка CRC в файле doc.scm"},
        {"a changed last byte",
         [] {
             Bytes b = Standard();
             b.back() ^= 0x80;
             return b;
         },
         101, "Ошибка CRC в файле doc.scm"},
        {"a changed check byte",
         [] {
             Bytes b = Standard();
             b[2] += 1;
             return b;
         },
         101, "Ошибка CRC в файле doc.scm"},
        {"minor version 2",
         [] {
             Bytes b = Standard();
             b[1] = 2;
             return b;
         },
         102, "Неизвестная версия файла: doc.scm"},
        {"major version 2",
         [] {
             Bytes b = Standard();
             b[0] = 0x12;
             return b;
         },
         102, "Неизвестная версия файла: doc.scm"},
        {"major version 0",
         [] {
             Bytes b = Standard();
             b[0] = 0x10;
             return b;
         },
         102, "Неизвестная версия файла: doc.scm"},
        {"end mark 18 after a section",
         [] {
             return FileBuilder().Section(1, Ints({1, 2, 3, 4, 5}), 18).End().Finish();
         },
         100, "Файл doc.scm поврежден."},
        {"end mark 0 after a skipped section",
         [] { return FileBuilder().Section(9, Bytes(5, 0), 0).End().Finish(); }, 100,
         "Файл doc.scm поврежден."},
        {"no end identifier",
         [] {
             return FileBuilder().Section(1, Ints({1, 2, 3, 4, 5})).Finish();
         },
         100, "Файл doc.scm поврежден."},
        {"an empty file", [] { return Bytes{}; }, 100, "Файл doc.scm поврежден."},
        {"one byte", [] { return Bytes{1}; }, 100, "Файл doc.scm поврежден."},
        {"only the version",
         [] {
             return Bytes{1, 1};
         },
         100, "Файл doc.scm поврежден."},
        {"only the header",
         [] {
             return Bytes{1, 1, 0};
         },
         100, "Файл doc.scm поврежден."},
        {"an unknown section with a negative length",
         [] { return FileBuilder().SectionWithLength(9, -1, Bytes(8, 0)).End().Finish(); }, 100,
         "Файл doc.scm поврежден."},
        {"an unknown section running past the end",
         [] { return FileBuilder().SectionWithLength(9, INT32_MAX, {}).End().Finish(); }, 100,
         "Файл doc.scm поврежден."},
        {"a skipped section 1 that leaves no room for its end mark",
         [] { return FileBuilder().SectionWithLength(1, 5, Ints({1})).Finish(); }, 100,
         "Файл doc.scm поврежден."},
        {"section 7 with a hostile length",
         [] { return FileBuilder().SectionWithLength(7, INT32_MIN, {}).End().Finish(); }, 100,
         "Файл doc.scm поврежден."},
        {"a settings section cut short",
         [] { return FileBuilder().SectionWithLength(6, 224, Bytes(100, 0), 17).Finish(); }, 100,
         "Файл doc.scm поврежден."},
        {"circuit record version 1.1",
         [] {
             return FileBuilder().Section(2, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}).End().Finish();
         },
         102, "Неизвестная версия.  "},
        {"circuit record version 2.0",
         [] {
             return FileBuilder().Section(2, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0}).End().Finish();
         },
         102, "Неизвестная версия.  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            ReadScmFile(c.file(), kName);
            ADD_FAILURE() << "read without error";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_EQ(FileErrorMessage(e), c.message);
        }
    }
}

TEST(ScmFileTest, CircuitFaultsCarryNoFileName) {
    auto circuit = [](std::initializer_list<int32_t> ints) {
        Bytes b{1, 0};
        for (int32_t v : ints)
            PutInt(b, v);
        return FileBuilder().Section(2, b).End().Finish();
    };
    struct Case {
        const char* what;
        Bytes file;
    };
    const Case cases[] = {
        {"an unknown kind code", circuit({1, 4242, 0})},
        {"kind code 0", circuit({1, 0, 0})},
        {"a negative element count", circuit({-1, 0})},
        {"an element count far beyond the file", circuit({INT32_MAX, 1000, 1000})},
        {"a negative wire count", circuit({0, -3})},
        {"a wire count far beyond the file", circuit({0, INT32_MAX})},
        {"an element without its record", circuit({1, 1000, 0})},
        {"a record of another kind than announced",
         circuit({1, 1000, 0, /*id*/ 1, /*kind*/ 1001, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"a circuit without its counts", circuit({})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadMessage(c.file), "Файл поврежден.  ");
    }
}

TEST(ScmFileTest, EveryTruncationIsACorruptFile) {
    const Bytes full = Standard();
    for (std::size_t size = 0; size < full.size(); ++size) {
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        if (cut.size() >= 3)
            cut[2] = SumFrom3(cut);
        try {
            ReadScmFile(cut, kName);
            ADD_FAILURE() << "a file cut to " << size << " bytes was read";
        } catch (const FileError& e) {
            ASSERT_EQ(e.Code(), 100) << "cut to " << size;
        }
    }
}

TEST(ScmFileTest, LanguageRule) {
    struct Case {
        const char* what;
        std::function<Bytes(const DocumentSettings&)> file;
        uint8_t charSet;
        bool warn;
    };
    // The parameter font starts with character set 1, so that a change shows.
    const Case cases[] = {
        {"our own language 2", [](auto& s) { return StandardFile(s, {}, 2).End().Finish(); }, 1,
         false},
        {"language 0: Russian character set, silently",
         [](auto& s) { return StandardFile(s, {}, 0).End().Finish(); }, 204, false},
        {"language 5: Russian character set and a warning",
         [](auto& s) { return StandardFile(s, {}, 5).End().Finish(); }, 204, true},
        {"language 255", [](auto& s) { return StandardFile(s, {}, 255).End().Finish(); }, 204,
         true},
        {"no language section: taken as ours",
         [](auto& s) { return FileBuilder().Section(5, RecordPayload(s.scheme)).End().Finish(); },
         1, false},
        {"a language section of another length is skipped",
         [](auto& s) {
             return FileBuilder()
                 .Section(7, Bytes(43, 0))
                 .Section(5, RecordPayload(s.scheme))
                 .End()
                 .Finish();
         },
         1, false},
        {"the language section may come after the display record",
         [](auto& s) {
             return FileBuilder()
                 .Section(5, RecordPayload(s.scheme))
                 .Section(7, LanguagePayload(0))
                 .End()
                 .Finish();
         },
         204, false},
    };
    DocumentSettings s;
    s.scheme.valueFont.charSet = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScmContent content = ReadScmFile(c.file(s), kName);
        EXPECT_EQ(content.settings.scheme.valueFont.charSet, c.charSet);
        EXPECT_EQ(content.unknownLanguage, c.warn);
        // Nothing but that one byte changes.
        SchemeOptions expected = s.scheme;
        expected.valueFont.charSet = c.charSet;
        EXPECT_TRUE(SameBytes(content.settings.scheme, expected));
    }
}

TEST(ScmFileTest, Messages) {
    struct Case {
        int code;
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {100, "a.scm", "Файл a.scm поврежден."},           {100, "", "Файл поврежден.  "},
        {101, "a.scm", "Ошибка CRC в файле a.scm"},        {101, "", "Ошибка CRC.       "},
        {102, "a.scm", "Неизвестная версия файла: a.scm"}, {102, "", "Неизвестная версия.  "},
        {103, "a.scm", "Неизвестная ошибка в файле"},      {0, "", "Неизвестная ошибка в файле"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileErrorMessage(c.code, c.name), c.text) << c.code << " '" << c.name << "'";

    EXPECT_EQ(CannotOpenForReadingMessage("Схема 1.scm"),
              "Не удается открыть файл Схема 1.scm для чтения.");
    EXPECT_EQ(CannotOpenForWritingMessage("a.scm"),
              "Не удается открыть файл a.scm для записи.\nСохранение не выполнено.");
    EXPECT_EQ(ReadErrorMessage("a.scm"), "Ошибка чтения из файла a.scm");
    EXPECT_EQ(WriteErrorMessage("a.scm"), "Ошибка записи в файл a.scm");
    EXPECT_EQ(OutOfMemoryMessage(), "Ошибка выделения памяти.");
    EXPECT_EQ(UnknownLanguageMessage(), "Внимание: неизвестный язык.");
}

TEST(ScmFileTest, FileNameDropsTheFolder) {
    EXPECT_EQ(FileNameOf("/home/u/Схемы/rc.scm"), "rc.scm");
    EXPECT_EQ(FileNameOf("rc.scm"), "rc.scm");
    EXPECT_EQ(FileNameOf("./rc.scm"), "rc.scm");
    EXPECT_EQ(FileNameOf("/rc.scm"), "rc.scm");
}
