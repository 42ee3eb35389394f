#include "model/Sources.h"

#include "model/Errors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanix::model {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Times this close to an edge or to the end moment are taken as lying on it, so
// that an instant computed by the analysis lands on the intended side.
constexpr double kTimeTolerance = 1e-12;

bool IsLegacyAcKind(ElementKind k) {
    return k == kind::VoltageSourceAcOld || k == kind::CurrentSourceAcOld;
}

bool Near(double a, double b) {
    return std::fabs(a - b) <= kTimeTolerance;
}

// Text of a value that must be read back: 12 digits, Latin letters, no blank.
std::string ValueText(double v) {
    return FormatValue(v, 12, kLatin, false);
}

// ---- square-wave train -------------------------------------------------------

// One period holds four switching instants: just before the falling edge, the
// falling edge, just before the rising edge (the period's end), the rising edge.
// The instants just before an edge let the integration arrive at it from the
// flat side.
struct PulseShape {
    double period = 0;  // T
    double width = 0;   // tau, the part of the period at the high level
    double shorter = 0; // min(tau, T - tau)
    double offsets[4] = {0, 0, 0, 0};
    // A train without a finite period or with an empty high or low part never
    // switches; its instants would pile up on one another.
    bool switches = false;
};

PulseShape MakePulseShape(double frequency, double durationPercent) {
    PulseShape s;
    s.period = 1 / frequency;
    s.width = s.period * durationPercent * 0.01;
    s.shorter = std::min(s.width, s.period - s.width);
    const double guard = 1e-4 * s.shorter;
    s.offsets[0] = s.width - guard;
    s.offsets[1] = s.width;
    s.offsets[2] = s.period - guard;
    s.offsets[3] = s.period;
    s.switches = std::isfinite(s.period) && s.period > 0 && s.width > 0 && s.width < s.period;
    return s;
}

double PositionInPeriod(double t, double period) {
    return t - std::floor(t / period) * period;
}

bool OnEdge(double t, const PulseShape& s) {
    const double p = PositionInPeriod(t, s.period);
    return Near(p, s.width) || Near(p, 0) || Near(p, s.period);
}

// Place of an instant in the endless sequence: the period's number and the
// instant (0-3) in it. The number is a double so that far-away times cannot
// overflow it.
struct InstantSlot {
    double cycle = 0;
    int64_t index = 0;
};

double InstantTime(const InstantSlot& slot, const PulseShape& s) {
    return slot.cycle * s.period + s.offsets[slot.index];
}

// The first instant at or after t; false when rounding at an extreme time leaves
// none within reach.
bool FirstAtOrAfter(double t, const PulseShape& s, InstantSlot& slot) {
    const double base = std::floor(t / s.period) - 1;
    for (int i = 0; i < 12; ++i) {
        slot.cycle = base + i / 4;
        slot.index = i % 4;
        if (InstantTime(slot, s) >= t)
            return true;
    }
    return false;
}

// Where the search for instants starts from a reference time: an edge at the
// reference itself has already been dealt with by whoever stands on it.
double SearchStart(double tref, const PulseShape& s) {
    return OnEdge(tref, s) ? tref + 0.5 * s.shorter : tref;
}

double PulseInstant(const PulseShape& s, double tref, int j) {
    if (!s.switches || !std::isfinite(tref) || j < 0)
        return -1;
    InstantSlot slot;
    if (!FirstAtOrAfter(SearchStart(tref, s), s, slot))
        return -1;
    const int64_t step = slot.index + j;
    slot.cycle += static_cast<double>(step / 4);
    slot.index = step % 4;
    return InstantTime(slot, s);
}

int64_t PulseInstantCount(const PulseShape& s, double t1, double t2) {
    if (!s.switches || !std::isfinite(t1) || !std::isfinite(t2))
        return 0;
    const double from = SearchStart(t1, s);
    const double to = SearchStart(t2, s);
    if (to <= from)
        return 0;
    InstantSlot first;
    InstantSlot end;
    if (!FirstAtOrAfter(from, s, first) || !FirstAtOrAfter(to, s, end))
        return 0;
    const double count = 4 * (end.cycle - first.cycle) + static_cast<double>(end.index) -
                         static_cast<double>(first.index);
    if (!(count > 0))
        return 0;
    if (count >= 9.2e18)
        return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(count);
}

// ---- parameters --------------------------------------------------------------

