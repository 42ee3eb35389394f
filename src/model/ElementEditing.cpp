#include "model/Element.h"
#include "model/MultiPinElements.h"
#include "model/ParamTable.h"
#include "model/ParameterEditor.h"
#include "model/PassiveElements.h"
#include "model/SheetElements.h"
#include "model/Sources.h"

#include <cstddef>

namespace korvanix::model {
namespace {

// The table page for a kind with a fixed parameter list. The page refuses values
// its checks reject, but an editor is only an interface: values that would make
// SetParam throw halfway are refused as a whole, so the element never ends up with
// half of an edit.
template <class TableElement> int EditTable(TableElement& e, ParameterEditor& editor) {
    const int count = e.ParamCount();
    if (count <= 0)
        return 0;
    std::vector<ParamRow> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ParamRow& row = rows[static_cast<std::size_t>(i)];
        row.value = e.GetParam(i);
        row.check = e.ParamCheckCode(i);
        row.caption = e.ParamCaption(i);
        row.unit = e.ParamUnit(i);
    }
    if (!editor.EditValues(KindDisplayName(e.kind), e.Name(), rows))
        return 0;
    if (rows.size() != static_cast<std::size_t>(count))
        return 0;
    for (int i = 0; i < count; ++i)
        if (!ParamTable::Accepts(e.ParamCheckCode(i), rows[static_cast<std::size_t>(i)].value))
            return 0;
    for (int i = 0; i < count; ++i)
        e.SetParam(i, rows[static_cast<std::size_t>(i)].value);
    return 1;
}

// The checks of the shown mode, as the source page applies them.
bool SourceDataAcceptable(const SourcePageData& d) {
    switch (static_cast<SourceMode>(d.mode)) {
    case SourceMode::Dc:
        return true;
    case SourceMode::Ac:
        return d.acAmplitude > 0 && d.acFrequency > 0;
    case SourceMode::Pulse:
        return d.pulseFrequency > 0 && d.pulseDuration > 0 && d.pulseDuration < 100;
    }
    return false;
}

} // namespace

int Element::EditParameters(ParameterEditor& /*editor*/) {
    return 0;
}

int PassiveElement::EditParameters(ParameterEditor& editor) {
    return EditTable(*this, editor);
}

int MultiPinElement::EditParameters(ParameterEditor& editor) {
    return EditTable(*this, editor);
}

int SourceElement::EditParameters(ParameterEditor& editor) {
    SourcePageData data;
    data.kind = kind;
    data.mode = static_cast<int>(Mode());
    data.dcValue = DcValue();
    data.acAmplitude = AcAmplitude();
    data.acFrequency = AcFrequency();
    data.acPhase = AcPhase();
    data.pulseFrequency = pulse_.frequency;
    data.pulseDuration = pulse_.duration;
    data.pulseAmplitude = pulse_.amplitude;
    data.pulseOffset = pulse_.offset;
    data.endTime = HasEndTime();
    data.endMoment = EndMoment();
    if (!editor.EditSource(KindDisplayName(kind), Name(), data))
        return 0;
    const auto mode = static_cast<SourceMode>(data.mode);
    if (data.mode < 1 || data.mode > 3 || !HasMode(mode) || !SourceDataAcceptable(data))
        return 0;
    SetMode(mode);
    SetDcValue(data.dcValue);
    SetAcAmplitude(data.acAmplitude);
    SetAcFrequency(data.acFrequency);
    SetAcPhase(data.acPhase);
    SetEndTime(data.endTime);
    SetEndMoment(data.endMoment);
    if (HasMode(SourceMode::Pulse)) {
        pulse_.frequency = data.pulseFrequency;
        pulse_.duration = data.pulseDuration;
        pulse_.amplitude = data.pulseAmplitude;
        pulse_.offset = data.pulseOffset;
    }
    return 1;
}

// The label's size follows its new text; the sheet refreshes it with its own
// metrics after the edit (Scheme::EditSelected).
int TextLabel::EditParameters(ParameterEditor& editor) {
    std::string text = text_;
    LogFont chosenFont = font;
    auto colour = static_cast<uint32_t>(color);
    if (!editor.EditText(text, chosenFont, colour))
        return 0;
    SetText(text);
    font = chosenFont;
    color = static_cast<int32_t>(colour);
    return 1;
}

} // namespace korvanix::model
