#pragma once

#include "model/TwoTerminalElement.h"

#include <cstdint>
#include <memory>

namespace korvanix::model {

// How an independent source drives its branch; the numbers are stored in records.
enum class SourceMode : int32_t {
    Dc = 1,
    Ac = 2,    // harmonic, optionally cut off at an end moment
    Pulse = 3, // square-wave train, voltage source only
};

// Common part of the voltage and the current source. Every value of every mode
// stays stored when the mode changes, so switching back shows what was entered.
//
// An element created with a legacy kind code (2000/2001, 3001/3002) exists only to
// read such a record: Load turns its kind into 2010/3010, and so does any change of
// its values or mode, because the old record could not hold them. An untouched one
// is saved in the old form, which is what its kind announces to a reader.
class SourceElement : public TwoTerminalElement {
public:
    SourceMode Mode() const { return mode_; }
    // Throws SchemeError 3200 for a mode the kind has not (PULSE on a current source).
    void SetMode(SourceMode mode);
    virtual bool HasMode(SourceMode mode) const = 0;

    // Plain accessors for the parameter dialog: no range checks (SetParam checks).
    double DcValue() const { return dcValue_; }
    void SetDcValue(double v);
    double AcAmplitude() const { return acAmplitude_; }
    void SetAcAmplitude(double v);
    double AcFrequency() const { return acFrequency_; }
    void SetAcFrequency(double v);
    double AcPhase() const { return acPhase_; } // degrees
    void SetAcPhase(double degrees);
    bool HasEndTime() const { return endTimeFlag_ != 0; }
    void SetEndTime(bool on);
    double EndMoment() const { return endMoment_; }
    void SetEndMoment(double t);

    // Orientation of the source in its branch, set by the analysis before it
    // evaluates the waveform; every waveform value is multiplied by it.
    int Direction() const { return direction_; }
    void SetDirection(int sign) { direction_ = sign < 0 ? -1 : 1; }

    // The n-th time derivative (n >= 0) of the source's value at time t.
    // Const although the harmonic mode keeps omega^n of its last call in mutable
    // members (the same order reuses it, the next one multiplies once, any other
    // starts again from 1, always by repeated multiplication so the result does not
    // depend on the order of calls). Not for concurrent use.
    double SourceValue(double t, int n) const;
    // The j-th (j >= 0) instant at which the waveform switches, counted from tref;
    // -1 when there is none.
    double SwitchingInstant(double tref, int j) const;
    // How many switching instants lie between t1 and t2. For a pulse train these are
    // the instants SwitchingInstant(t1, j) yields below t2, where t2 lying on an edge
    // counts that edge too, so counts of adjacent intervals add up.
    int64_t SwitchingInstantCount(double t1, double t2) const;

    void Save(ArchiveWriter& ar) const override;
    void Load(ArchiveReader& ar) override;
    std::string NetlistLine() override;
    bool ParseLine(const std::string& text) override;
    std::string ValueLabel(PrefixStyle style) const override;
    int ParamCount() const override;
    std::string ParamCaption(int i) const override;
    std::string ParamUnit(int i) const override;
    double GetParam(int i) const override;
    void SetParam(int i, double value) override;
    // The source page with every mode's values; the mode may change there.
    int EditParameters(ParameterEditor& editor) override;

protected:
    // `kind` may be the new code or one of the two legacy codes of the source.
    SourceElement(ElementKind kind, int32_t id, bool voltage);

    // The square-wave train; kept here so the waveform code sees it, stored and
    // offered only by the voltage source.
    struct Pulse {
        double amplitude = 1;
        double frequency = 1000;
        double duration = 50; // percent of the period
        double offset = 0;
    };
    Pulse pulse_;

    // Gives a legacy element its new kind code once its state leaves the old record.
    void Promote();

private:
    bool IsLegacy() const;
    double AcValue(double t, int n) const;

    const bool voltage_;
    SourceMode mode_ = SourceMode::Dc;
    double dcValue_ = 0;
    double acAmplitude_ = 1;
    double acFrequency_ = 50;
    double acPhase_ = 0;
    int32_t endTimeFlag_ = 0;
    double endMoment_ = 1;
    int direction_ = 1;

    mutable int cachedOrder_ = -1;
    mutable double cachedOmega_ = 0;
    mutable double cachedPower_ = 1;
};

// Kind 2010, "U": DC, AC or PULSE. Starts turned a quarter (rotation 3) and mirrored in x.
class VoltageSource : public SourceElement {
public:
    // `kind` 2000 or 2001 makes an element for reading an older DC or AC record.
    explicit VoltageSource(int32_t id, ElementKind kind = kind::VoltageSource);

    bool HasMode(SourceMode mode) const override;

    double PulseAmplitude() const { return pulse_.amplitude; }
    void SetPulseAmplitude(double v);
    double PulseFrequency() const { return pulse_.frequency; }
    void SetPulseFrequency(double v);
    double PulseDuration() const { return pulse_.duration; } // percent of the period
    void SetPulseDuration(double percent);
    double PulseOffset() const { return pulse_.offset; }
    void SetPulseOffset(double v);
};

// Kind 3010, "I": DC or AC. Starts turned a quarter (rotation 3).
class CurrentSource : public SourceElement {
public:
    // `kind` 3001 or 3002 makes an element for reading an older DC or AC record.
    explicit CurrentSource(int32_t id, ElementKind kind = kind::CurrentSource);

    bool HasMode(SourceMode mode) const override;
};

// Creates a voltage or current source for 2010/3010 and for the legacy codes
// 2000/2001 (voltage, DC/AC) and 3001/3002 (current, DC/AC); null for other codes.
std::unique_ptr<Element> MakeSource(ElementKind kind, int32_t id);

} // namespace korvanix::model