// The stored value a parameter index stands for in the current mode.
enum class Stored {
    None,
    DcValue,
    AcAmplitude,
    AcFrequency,
    AcPhase,
    EndMoment,
    PulseFrequency,
    PulseDuration,
    PulseAmplitude,
    PulseOffset,
};

Stored StoredAt(SourceMode mode, bool endTime, int i) {
    switch (mode) {
    case SourceMode::Dc:
        return i == 0 ? Stored::DcValue : Stored::None;
    case SourceMode::Ac: {
        constexpr Stored rows[] = {Stored::AcAmplitude, Stored::AcFrequency, Stored::AcPhase,
                                   Stored::EndMoment};
        const int count = endTime ? 4 : 3;
        return i >= 0 && i < count ? rows[i] : Stored::None;
    }
    case SourceMode::Pulse: {
        constexpr Stored rows[] = {Stored::PulseFrequency, Stored::PulseDuration,
                                   Stored::PulseAmplitude, Stored::PulseOffset};
        return i >= 0 && i < 4 ? rows[i] : Stored::None;
    }
    }
    return Stored::None;
}

std::string Caption(Stored p, bool voltage) {
    switch (p) {
    case Stored::DcValue:
        return voltage ? "Напряжение (U0)" : "Ток (I0)";
    case Stored::AcAmplitude:
        return voltage ? "Амплитуда (U0)" : "Амплитуда (I0)";
    case Stored::AcFrequency:
    case Stored::PulseFrequency:
        return "Частота (f)";
    case Stored::AcPhase:
        return "Начальная фаза (phi0)";
    case Stored::EndMoment:
        return "Момент окончания";
    case Stored::PulseDuration:
        return "Длительность";
    case Stored::PulseAmplitude:
        return "Напряжение (U0)";
    case Stored::PulseOffset:
        return "Смещение";
    case Stored::None:
        break;
    }
    return {};
}

std::string Unit(Stored p, bool voltage) {
    switch (p) {
    case Stored::DcValue:
    case Stored::AcAmplitude:
        return voltage ? "В" : "А";
    case Stored::AcFrequency:
    case Stored::PulseFrequency:
        return "Гц";
    case Stored::AcPhase:
        return "град";
    case Stored::EndMoment:
        return "с";
    case Stored::PulseDuration:
        return "%";
    case Stored::PulseAmplitude:
    case Stored::PulseOffset:
        return "В";
    case Stored::None:
        break;
    }
    return {};
}

bool Accepts(Stored p, double v) {
    switch (p) {
    case Stored::AcAmplitude:
    case Stored::AcFrequency:
    case Stored::PulseFrequency:
        return v > 0;
    case Stored::PulseDuration:
        return v > 0 && v < 100;
    default:
        return true;
    }
}

// Field n exists when the line has at least n - 1 commas.
bool HasField(const std::string& line, int n) {
    return std::count(line.begin(), line.end(), ',') >= n - 1;
}

} // namespace

// ---- SourceElement -------------------------------------------------------------

SourceElement::SourceElement(ElementKind k, int32_t elementId, bool voltage)
    : TwoTerminalElement(k, elementId, 40, 40), voltage_(voltage) {
    rotation = 3;
    canRotate = true;
    canMirrorX = true;
    canMirrorY = true;
    editable = true;
    showNameTag = true;
    showValueTag = true;
    if (IsLegacyAcKind(k))
        mode_ = SourceMode::Ac;
}

bool SourceElement::IsLegacy() const {
    return IsLegacySourceKind(kind);
}

void SourceElement::Promote() {
    kind = voltage_ ? kind::VoltageSource : kind::CurrentSource;
}

void SourceElement::SetMode(SourceMode mode) {
    if (!HasMode(mode))
        throw SchemeError(scheme_error::BadParameter);
    mode_ = mode;
    Promote();
}

void SourceElement::SetDcValue(double v) {
    dcValue_ = v;
    Promote();
}

void SourceElement::SetAcAmplitude(double v) {
    acAmplitude_ = v;
    Promote();
}

void SourceElement::SetAcFrequency(double v) {
    acFrequency_ = v;
    Promote();
}

void SourceElement::SetAcPhase(double degrees) {
    acPhase_ = degrees;
    Promote();
}

void SourceElement::SetEndTime(bool on) {
    endTimeFlag_ = on ? 1 : 0;
    Promote();
}

void SourceElement::SetEndMoment(double t) {
    endMoment_ = t;
    Promote();
}

// ---- waveforms ----

