#include "document/ScmFile.h"

#include "model/Archive.h"
#include "model/CircuitArchive.h"

#include <new>

namespace korvanix::document {

namespace {

constexpr uint8_t kMajorVersion = 1;
constexpr uint8_t kMinorVersion = 1;
constexpr std::size_t kHeaderSize = 3;
// The circuit record has its own version, independent of the file's.
constexpr uint8_t kCircuitMajor = 1;
constexpr uint8_t kCircuitMinor = 0;

class SectionWriter {
public:
    SectionWriter(model::ArchiveWriter& ar, int32_t id) : ar_(ar) {
        ar_.WriteInt32(id);
        lengthAt_ = ar_.Size();
        ar_.WriteInt32(0);
    }
    ~SectionWriter() {
        ar_.PatchInt32(lengthAt_, static_cast<int32_t>(ar_.Size() - lengthAt_ - 4));
        ar_.WriteInt32(section::End);
    }
    SectionWriter(const SectionWriter&) = delete;
    SectionWriter& operator=(const SectionWriter&) = delete;

private:
    model::ArchiveWriter& ar_;
    std::size_t lengthAt_;
};

template <class Record> void WriteRecord(model::ArchiveWriter& ar, const Record& r) {
    ar.WriteBytes(RecordBytes(r), sizeof r);
}

// Reads the framing of the file. A short read inside it is a corrupt file that
// names the file; the stream's own error carries no name.
class FrameReader {
public:
    FrameReader(model::ArchiveReader& ar, const std::string& fileName)
        : ar_(ar), fileName_(fileName) {}

    int32_t Int() {
        try {
            return ar_.ReadInt32();
        } catch (const model::FileError&) {
            throw Corrupt();
        }
    }

    void Bytes(void* out, std::size_t size) {
        try {
            ar_.ReadBytes(out, size);
        } catch (const model::FileError&) {
            throw Corrupt();
        }
    }

    // A length that is negative or runs past the end cannot be skipped.
    void Skip(int32_t length) {
        if (length < 0 || static_cast<uint64_t>(length) > ar_.Remaining())
            throw Corrupt();
        ar_.Skip(static_cast<std::size_t>(length));
    }

    template <class Rec> void ReadRecord(Rec& r, std::size_t size) {
        uint8_t buffer[sizeof(Rec)];
        Bytes(buffer, size);
        LoadRecordBytes(r, buffer, size);
    }

