// Feeds arbitrary bytes to the document reader, then takes whatever it accepts
// through the same road as Open and the batch tool: adoption by the sheet model,
// the element list, and a write and re-read that must reproduce itself.

#include "document/ScmFile.h"
#include "model/Errors.h"
#include "model/Scheme.h"
#include "netlist/NetlistText.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace korvanix;

bool ExpectedCode(int code) {
    return code == model::FileError::Corrupt || code == model::FileError::CheckSum ||
           code == model::FileError::UnknownVersion;
}

std::vector<uint8_t> WriteBack(const document::ScmContent& content, const model::Scheme& scheme) {
    return document::WriteScmFile(content.view, content.settings, model::Pointers(scheme.elements),
                                  model::Pointers(scheme.wires));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    // Nearly every mutation would only break the check byte; fix it so that the
    // fuzzer reaches the sections, unless the ignored high bit of byte 0 asks
    // for the stored one to be checked.
    if (bytes.size() >= 3 && (bytes[0] & 0x80) == 0)
        bytes[2] = document::CheckSum(bytes, 3);

    try {
        document::ScmContent content = document::ReadScmFile(bytes, "fuzz.scm");
        model::Scheme scheme;
        scheme.AdoptLoaded(std::move(content.elements), std::move(content.wires));
        (void)netlist::BuildNetlistText(scheme);

        const std::vector<uint8_t> first = WriteBack(content, scheme);
        document::ScmContent again = document::ReadScmFile(first, "fuzz.scm");
        model::Scheme reread;
        reread.AdoptLoaded(std::move(again.elements), std::move(again.wires));
        if (WriteBack(again, reread) != first)
            std::abort(); // what was written does not read back as itself
    } catch (const model::FileError& e) {
        if (!ExpectedCode(e.Code()))
            std::abort();
    }
    return 0;
}