double SourceElement::AcValue(double t, int n) const {
    if (endTimeFlag_ != 0 && (t >= endMoment_ || Near(t, endMoment_)))
        return 0;
    const double omega = 2 * kPi * acFrequency_;
    // The powers are always built by repeated multiplication, so a reused or
    // extended power is bit-for-bit the one a fresh start would give.
    if (n == cachedOrder_ && omega == cachedOmega_) {
        // reuse
    } else if (cachedOrder_ >= 0 && n == cachedOrder_ + 1 && omega == cachedOmega_) {
        cachedPower_ *= omega;
    } else {
        double power = 1;
        for (int i = 0; i < n; ++i)
            power *= omega;
        cachedPower_ = power;
    }
    cachedOrder_ = n;
    cachedOmega_ = omega;
    const double phi = acPhase_ * kPi / 180;
    return acAmplitude_ * cachedPower_ * std::cos(omega * t + phi + n * kPi / 2);
}

double SourceElement::SourceValue(double t, int n) const {
    if (n < 0)
        return 0;
    double value = 0;
    switch (mode_) {
    case SourceMode::Dc:
        value = n == 0 ? dcValue_ : 0;
        break;
    case SourceMode::Ac:
        value = AcValue(t, n);
        break;
    case SourceMode::Pulse: {
        if (n > 0)
            break;
        const PulseShape s = MakePulseShape(pulse_.frequency, pulse_.duration);
        double p = PositionInPeriod(t, s.period);
        if (Near(p, s.width))
            p = s.width;
        else if (Near(p, 0) || Near(p, s.period))
            p = 0;
        value = p >= 0 && p < s.width ? pulse_.offset + pulse_.amplitude : pulse_.offset;
        break;
    }
    }
    return direction_ * value;
}

double SourceElement::SwitchingInstant(double tref, int j) const {
    switch (mode_) {
    case SourceMode::Ac:
        return endTimeFlag_ != 0 && j == 0 ? endMoment_ : -1;
    case SourceMode::Pulse:
        return PulseInstant(MakePulseShape(pulse_.frequency, pulse_.duration), tref, j);
    case SourceMode::Dc:
        break;
    }
    return -1;
}

int64_t SourceElement::SwitchingInstantCount(double t1, double t2) const {
    switch (mode_) {
    case SourceMode::Ac: {
        if (endTimeFlag_ == 0)
            return 0;
        const bool afterStart = voltage_ ? t1 <= endMoment_ : t1 < endMoment_;
        return afterStart && endMoment_ < t2 ? 1 : 0;
    }
    case SourceMode::Pulse:
        return PulseInstantCount(MakePulseShape(pulse_.frequency, pulse_.duration), t1, t2);
    case SourceMode::Dc:
        break;
    }
    return 0;
}

// ---- records ----

void SourceElement::Save(ArchiveWriter& ar) const {
    SaveHeader(ar);
    if (IsLegacy()) {
        if (IsLegacyAcKind(kind)) {
            ar.WriteDouble(acAmplitude_);
            ar.WriteDouble(acFrequency_);
            ar.WriteDouble(acPhase_);
        } else {
            ar.WriteDouble(dcValue_);
        }
        return;
    }
    ar.WriteInt32(static_cast<int32_t>(mode_));
    ar.WriteDouble(dcValue_);
    ar.WriteDouble(acAmplitude_);
    ar.WriteDouble(acFrequency_);
    ar.WriteDouble(acPhase_);
    if (voltage_) {
        ar.WriteDouble(pulse_.amplitude);
        ar.WriteDouble(pulse_.frequency);
        ar.WriteDouble(pulse_.duration);
        ar.WriteDouble(pulse_.offset);
    }
    ar.WriteInt32(endTimeFlag_);
    ar.WriteDouble(endMoment_);
}

