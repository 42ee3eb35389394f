#pragma once

#include "document/SettingsRecords.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/Wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::document {

// Section identifiers of the document file.
namespace section {
constexpr int32_t View = 1;
constexpr int32_t Scheme = 2;
constexpr int32_t Transient = 3;
constexpr int32_t Options = 4;
constexpr int32_t SchemeOptions = 5;
constexpr int32_t Frequency = 6;
constexpr int32_t Language = 7;
constexpr int32_t End = 17; // also the end mark of every section
} // namespace section

constexpr int32_t kViewSectionSize = 20;
constexpr int32_t kLanguageSectionSize = 44;
constexpr uint8_t kLanguageRussian = 2; // the program's own language code

// View and sheet as the window keeps them beside the model.
struct ViewState {
    int32_t scale = 100; // percent
    int32_t centerX = 1500;
    int32_t centerY = 1500;
    int32_t sheetWidth = 3000;
    int32_t sheetHeight = 3000;

    friend bool operator==(const ViewState& a, const ViewState& b) {
        return a.scale == b.scale && a.centerX == b.centerX && a.centerY == b.centerY &&
               a.sheetWidth == b.sheetWidth && a.sheetHeight == b.sheetHeight;
    }
};

// Everything one document file holds, read into fresh objects.
struct ScmContent {
    ViewState view;
    DocumentSettings settings;
    uint8_t language = kLanguageRussian;
    // Set when the language byte was neither 0 nor ours: the parameter font has
    // already been switched to the Russian character set, the user is to be warned.
    bool unknownLanguage = false;
    model::ElementList elements;
    model::WireList wires;
};

// The whole file image: header, sections 1, 7, 3, 6, 4, 5, 2, end identifier,
// with the check byte fixed.
std::vector<uint8_t> WriteScmFile(const ViewState& view, const DocumentSettings& settings,
                                  const std::vector<model::Element*>& elements,
                                  const std::vector<model::Wire*>& wires);

// Parses a whole file image. `fileName` (without folder) goes into the FileError
// raised for faults of the file itself; faults inside the circuit carry no name.
// Nothing outside the returned object is touched, so a failure leaves the
// caller's state as it was.
ScmContent ReadScmFile(const std::vector<uint8_t>& bytes, const std::string& fileName);

// The additive sum modulo 256 of bytes [from, end).
uint8_t CheckSum(const std::vector<uint8_t>& bytes, std::size_t from);

// Texts shown to the user for file failures.
std::string FileErrorMessage(int code, const std::string& fileName);
inline std::string FileErrorMessage(const model::FileError& e) {
    return FileErrorMessage(e.Code(), e.FileName());
}
std::string CannotOpenForReadingMessage(const std::string& fileName);
std::string CannotOpenForWritingMessage(const std::string& fileName);
std::string ReadErrorMessage(const std::string& fileName);
std::string WriteErrorMessage(const std::string& fileName);
std::string OutOfMemoryMessage();
std::string UnknownLanguageMessage();

// The last component of a path ("a/b/c.scm" -> "c.scm").
std::string FileNameOf(const std::string& path);

} // namespace korvanix::document
