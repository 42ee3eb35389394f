#include "model/SheetElements.h"

#include "model/Errors.h"
#include "model/Text1251.h"
#include "model/Wire.h"

namespace korvanix::model {
namespace {

const char kDefaultText[] = "Текст";

void WriteLogFont(ArchiveWriter& ar, const LogFont& f) {
    ar.WriteInt32(f.height);
    ar.WriteInt32(f.width);
    ar.WriteInt32(f.escapement);
    ar.WriteInt32(f.orientation);
    ar.WriteInt32(f.weight);
    ar.WriteUInt8(f.italic);
    ar.WriteUInt8(f.underline);
    ar.WriteUInt8(f.strikeOut);
    ar.WriteUInt8(f.charSet);
    ar.WriteUInt8(f.outPrecision);
    ar.WriteUInt8(f.clipPrecision);
    ar.WriteUInt8(f.quality);
    ar.WriteUInt8(f.pitchAndFamily);
    ar.WriteBytes(f.faceName, sizeof f.faceName);
}

LogFont ReadLogFont(ArchiveReader& ar) {
    LogFont f;
    f.height = ar.ReadInt32();
    f.width = ar.ReadInt32();
    f.escapement = ar.ReadInt32();
    f.orientation = ar.ReadInt32();
    f.weight = ar.ReadInt32();
    f.italic = ar.ReadUInt8();
    f.underline = ar.ReadUInt8();
    f.strikeOut = ar.ReadUInt8();
    f.charSet = ar.ReadUInt8();
    f.outPrecision = ar.ReadUInt8();
    f.clipPrecision = ar.ReadUInt8();
    f.quality = ar.ReadUInt8();
    f.pitchAndFamily = ar.ReadUInt8();
    ar.ReadBytes(f.faceName, sizeof f.faceName);
    return f;
}

} // namespace

Ground::Ground(int32_t i) : Element(kind::Ground, i) {
    width = 21;
    height = 6;
    canRotate = true;
    canMirrorX = true;
    canMirrorY = true;
    Ground::InitPins();
}

void Ground::InitPins() {
    pins.assign(1, MakePin(0, -8, 0, -100));
}

Connector::Connector(int32_t i) : Element(kind::Connector, i) {
    width = 10;
    height = 10;
    Connector::InitPins();
}

void Connector::InitPins() {
    pins = {MakePin(-9, 0, -100, 0), MakePin(0, -9, 0, -100), MakePin(9, 0, 100, 0),
            MakePin(0, 9, 0, 100)};
}

int Connector::PinNode(int /*i*/) const {
    for (const Pin& pin : pins)
        if (pin.wire != nullptr)
            return pin.wire->numbered ? pin.wire->node : -1;
    return -1;
}

TextLabel::TextLabel(int32_t i) : Element(kind::Text, i), text_(kDefaultText) {
    editable = true;
    font.height = 120;
    font.weight = 400;
    font.charSet = kRussianCharset;
    font.SetFace("Arial");
}

void TextLabel::SetText(const std::string& utf8) {
    text_ = utf8.empty() ? kDefaultText : utf8;
}

void TextLabel::UpdateSize(const TextMetrics& metrics) {
    const Size extent = metrics.LabelExtent(text_, font);
    width = extent.width + 6;
    height = extent.height;
}

void TextLabel::Save(ArchiveWriter& ar) const {
    SaveHeader(ar);
    const std::string bytes = Utf8ToCp1251(text_);
    ar.WriteInt32(static_cast<int32_t>(bytes.size()));
    ar.WriteBytes(bytes.data(), bytes.size());
    ar.WriteInt32(color);
    WriteLogFont(ar, font);
}

void TextLabel::Load(ArchiveReader& ar) {
    LoadHeader(ar);
    const int32_t length = ar.ReadInt32();
    // The length comes from the file: a negative one, or one longer than what is
    // left, is a corrupt record and must not reach the allocation.
    ar.Require(length, 1);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ar.ReadBytes(bytes.data(), bytes.size());
    const int32_t storedColor = ar.ReadInt32();
    const LogFont storedFont = ReadLogFont(ar);
    text_ = Cp1251ToUtf8(bytes);
    color = storedColor;
    font = storedFont;
}

} // namespace korvanix::model