void SourceElement::Load(ArchiveReader& ar) {
    const bool legacy = IsLegacy();
    LoadHeader(ar);
    if (legacy) {
        if (IsLegacyAcKind(kind)) {
            const double amplitude = ar.ReadDouble();
            const double frequency = ar.ReadDouble();
            const double phase = ar.ReadDouble();
            acAmplitude_ = amplitude;
            acFrequency_ = frequency;
            acPhase_ = phase;
            mode_ = SourceMode::Ac;
        } else {
            dcValue_ = ar.ReadDouble();
            mode_ = SourceMode::Dc;
        }
        Promote();
        return;
    }
    const int32_t storedMode = ar.ReadInt32();
    const bool known = storedMode >= static_cast<int32_t>(SourceMode::Dc) &&
                       storedMode <= static_cast<int32_t>(SourceMode::Pulse);
    // A mode the kind cannot take would leave the source without a waveform.
    if (!known || !HasMode(static_cast<SourceMode>(storedMode)))
        throw FileError(FileError::Corrupt);
    const double dc = ar.ReadDouble();
    const double amplitude = ar.ReadDouble();
    const double frequency = ar.ReadDouble();
    const double phase = ar.ReadDouble();
    Pulse pulse = pulse_;
    if (voltage_) {
        pulse.amplitude = ar.ReadDouble();
        pulse.frequency = ar.ReadDouble();
        pulse.duration = ar.ReadDouble();
        pulse.offset = ar.ReadDouble();
    }
    const int32_t flag = ar.ReadInt32();
    const double end = ar.ReadDouble();

    mode_ = static_cast<SourceMode>(storedMode);
    dcValue_ = dc;
    acAmplitude_ = amplitude;
    acFrequency_ = frequency;
    acPhase_ = phase;
    pulse_ = pulse;
    endTimeFlag_ = flag;
    endMoment_ = end;
}

// ---- text ----

std::string SourceElement::NetlistLine() {
    std::string line = Name() + " " + std::to_string(PinNode(1)) + " " + std::to_string(PinNode(2));
    switch (mode_) {
    case SourceMode::Dc:
        line += " DC " + ValueText(dcValue_);
        break;
    case SourceMode::Ac:
        line += " AC " + ValueText(acAmplitude_) + " " + ValueText(acFrequency_) + " " +
                FormatNumber(acPhase_, 12);
        if (endTimeFlag_ != 0)
            line += " " + ValueText(endMoment_);
        break;
    case SourceMode::Pulse:
        line += " PULSE " + ValueText(pulse_.frequency) + " " + FormatNumber(pulse_.duration, 12) +
                " " + ValueText(pulse_.amplitude) + " " + ValueText(pulse_.offset);
        break;
    }
    lineBuffer = line;
    return line;
}

bool SourceElement::ParseLine(const std::string& text) {
    std::string word;
    if (!GetField(text, 4, word, 50))
        return false;
    // Every field is read before anything is stored, so a bad line leaves the
    // source as it was.
    SourceMode mode;
    double v[4] = {0, 0, 0, 0};
    bool endTime = false;
    if (word == "DC") {
        mode = SourceMode::Dc;
        if (!ParseValueField(text, 5, v[0]))
            return false;
    } else if (word == "AC") {
        mode = SourceMode::Ac;
        for (int i = 0; i < 3; ++i)
            if (!ParseValueField(text, 5 + i, v[i]))
                return false;
        endTime = HasField(text, 8);
        if (endTime && !ParseValueField(text, 8, v[3]))
            return false;
    } else if (word == "PULSE") {
        mode = SourceMode::Pulse;
        if (!HasMode(mode))
            return false;
        for (int i = 0; i < 4; ++i)
            if (!ParseValueField(text, 5 + i, v[i]))
                return false;
    } else {
        return false;
    }
    if (!ParseNodes(text, 2, 2))
        return false;

    switch (mode) {
    case SourceMode::Dc:
        dcValue_ = v[0];
        break;
    case SourceMode::Ac:
        acAmplitude_ = v[0];
        acFrequency_ = v[1];
        acPhase_ = v[2];
        endTimeFlag_ = endTime ? 1 : 0;
        if (endTime)
            endMoment_ = v[3];
        break;
    case SourceMode::Pulse:
        pulse_.frequency = v[0];
        pulse_.duration = v[1];
        pulse_.amplitude = v[2];
        pulse_.offset = v[3];
        break;
    }
    mode_ = mode;
    Promote();
    return true;
}

std::string SourceElement::ValueLabel(PrefixStyle style) const {
    const auto value = [style](double v) { return FormatValue(v, 4, style, true); };
    const std::string unit = voltage_ ? "В" : "А";
    switch (mode_) {
    case SourceMode::Dc:
        return value(dcValue_) + unit;
    case SourceMode::Ac:
        return value(acAmplitude_) + unit + " / " + value(acFrequency_) + "Гц / " +
               FormatNumber(acPhase_, 4) + " град";
    case SourceMode::Pulse: {
        std::string label = value(pulse_.frequency) + "Гц / " + FormatNumber(pulse_.duration, 4) +
                            "% / " + value(pulse_.amplitude) + "В";
        if (pulse_.offset != 0)
            label += " / " + value(pulse_.offset) + "В";
        return label;
    }
    }
    return {};
}

