// Feeds arbitrary bytes to the sheet's paste, as a foreign program could put them
// on the clipboard under our format, onto a sheet that already holds a circuit.
// Whatever is accepted must leave a consistent sheet: it copies, pastes again and
// yields its element list; whatever is refused must leave the sheet as it was.

#include "model/CircuitArchive.h"
#include "model/Scheme.h"
#include "netlist/NetlistText.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace korvanix;

std::vector<uint8_t> Records(const model::Scheme& s) {
    model::ArchiveWriter ar;
    model::WriteObjects(ar, model::Pointers(s.elements), model::Pointers(s.wires));
    return ar.TakeBytes();
}

// A resistor and a capacitor in series to ground.
void Draw(model::Scheme& s) {
    model::Element* r = s.PlaceNew(1000, 96, 96);
    model::Element* c = s.PlaceNew(1001, 192, 96);
    model::Element* g = s.PlaceNew(200, 192, 192);
    s.Join(r, 2, c, 1);
    s.Join(c, 2, g, 1);
    s.RenumberNodes();
    s.RenumberNames();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    model::Scheme scheme;
    Draw(scheme);
    const std::vector<uint8_t> before = Records(scheme);
    const int x = size > 0 && (data[0] & 1) ? -100 : 40;
    const model::Rect area = scheme.Paste(data, size, x, x, {50, 50});
    if (area.IsEmpty() && scheme.elements.size() == 3) {
        if (Records(scheme) != before)
            std::abort(); // a refused block changed the sheet
        return 0;
    }
    (void)netlist::BuildNetlistText(scheme);
    scheme.SelectAll();
    const model::ClipboardFragment fragment = scheme.CopySelection(true, {50, 50});
    if (!fragment.Empty()) {
        const std::size_t count = scheme.elements.size();
        scheme.Paste(fragment.bytes, -100, -100, {50, 50});
        if (scheme.elements.size() != 2 * count)
            std::abort(); // our own copy did not paste whole
    }
    return 0;
}