    model::FileError Corrupt() const {
        return model::FileError(model::FileError::Corrupt, fileName_);
    }

private:
    model::ArchiveReader& ar_;
    const std::string& fileName_;
};

void ReadCircuit(model::ArchiveReader& ar, ScmContent& content) {
    const uint8_t major = ar.ReadUInt8();
    const uint8_t minor = ar.ReadUInt8();
    if (major != kCircuitMajor || minor != kCircuitMinor)
        throw model::FileError(model::FileError::UnknownVersion);
    model::ElementList elements;
    model::WireList wires;
    try {
        model::ReadObjects(ar, elements, wires);
    } catch (const model::FileError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        // Whatever else an element's reader objects to, the record is unusable.
        throw model::FileError(model::FileError::Corrupt);
    }
    content.elements = std::move(elements);
    content.wires = std::move(wires);
}

void ApplyLanguageRule(ScmContent& content) {
    if (content.language == kLanguageRussian)
        return;
    content.settings.scheme.valueFont.charSet = model::kRussianCharset;
    content.unknownLanguage = content.language != 0;
}

} // namespace

std::vector<uint8_t> WriteScmFile(const ViewState& view, const DocumentSettings& settings,
                                  const std::vector<model::Element*>& elements,
                                  const std::vector<model::Wire*>& wires) {
    model::ArchiveWriter ar;
    ar.WriteUInt8(kMajorVersion);
    ar.WriteUInt8(kMinorVersion);
    ar.WriteUInt8(0);
    {
        SectionWriter s(ar, section::View);
        ar.WriteInt32(view.scale);
        ar.WriteInt32(view.centerX);
        ar.WriteInt32(view.centerY);
        ar.WriteInt32(view.sheetWidth);
        ar.WriteInt32(view.sheetHeight);
    }
    {
        SectionWriter s(ar, section::Language);
        const uint8_t payload[kLanguageSectionSize] = {kLanguageRussian};
        ar.WriteBytes(payload, sizeof payload);
    }
    {
        SectionWriter s(ar, section::Transient);
        WriteRecord(ar, settings.transient);
    }
    {
        SectionWriter s(ar, section::Frequency);
        WriteRecord(ar, settings.frequency);
    }
    {
        SectionWriter s(ar, section::Options);
        WriteRecord(ar, settings.options);
    }
    {
        SectionWriter s(ar, section::SchemeOptions);
        WriteRecord(ar, settings.scheme);
    }
    {
        SectionWriter s(ar, section::Scheme);
        ar.WriteUInt8(kCircuitMajor);
        ar.WriteUInt8(kCircuitMinor);
        model::WriteObjects(ar, elements, wires);
    }
    ar.WriteInt32(section::End);

    std::vector<uint8_t> bytes = ar.TakeBytes();
    bytes[2] = CheckSum(bytes, kHeaderSize);
    return bytes;
}

ScmContent ReadScmFile(const std::vector<uint8_t>& bytes, const std::string& fileName) {
    using model::FileError;
    if (bytes.size() < 2)
        throw FileError(FileError::Corrupt, fileName);
    const int major = bytes[0] & 0x0F;
    const int minor = bytes[1];
    if (major != 1 || (minor != 0 && minor != 1))
        throw FileError(FileError::UnknownVersion, fileName);
    const bool version11 = minor == 1;
    if (bytes.size() < kHeaderSize)
        throw FileError(FileError::Corrupt, fileName);
    if (bytes[2] != CheckSum(bytes, kHeaderSize))
        throw FileError(FileError::CheckSum, fileName);

    ScmContent content;
    model::ArchiveReader ar(bytes.data() + kHeaderSize, bytes.size() - kHeaderSize);
    FrameReader in(ar, fileName);
    for (;;) {
        const int32_t id = in.Int();
        if (id == section::End)
            break;
        const int32_t length = in.Int();
        switch (id) {
        case section::View:
            if (length == kViewSectionSize) {
                content.view.scale = in.Int();
                content.view.centerX = in.Int();
                content.view.centerY = in.Int();
                content.view.sheetWidth = in.Int();
                content.view.sheetHeight = in.Int();
            } else {
                in.Skip(length);
            }
            break;
        case section::Language:
            if (length == kLanguageSectionSize) {
                uint8_t payload[kLanguageSectionSize];
                in.Bytes(payload, sizeof payload);
                content.language = payload[0];
            } else {
                in.Skip(length);
            }
            break;
        case section::Transient:
            in.ReadRecord(content.settings.transient, version11
                                                          ? sizeof(TransientSettings)
                                                          : TransientSettings::kVersion10Size);
            break;
        case section::Frequency:
            in.ReadRecord(content.settings.frequency, sizeof(FrequencySettings));
            break;
        case section::Options:
            in.ReadRecord(content.settings.options, sizeof(AnalysisOptions));
            break;
        case section::SchemeOptions:
            // Version 1.0 had no such record: whatever a 1.0 file holds under this
            // id is not ours to interpret.
            if (version11)
                in.ReadRecord(content.settings.scheme, sizeof(SchemeOptions));
            else
                in.Skip(length);
            break;
        case section::Scheme:
            ReadCircuit(ar, content);
            break;
        default:
            in.Skip(length);
            break;
        }
        if (in.Int() != section::End)
            throw in.Corrupt();
    }
    ApplyLanguageRule(content);
    return content;
}

uint8_t CheckSum(const std::vector<uint8_t>& bytes, std::size_t from) {
    uint8_t sum = 0;
    for (std::size_t i = from; i < bytes.size(); ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

std::string FileErrorMessage(int code, const std::string& fileName) {
    const bool named = !fileName.empty();
    switch (code) {
    case model::FileError::Corrupt:
        return named ? "Файл " + fileName + " поврежден." : "Файл поврежден.  ";
    case model::FileError::CheckSum:
        return named ? "Ошибка CRC в файле " + fileName : "Ошибка CRC.       ";
    case model::FileError::UnknownVersion:
        return named ? "Неизвестная версия файла: " + fileName : "Неизвестная версия.  ";
    default:
        return "Неизвестная ошибка в файле";
    }
}

std::string CannotOpenForReadingMessage(const std::string& fileName) {
    return "Не удается открыть файл " + fileName + " для чтения.";
}

std::string CannotOpenForWritingMessage(const std::string& fileName) {
    return "Не удается открыть файл " + fileName + " для записи.\nСохранение не выполнено.";
}

std::string ReadErrorMessage(const std::string& fileName) {
    return "Ошибка чтения из файла " + fileName;
}

std::string WriteErrorMessage(const std::string& fileName) {
    return "Ошибка записи в файл " + fileName;
}

std::string OutOfMemoryMessage() {
    return "Ошибка выделения памяти.";
}

std::string UnknownLanguageMessage() {
    return "Внимание: неизвестный язык.";
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace korvanix::document