// ---- parameters ----

int SourceElement::ParamCount() const {
    switch (mode_) {
    case SourceMode::Dc:
        return 1;
    case SourceMode::Ac:
        return endTimeFlag_ != 0 ? 4 : 3;
    case SourceMode::Pulse:
        return 4;
    }
    return 0;
}

std::string SourceElement::ParamCaption(int i) const {
    return Caption(StoredAt(mode_, endTimeFlag_ != 0, i), voltage_);
}

std::string SourceElement::ParamUnit(int i) const {
    return Unit(StoredAt(mode_, endTimeFlag_ != 0, i), voltage_);
}

double SourceElement::GetParam(int i) const {
    switch (StoredAt(mode_, endTimeFlag_ != 0, i)) {
    case Stored::DcValue:
        return dcValue_;
    case Stored::AcAmplitude:
        return acAmplitude_;
    case Stored::AcFrequency:
        return acFrequency_;
    case Stored::AcPhase:
        return acPhase_;
    case Stored::EndMoment:
        return endMoment_;
    case Stored::PulseFrequency:
        return pulse_.frequency;
    case Stored::PulseDuration:
        return pulse_.duration;
    case Stored::PulseAmplitude:
        return pulse_.amplitude;
    case Stored::PulseOffset:
        return pulse_.offset;
    case Stored::None:
        break;
    }
    return 0;
}

void SourceElement::SetParam(int i, double value) {
    const Stored p = StoredAt(mode_, endTimeFlag_ != 0, i);
    if (p == Stored::None)
        return;
    if (!Accepts(p, value))
        throw SchemeError(scheme_error::BadParameter);
    switch (p) {
    case Stored::DcValue:
        dcValue_ = value;
        break;
    case Stored::AcAmplitude:
        acAmplitude_ = value;
        break;
    case Stored::AcFrequency:
        acFrequency_ = value;
        break;
    case Stored::AcPhase:
        acPhase_ = value;
        break;
    case Stored::EndMoment:
        endMoment_ = value;
        break;
    case Stored::PulseFrequency:
        pulse_.frequency = value;
        break;
    case Stored::PulseDuration:
        pulse_.duration = value;
        break;
    case Stored::PulseAmplitude:
        pulse_.amplitude = value;
        break;
    case Stored::PulseOffset:
        pulse_.offset = value;
        break;
    case Stored::None:
        break;
    }
    Promote();
}

// ---- the two kinds -------------------------------------------------------------

namespace {

ElementKind VoltageKind(ElementKind k) {
    return k == kind::VoltageSourceDcOld || k == kind::VoltageSourceAcOld ? k : kind::VoltageSource;
}

ElementKind CurrentKind(ElementKind k) {
    return k == kind::CurrentSourceDcOld || k == kind::CurrentSourceAcOld ? k : kind::CurrentSource;
}

} // namespace

VoltageSource::VoltageSource(int32_t elementId, ElementKind k)
    : SourceElement(VoltageKind(k), elementId, true) {
    mirrorX = 1;
}

bool VoltageSource::HasMode(SourceMode mode) const {
    return mode == SourceMode::Dc || mode == SourceMode::Ac || mode == SourceMode::Pulse;
}

void VoltageSource::SetPulseAmplitude(double v) {
    pulse_.amplitude = v;
    Promote();
}

void VoltageSource::SetPulseFrequency(double v) {
    pulse_.frequency = v;
    Promote();
}

void VoltageSource::SetPulseDuration(double percent) {
    pulse_.duration = percent;
    Promote();
}

void VoltageSource::SetPulseOffset(double v) {
    pulse_.offset = v;
    Promote();
}

CurrentSource::CurrentSource(int32_t elementId, ElementKind k)
    : SourceElement(CurrentKind(k), elementId, false) {}

bool CurrentSource::HasMode(SourceMode mode) const {
    return mode == SourceMode::Dc || mode == SourceMode::Ac;
}

std::unique_ptr<Element> MakeSource(ElementKind k, int32_t id) {
    switch (k) {
    case kind::VoltageSource:
    case kind::VoltageSourceDcOld:
    case kind::VoltageSourceAcOld:
        return std::make_unique<VoltageSource>(id, k);
    case kind::CurrentSource:
    case kind::CurrentSourceDcOld:
    case kind::CurrentSourceAcOld:
        return std::make_unique<CurrentSource>(id, k);
    default:
        return nullptr;
    }
}

} // namespace korvanix::model
