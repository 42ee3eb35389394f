#pragma once

#include "model/Element.h"
#include "model/LogFont.h"

#include <string>

namespace korvanix::model {

// One pin facing up; every wire reaching it is node 0.
class Ground : public Element {
public:
    explicit Ground(int32_t id);
    void InitPins() override;
};

// Joins up to four wires into one node; pins facing left, up, right and down.
class Connector : public Element {
public:
    explicit Connector(int32_t id);
    void InitPins() override;
    // The connector is one node whatever the pin asked for: the node of the wire on
    // its lowest-numbered wired pin, -1 when that wire is not numbered or none is.
    int PinNode(int i) const override;
};

// Free text on the sheet. The text is UTF-8 here and code page 1251 in the record.
class TextLabel : public Element {
public:
    explicit TextLabel(int32_t id);

    void Save(ArchiveWriter& ar) const override;
    void Load(ArchiveReader& ar) override;
    // The text dialog: text, font and colour.
    int EditParameters(ParameterEditor& editor) override;

    const std::string& Text() const { return text_; }
    // An empty text would leave nothing to click on: it becomes the default text.
    void SetText(const std::string& utf8);
    // Body size from the text's extent in the label's own font (font index 0).
    void UpdateSize(const TextMetrics& metrics);

    int32_t color = 0x808000; // Windows colour value: blue 0x80, green 0x80, red 0
    LogFont font;

private:
    std::string text_;
};

} // namespace korvanix::model
