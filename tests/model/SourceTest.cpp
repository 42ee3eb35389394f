#include "model/Sources.h"

#include "model/Archive.h"
#include "model/Errors.h"
#include "model/Wire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace korvanix::model {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::unique_ptr<SourceElement> Make(ElementKind k, int32_t id = 7) {
    std::unique_ptr<Element> e = MakeSource(k, id);
    auto* s = dynamic_cast<SourceElement*>(e.get());
    if (s == nullptr)
        return nullptr;
    e.release();
    return std::unique_ptr<SourceElement>(s);
}

// Sets every stored value to something other than its default, so that a record
// or a line that drops or swaps a value shows it.
void FillDistinct(SourceElement& s) {
    s.SetDcValue(-2.5);
    s.SetAcAmplitude(3.25);
    s.SetAcFrequency(60);
    s.SetAcPhase(-45);
    s.SetEndTime(true);
    s.SetEndMoment(0.125);
    if (auto* v = dynamic_cast<VoltageSource*>(&s)) {
        v->SetPulseAmplitude(7.5);
        v->SetPulseFrequency(2000);
        v->SetPulseDuration(12.5);
        v->SetPulseOffset(-1.5);
    }
}

struct Snapshot {
    ElementKind kind;
    SourceMode mode;
    double dc, acAmplitude, acFrequency, acPhase;
    bool endTime;
    double endMoment;
    double pulse[4]; // amplitude, frequency, duration, offset (voltage source only)
};

Snapshot Take(const SourceElement& s) {
    Snapshot out{s.kind,      s.Mode(),       s.DcValue(),   s.AcAmplitude(), s.AcFrequency(),
                 s.AcPhase(), s.HasEndTime(), s.EndMoment(), {0, 0, 0, 0}};
    if (const auto* v = dynamic_cast<const VoltageSource*>(&s)) {
        out.pulse[0] = v->PulseAmplitude();
        out.pulse[1] = v->PulseFrequency();
        out.pulse[2] = v->PulseDuration();
        out.pulse[3] = v->PulseOffset();
    }
    return out;
}

void ExpectSame(const Snapshot& a, const Snapshot& b) {
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.mode, b.mode);
    EXPECT_EQ(a.dc, b.dc);
    EXPECT_EQ(a.acAmplitude, b.acAmplitude);
    EXPECT_EQ(a.acFrequency, b.acFrequency);
    EXPECT_EQ(a.acPhase, b.acPhase);
    EXPECT_EQ(a.endTime, b.endTime);
    EXPECT_EQ(a.endMoment, b.endMoment);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a.pulse[i], b.pulse[i]) << "pulse value " << i;
}

std::vector<uint8_t> SaveOf(const Element& e) {
    ArchiveWriter ar;
    e.Save(ar);
    return ar.TakeBytes();
}

// The common header as a reader expects it: id, kind, x, y, rotation, mirrorY,
// mirrorX, then two free pins.
void WriteHeader(ArchiveWriter& ar, int32_t id, ElementKind k) {
    for (int32_t v : {id, k, 100, 200, 3, 0, 1})
        ar.WriteInt32(v);
    for (int i = 0; i < 4; ++i)
        ar.WriteInt32(0);
}
constexpr std::size_t kHeaderBytes = 11 * 4;

// Names the source "U1"/"I1" and connects its pins to numbered wires.
struct Wired {
    explicit Wired(SourceElement& s, int node1 = 3, int node2 = 0) : w1(1), w2(2) {
        w1.numbered = w2.numbered = true;
        w1.node = node1;
        w2.node = node2;
        s.number = 1;
        s.pins[0].wire = &w1;
        s.pins[1].wire = &w2;
    }
    Wire w1, w2;
};

// ---- construction ----

TEST(SourceTest, NewSourcesStartAsDescribed) {
    VoltageSource u(4);
    EXPECT_EQ(u.kind, kind::VoltageSource);
    EXPECT_EQ(u.id, 4);
    EXPECT_EQ(u.rotation, 3);
    EXPECT_EQ(u.mirrorX, 1);
    EXPECT_EQ(u.mirrorY, 0);
    EXPECT_EQ(u.width, 40);
    EXPECT_EQ(u.height, 40);
    EXPECT_EQ(u.PinCount(), 2);
    EXPECT_TRUE(u.canRotate && u.canMirrorX && u.canMirrorY && u.editable);
    EXPECT_TRUE(u.showNameTag && u.showValueTag);
    EXPECT_EQ(u.Mode(), SourceMode::Dc);
    EXPECT_EQ(u.Direction(), 1);
    const Snapshot defaults{kind::VoltageSource, SourceMode::Dc, 0, 1, 50, 0, false, 1,
                            {1, 1000, 50, 0}};
    ExpectSame(Take(u), defaults);

    CurrentSource i(5);
    EXPECT_EQ(i.kind, kind::CurrentSource);
    EXPECT_EQ(i.rotation, 3);
    EXPECT_EQ(i.mirrorX, 0);
    EXPECT_EQ(i.width, 40);
    EXPECT_EQ(i.height, 40);
    EXPECT_TRUE(i.canRotate && i.canMirrorX && i.canMirrorY && i.editable);
    ExpectSame(Take(i), {kind::CurrentSource, SourceMode::Dc, 0, 1, 50, 0, false, 1, {0, 0, 0, 0}});
}

TEST(SourceTest, MakeSourceCoversNewAndLegacyCodes) {
    struct Case {
        ElementKind code;
        bool voltage;
        SourceMode mode;
    };
    const Case cases[] = {
        {2010, true, SourceMode::Dc},  {2000, true, SourceMode::Dc},  {2001, true, SourceMode::Ac},
        {3010, false, SourceMode::Dc}, {3001, false, SourceMode::Dc}, {3002, false, SourceMode::Ac},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        auto s = Make(c.code, 9);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->kind, c.code); // a legacy code stands until its record is read
        EXPECT_EQ(s->id, 9);
        EXPECT_EQ(dynamic_cast<VoltageSource*>(s.get()) != nullptr, c.voltage);
        EXPECT_EQ(s->Mode(), c.mode);
    }
    for (ElementKind code : {0, 1000, 2002, 2100, 3000, 3003, 6000})
        EXPECT_EQ(MakeSource(code, 1), nullptr) << code;
}

TEST(SourceTest, CurrentSourceRefusesPulseMode) {
    CurrentSource i(1);
    EXPECT_FALSE(i.HasMode(SourceMode::Pulse));
    try {
        i.SetMode(SourceMode::Pulse);
        FAIL() << "no exception";
    } catch (const SchemeError& e) {
        EXPECT_EQ(e.Code(), 3200);
    }
    EXPECT_EQ(i.Mode(), SourceMode::Dc);
}

TEST(SourceTest, ValuesOfOtherModesSurviveModeChanges) {
    VoltageSource u(1);
    u.SetMode(SourceMode::Pulse);
    u.SetParam(0, 5000);
    u.SetParam(1, 20);
    u.SetMode(SourceMode::Dc);
    u.SetParam(0, 12);
    u.SetMode(SourceMode::Pulse);
    EXPECT_EQ(u.GetParam(0), 5000);
    EXPECT_EQ(u.GetParam(1), 20);
    u.SetMode(SourceMode::Dc);
    EXPECT_EQ(u.GetParam(0), 12);
}

// ---- parameters ----

TEST(SourceTest, ParametersFollowTheMode) {
    struct Case {
        bool voltage;
        SourceMode mode;
        bool endTime;
        int count;
        std::vector<std::pair<std::string, std::string>> rows; // caption, unit
    };
    const Case cases[] = {
        {true, SourceMode::Dc, false, 1, {{"Напряжение (U0)", "В"}}},
        {false, SourceMode::Dc, true, 1, {{"Ток (I0)", "А"}}},
        {true,
         SourceMode::Ac,
         false,
         3,
         {{"Амплитуда (U0)", "В"}, {"Частота (f)", "Гц"}, {"Начальная фаза (phi0)", "град"}}},
        {false,
         SourceMode::Ac,
         true,
         4,
         {{"Амплитуда (I0)", "А"},
          {"Частота (f)", "Гц"},
          {"Начальная фаза (phi0)", "град"},
          {"Момент окончания", "с"}}},
        {true,
         SourceMode::Pulse,
         true,
         4,
         {{"Частота (f)", "Гц"},
          {"Длительность", "%"},
          {"Напряжение (U0)", "В"},
          {"Смещение", "В"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "voltage " << c.voltage << " mode "
                                        << static_cast<int>(c.mode) << " end " << c.endTime);
        auto s = Make(c.voltage ? kind::VoltageSource : kind::CurrentSource);
        s->SetMode(c.mode);
        s->SetEndTime(c.endTime);
        EXPECT_EQ(s->ParamCount(), c.count);
        for (int i = 0; i < 5; ++i) {
            const bool valid = i < static_cast<int>(c.rows.size());
            EXPECT_EQ(s->ParamCaption(i), valid ? c.rows[i].first : "") << i;
            EXPECT_EQ(s->ParamUnit(i), valid ? c.rows[i].second : "") << i;
        }
        EXPECT_EQ(s->ParamCaption(-1), "");
    }
}

TEST(SourceTest, GetAndSetParamReachTheStoredValues) {
    VoltageSource u(1);
    FillDistinct(u);
    u.SetMode(SourceMode::Ac);
    EXPECT_EQ(u.GetParam(0), 3.25);
    EXPECT_EQ(u.GetParam(1), 60);
    EXPECT_EQ(u.GetParam(2), -45);
    EXPECT_EQ(u.GetParam(3), 0.125);
    EXPECT_EQ(u.GetParamByCaption("Момент окончания"), 0.125);
    u.SetParamByCaption("Начальная фаза (phi0)", 90);
    EXPECT_EQ(u.AcPhase(), 90);
    u.SetMode(SourceMode::Pulse);
    const double pulse[] = {2000, 12.5, 7.5, -1.5};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(u.GetParam(i), pulse[i]) << i;
    u.SetParam(3, 2);
    EXPECT_EQ(u.PulseOffset(), 2);
    u.SetParam(2, -4);
    EXPECT_EQ(u.PulseAmplitude(), -4);
    EXPECT_EQ(u.GetParam(4), 0);
}

TEST(SourceTest, SetParamChecksTheRangeAndKeepsTheOldValue) {
    struct Case {
        bool voltage;
        SourceMode mode;
        int index;
        double value;
        bool accepted;
    };
    const Case cases[] = {
        {true, SourceMode::Dc, 0, -5, true},      {true, SourceMode::Dc, 0, 0, true},
        {false, SourceMode::Dc, 0, -1e-3, true},  {true, SourceMode::Ac, 0, 0, false},
        {false, SourceMode::Ac, 0, -1, false},    {true, SourceMode::Ac, 0, 1e-9, true},
        {true, SourceMode::Ac, 1, 0, false},      {false, SourceMode::Ac, 1, -50, false},
        {true, SourceMode::Ac, 2, -720, true},    {true, SourceMode::Pulse, 0, 0, false},
        {true, SourceMode::Pulse, 0, 1e6, true},  {true, SourceMode::Pulse, 1, 100, false},
        {true, SourceMode::Pulse, 1, 99.9, true}, {true, SourceMode::Pulse, 1, 0, false},
        {true, SourceMode::Pulse, 1, 0.1, true},  {true, SourceMode::Pulse, 1, 150, false},
        {true, SourceMode::Pulse, 2, -3, true},   {true, SourceMode::Pulse, 3, -3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(c.mode) << " index "
                                        << c.index << " value " << c.value);
        auto s = Make(c.voltage ? kind::VoltageSource : kind::CurrentSource);
        s->SetMode(c.mode);
        const double before = s->GetParam(c.index);
        if (c.accepted) {
            EXPECT_NO_THROW(s->SetParam(c.index, c.value));
            EXPECT_EQ(s->GetParam(c.index), c.value);
        } else {
            try {
                s->SetParam(c.index, c.value);
                ADD_FAILURE() << "accepted";
            } catch (const SchemeError& e) {
                EXPECT_EQ(e.Code(), 3200);
            }
            EXPECT_EQ(s->GetParam(c.index), before);
        }
    }
}

TEST(SourceTest, EndMomentIsAParameterOnlyWithTheFlag) {
    CurrentSource i(1);
    i.SetMode(SourceMode::Ac);
    EXPECT_EQ(i.ParamCount(), 3);
    EXPECT_EQ(i.ParamCaption(3), "");
    EXPECT_NO_THROW(i.SetParam(3, 7));
    EXPECT_EQ(i.EndMoment(), 1);
    i.SetEndTime(true);
    EXPECT_EQ(i.ParamCount(), 4);
    i.SetParam(3, 7);
    EXPECT_EQ(i.EndMoment(), 7);
    EXPECT_EQ(i.GetParam(3), 7);
}

// ---- labels and lines ----

TEST(SourceTest, ValueLabelsInBothStyles) {
    struct Case {
        bool voltage;
        const char* line; // sets mode and values
        PrefixStyle style;
        const char* label;
    };
    const Case cases[] = {
        {true, "U1,1,0,DC,4.7k", kCyrillic, "4.7 кВ"},
        {true, "U1,1,0,DC,4.7k", kLatin, "4.7 kВ"},
        {true, "U1,1,0,DC,12", kCyrillic, "12 В"},
        {false, "I1,1,0,DC,1m", kCyrillic, "1 мА"},
        {false, "I1,1,0,DC,-2u", kLatin, "-2 uА"},
        {true, "U1,1,0,AC,2,50,30", kCyrillic, "2 В / 50 Гц / 30 град"},
        {true, "U1,1,0,AC,0.05,1k,-12.34567,3", kLatin, "50 mВ / 1 kГц / -12.35 град"},
        {false, "I1,1,0,AC,10m,2.5k,90", kCyrillic, "10 мА / 2.5 кГц / 90 град"},
        {true, "U1,1,0,PULSE,1k,50,5,0", kLatin, "1 kГц / 50% / 5 В"},
        {true, "U1,1,0,PULSE,1k,50,5,0", kCyrillic, "1 кГц / 50% / 5 В"},
        {true, "U1,1,0,PULSE,20,12.5,10,-2", kCyrillic, "20 Гц / 12.5% / 10 В / -2 В"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto s = Make(c.voltage ? kind::VoltageSource : kind::CurrentSource);
        ASSERT_TRUE(s->ParseLine(c.line));
        EXPECT_EQ(s->ValueLabel(c.style), c.label);
    }
}

TEST(SourceTest, ElementListLineForEachMode) {
    struct Case {
        bool voltage;
        const char* description;
        const char* line;
    };
    const Case cases[] = {
        {true, "U1,1,0,DC,4.7k", "U1 3 0 DC 4.7k"},
        {false, "I1,1,0,DC,-1m", "I1 3 0 DC -1m"},
        {true, "U1,1,0,AC,1,50,30", "U1 3 0 AC 1 50 30"},
        {true, "U1,1,0,AC,1,50,33.3333333333333,2m", "U1 3 0 AC 1 50 33.3333333333 2m"},
        {false, "I1,1,0,AC,2,1k,-45,1.5", "I1 3 0 AC 2 1k -45 1.5"},
        {true, "U1,1,0,PULSE,1k,50,5,0", "U1 3 0 PULSE 1k 50 5 0"},
        {true, "U1,1,0,PULSE,1.23456789012345M,12.5,1e-15,-2.5",
         "U1 3 0 PULSE 1.23456789012M 12.5 1e-15 -2.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        auto s = Make(c.voltage ? kind::VoltageSource : kind::CurrentSource);
        ASSERT_TRUE(s->ParseLine(c.description));
        Wired wires(*s);
        EXPECT_EQ(s->NetlistLine(), c.line);
        EXPECT_EQ(s->lineBuffer, c.line);
    }
}

TEST(SourceTest, LineReadsBackToTheSameValues) {
    // The written line with blanks turned into commas is a description line.
    for (SourceMode mode : {SourceMode::Dc, SourceMode::Ac, SourceMode::Pulse}) {
        for (bool endTime : {false, true}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(mode) << " " << endTime);
            VoltageSource u(1);
            FillDistinct(u);
            u.SetAcPhase(100.0 / 3);
            u.SetEndTime(endTime);
            u.SetMode(mode);
            Wired wires(u);
            std::string line = u.NetlistLine();
            for (char& ch : line)
                if (ch == ' ')
                    ch = ',';
            VoltageSource back(2);
            ASSERT_TRUE(back.ParseLine(line)) << line;
            EXPECT_EQ(back.Mode(), mode);
            // The line carries 12 significant digits.
            for (int i = 0; i < u.ParamCount(); ++i)
                EXPECT_NEAR(back.GetParam(i), u.GetParam(i), 1e-11 * std::fabs(u.GetParam(i))) << i;
            EXPECT_EQ(back.ParamCount(), u.ParamCount());
        }
    }
}

TEST(SourceTest, ParseLineCases) {
    struct Case {
        bool voltage;
        const char* line;
        bool ok;
        SourceMode mode;
        std::vector<double> params;
    };
    const Case cases[] = {
        {true, "U1,1,0,DC,5", true, SourceMode::Dc, {5}},
        {true, "U1,1,0,AC,1,50,0", true, SourceMode::Ac, {1, 50, 0}},
        {true, "U1,1,0,AC,1,50,0,2", true, SourceMode::Ac, {1, 50, 0, 2}},
        {false, "I1,2,5,AC,3m,1k,-90,10u", true, SourceMode::Ac, {3e-3, 1000, -90, 1e-5}},
        {true, "U1,1,0,PULSE,1k,50,5,0", true, SourceMode::Pulse, {1000, 50, 5, 0}},
        // Values are not range-checked while parsing.
        {true, "U1,1,0,PULSE,0,100,5,0", true, SourceMode::Pulse, {0, 100, 5, 0}},
        {true, "U1,1,0,AC,0,-1,0", true, SourceMode::Ac, {0, -1, 0}},
        {true, "U1,1,0,dc,5", false, SourceMode::Dc, {}},
        {true, "U1,1,0, DC,5", false, SourceMode::Dc, {}},
        {true, "U1,1,0,SIN,1,50,0", false, SourceMode::Dc, {}},
        {true, "U1,1,0,,5", false, SourceMode::Dc, {}},
        {false, "I1,1,0,PULSE,1k,50,5,0", false, SourceMode::Dc, {}},
        {true, "U1,1,0,DC", false, SourceMode::Dc, {}},
        {true, "U1,1,0,DC,", false, SourceMode::Dc, {}},
        {true, "U1,1,0,AC,1,50", false, SourceMode::Dc, {}},
        {true, "U1,1,0,AC,1,x,0", false, SourceMode::Dc, {}},
        {true, "U1,1,0,AC,1,50,0,", false, SourceMode::Dc, {}},
        {true, "U1,1,0,AC,1,50,0,end", false, SourceMode::Dc, {}},
        {true, "U1,1,0,PULSE,1k,50,5", false, SourceMode::Dc, {}},
        {true, "U1,1,0", false, SourceMode::Dc, {}},
        {true, "U1,a,0,DC,5", false, SourceMode::Dc, {}},
        {true, "U1,1,,DC,5", false, SourceMode::Dc, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto s = Make(c.voltage ? kind::VoltageSource : kind::CurrentSource);
        FillDistinct(*s);
        s->SetEndTime(false);
        const Snapshot before = Take(*s);
        ASSERT_EQ(s->ParseLine(c.line), c.ok);
        if (!c.ok) {
            ExpectSame(Take(*s), before);
            continue;
        }
        EXPECT_EQ(s->Mode(), c.mode);
        ASSERT_EQ(s->ParamCount(), static_cast<int>(c.params.size()));
        for (std::size_t i = 0; i < c.params.size(); ++i)
            EXPECT_DOUBLE_EQ(s->GetParam(static_cast<int>(i)), c.params[i]) << i;
    }
}

TEST(SourceTest, ParseLineStoresNodesAndTheEndTimeFlagFollowsTheLine) {
    VoltageSource u(1);
    ASSERT_TRUE(u.ParseLine("U1,4,2,AC,1,50,0,2"));
    EXPECT_EQ(u.pins[0].node, 4);
    EXPECT_EQ(u.pins[1].node, 2);
    EXPECT_TRUE(u.HasEndTime());
    EXPECT_EQ(u.EndMoment(), 2);
    Wired wires(u);
    const std::string line = u.NetlistLine();
    EXPECT_EQ(line.substr(line.size() - 2), " 2");
    ASSERT_TRUE(u.ParseLine("U1,4,2,AC,1,50,0"));
    EXPECT_FALSE(u.HasEndTime());
    EXPECT_EQ(u.ParamCount(), 3);
}

// ---- records ----

TEST(SourceTest, RecordRoundTripForBothKindsInEveryMode) {
    struct Case {
        ElementKind code;
        SourceMode mode;
        bool endTime;
    };
    const Case cases[] = {
        {kind::VoltageSource, SourceMode::Dc, false},
        {kind::VoltageSource, SourceMode::Ac, true},
        {kind::VoltageSource, SourceMode::Ac, false},
        {kind::VoltageSource, SourceMode::Pulse, true},
        {kind::CurrentSource, SourceMode::Dc, true},
        {kind::CurrentSource, SourceMode::Ac, true},
        {kind::CurrentSource, SourceMode::Ac, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " mode " << static_cast<int>(c.mode));
        auto s = Make(c.code, 11);
        FillDistinct(*s);
        s->SetEndTime(c.endTime);
        s->SetMode(c.mode);
        s->x = 120;
        s->y = -40;
        s->rotation = 1;
        const std::vector<uint8_t> bytes = SaveOf(*s);
        const bool voltage = c.code == kind::VoltageSource;
        EXPECT_EQ(bytes.size(), kHeaderBytes + (voltage ? 80u : 48u));

        auto back = Make(c.code, 0);
        ArchiveReader in(bytes);
        back->Load(in);
        EXPECT_TRUE(in.AtEnd());
        ExpectSame(Take(*back), Take(*s));
        EXPECT_EQ(back->id, 11);
        EXPECT_EQ(back->x, 120);
        EXPECT_EQ(back->rotation, 1);
        EXPECT_EQ(SaveOf(*back), bytes);
    }
}

TEST(SourceTest, VoltageRecordLayout) {
    VoltageSource u(3);
    FillDistinct(u);
    u.SetMode(SourceMode::Pulse);
    const std::vector<uint8_t> bytes = SaveOf(u);
    ArchiveReader in(bytes);
    in.Skip(4);
    EXPECT_EQ(in.ReadInt32(), kind::VoltageSource);
    in.Skip(kHeaderBytes - 8);
    EXPECT_EQ(in.ReadInt32(), 3); // mode
    const double expected[] = {-2.5, 3.25, 60, -45, 7.5, 2000, 12.5, -1.5};
    for (double v : expected)
        EXPECT_EQ(in.ReadDouble(), v);
    EXPECT_EQ(in.ReadInt32(), 1); // end-time flag
    EXPECT_EQ(in.ReadDouble(), 0.125);
    EXPECT_TRUE(in.AtEnd());
}

TEST(SourceTest, CurrentRecordLayout) {
    CurrentSource i(3);
    FillDistinct(i);
    i.SetMode(SourceMode::Ac);
    const std::vector<uint8_t> bytes = SaveOf(i);
    ArchiveReader in(bytes);
    in.Skip(4);
    EXPECT_EQ(in.ReadInt32(), kind::CurrentSource);
    in.Skip(kHeaderBytes - 8);
    EXPECT_EQ(in.ReadInt32(), 2);
    for (double v : {-2.5, 3.25, 60.0, -45.0})
        EXPECT_EQ(in.ReadDouble(), v);
    EXPECT_EQ(in.ReadInt32(), 1);
    EXPECT_EQ(in.ReadDouble(), 0.125);
    EXPECT_TRUE(in.AtEnd());
}

TEST(SourceTest, BadRecordsAreCorruptFiles) {
    struct Case {
        const char* what;
        ElementKind code;
        int32_t mode;
        ElementKind loader;
        bool truncate;
    };
    const Case cases[] = {
        {"mode 0", kind::VoltageSource, 0, kind::VoltageSource, false},
        {"mode 4", kind::VoltageSource, 4, kind::VoltageSource, false},
        {"pulse current source", kind::CurrentSource, 3, kind::CurrentSource, false},
        {"other kind", kind::VoltageSource, 1, kind::CurrentSource, false},
        {"legacy record into a new source", kind::VoltageSourceDcOld, 1, kind::VoltageSource,
         false},
        {"truncated", kind::VoltageSource, 1, kind::VoltageSource, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ArchiveWriter ar;
        WriteHeader(ar, 1, c.code);
        ar.WriteInt32(c.mode);
        for (int k = 0; k < 8; ++k)
            ar.WriteDouble(k + 1.0);
        ar.WriteInt32(0);
        ar.WriteDouble(1);
        std::vector<uint8_t> bytes = ar.TakeBytes();
        if (c.truncate)
            bytes.resize(bytes.size() - 3);
        auto s = Make(c.loader);
        const Snapshot before = Take(*s);
        ArchiveReader in(bytes);
        try {
            s->Load(in);
            ADD_FAILURE() << "loaded";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Code(), FileError::Corrupt);
        }
        // Nothing of the rejected record's source values was taken.
        ExpectSame(Take(*s), before);
    }
}

TEST(SourceTest, LegacyRecordsLoadAndAreSavedInTheNewForm) {
    struct Case {
        ElementKind code;
        ElementKind newCode;
        SourceMode mode;
        std::vector<double> payload;
    };
    const Case cases[] = {
        {kind::VoltageSourceDcOld, kind::VoltageSource, SourceMode::Dc, {4.5}},
        {kind::VoltageSourceAcOld, kind::VoltageSource, SourceMode::Ac, {2, 400, -30}},
        {kind::CurrentSourceDcOld, kind::CurrentSource, SourceMode::Dc, {-0.25}},
        {kind::CurrentSourceAcOld, kind::CurrentSource, SourceMode::Ac, {0.5, 60, 90}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        ArchiveWriter ar;
        WriteHeader(ar, 21, c.code);
        for (double v : c.payload)
            ar.WriteDouble(v);
        const std::vector<uint8_t> old = ar.TakeBytes();

        auto s = Make(c.code);
        ArchiveReader in(old);
        s->Load(in);
        EXPECT_TRUE(in.AtEnd());
        EXPECT_EQ(s->kind, c.newCode);
        EXPECT_EQ(s->Mode(), c.mode);
        EXPECT_EQ(s->id, 21);
        EXPECT_EQ(s->x, 100);
        EXPECT_EQ(s->mirrorX, 1);
        ASSERT_EQ(s->ParamCount(), static_cast<int>(c.payload.size()));
        for (std::size_t i = 0; i < c.payload.size(); ++i)
            EXPECT_EQ(s->GetParam(static_cast<int>(i)), c.payload[i]);
        EXPECT_FALSE(s->HasEndTime());

        const std::vector<uint8_t> saved = SaveOf(*s);
        const bool voltage = c.newCode == kind::VoltageSource;
        EXPECT_EQ(saved.size(), kHeaderBytes + (voltage ? 80u : 48u));
        auto again = Make(c.newCode);
        ArchiveReader in2(saved);
        again->Load(in2);
        EXPECT_TRUE(in2.AtEnd());
        ExpectSame(Take(*again), Take(*s));
    }
}

TEST(SourceTest, UntouchedLegacyElementSavesWhatItsKindAnnounces) {
    // A reader that sees kind 2001 expects the old AC payload after the header.
    auto s = Make(kind::VoltageSourceAcOld);
    const std::vector<uint8_t> bytes = SaveOf(*s);
    EXPECT_EQ(bytes.size(), kHeaderBytes + 3 * 8);
    auto back = Make(kind::VoltageSourceAcOld);
    ArchiveReader in(bytes);
    back->Load(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back->kind, kind::VoltageSource);
    EXPECT_EQ(back->Mode(), SourceMode::Ac);

    // Once edited, the element is a new-form source: the old record could not hold it.
    auto edited = Make(kind::CurrentSourceDcOld);
    edited->SetMode(SourceMode::Ac);
    EXPECT_EQ(edited->kind, kind::CurrentSource);
    EXPECT_EQ(SaveOf(*edited).size(), kHeaderBytes + 48);
}

// ---- waveforms ----

TEST(SourceTest, DcValueAndDirection) {
    CurrentSource i(1);
    i.SetDcValue(5);
    EXPECT_EQ(i.SourceValue(0.3, 0), 5);
    EXPECT_EQ(i.SourceValue(0.3, 1), 0);
    EXPECT_EQ(i.SourceValue(0.3, 4), 0);
    i.SetDirection(-1);
    EXPECT_EQ(i.SourceValue(0.3, 0), -5);
    EXPECT_EQ(i.SwitchingInstant(0, 0), -1);
    EXPECT_EQ(i.SwitchingInstantCount(0, 100), 0);
}

TEST(SourceTest, AcDerivativesMatchTheClosedForms) {
    // A cos(wt + phi) differentiated by hand; relative tolerance 1e-12 of A w^n.
    const double amplitude = 2.5;
    const double f = 50;
    const double degrees = 30;
    const double w = 2 * kPi * f;
    const double phi = degrees * kPi / 180;
    for (int direction : {1, -1}) {
        VoltageSource u(1);
        u.SetMode(SourceMode::Ac);
        u.SetAcAmplitude(amplitude);
        u.SetAcFrequency(f);
        u.SetAcPhase(degrees);
        u.SetDirection(direction);
        for (double t : {0.0, 0.00123, 0.0171, 0.5}) {
            const double x = w * t + phi;
            const double closed[] = {std::cos(x), -std::sin(x), -std::cos(x), std::sin(x),
                                     std::cos(x), -std::sin(x), -std::cos(x)};
            for (int n = 0; n < 7; ++n) {
                const double scale = amplitude * std::pow(w, n);
                EXPECT_NEAR(u.SourceValue(t, n), direction * scale * closed[n], 1e-12 * scale)
                    << "t " << t << " n " << n;
            }
        }
    }
}

TEST(SourceTest, AcEndMomentCutsTheWave) {
    struct Case {
        double t;
        bool zero;
    };
    const double end = 0.01;
    const Case cases[] = {
        {0.005, false}, {end - 1e-9, false}, {end - 5e-13, true},
        {end, true},    {end + 5e-13, true}, {end + 1, true},
    };
    for (bool voltage : {true, false}) {
        auto s = Make(voltage ? kind::VoltageSource : kind::CurrentSource);
        s->SetMode(SourceMode::Ac);
        s->SetAcPhase(10); // keeps the wave clear of zero near the end moment
        s->SetEndTime(true);
        s->SetEndMoment(end);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "voltage " << voltage << " t " << c.t);
            for (int n = 0; n < 3; ++n) {
                const double v = s->SourceValue(c.t, n);
                if (c.zero)
                    EXPECT_EQ(v, 0) << n;
                else
                    EXPECT_GT(std::fabs(v), 0.1) << n;
            }
        }
        s->SetEndTime(false);
        EXPECT_NE(s->SourceValue(end + 1, 0), 0);
    }
}

TEST(SourceTest, PulseLevelsAtAndAroundEdges) {
    // 1 kHz, 25 %: high 1 + 5 from 0 to 0.25 ms, then 1 until 1 ms.
    struct Case {
        double t;
        double value;
    };
    const Case cases[] = {
        {0, 6},
        {1e-4, 6},
        {0.25e-3 - 1e-9, 6},
        {0.25e-3 - 5e-13, 1}, // within the tolerance of the falling edge
        {0.25e-3, 1},
        {0.5e-3, 1},
        {1e-3 - 1e-9, 1},
        {1e-3 - 5e-13, 6}, // within the tolerance of the next rising edge
        {1e-3, 6},
        {2.1e-3, 6},
        {2.3e-3, 1},
        {-0.9e-3, 6}, // the train extends before 0
        {-0.5e-3, 1},
    };
    VoltageSource u(1);
    u.SetMode(SourceMode::Pulse);
    u.SetPulseFrequency(1000);
    u.SetPulseDuration(25);
    u.SetPulseAmplitude(5);
    u.SetPulseOffset(1);
    for (int direction : {1, -1}) {
        u.SetDirection(direction);
        for (const Case& c : cases) {
            EXPECT_EQ(u.SourceValue(c.t, 0), direction * c.value) << c.t;
            EXPECT_EQ(u.SourceValue(c.t, 1), 0) << c.t;
        }
    }
}

// 1 kHz, 25 %: T = 1 ms, tau = 0.25 ms, r = 1e-4 * 0.25 ms = 25 ns.
struct PulseFixture : testing::Test {
    PulseFixture() : u(1) {
        u.SetMode(SourceMode::Pulse);
        u.SetPulseFrequency(1000);
        u.SetPulseDuration(25);
    }
    static double Instant(int period, int q) {
        const double T = 1e-3, tau = 0.25e-3, r = 25e-9;
        const double offsets[] = {tau - r, tau, T - r, T};
        return period * T + offsets[q];
    }
    VoltageSource u;
};

TEST_F(PulseFixture, SwitchingInstantsFromAReferenceTime) {
    struct Case {
        double tref;
        int j;
        int period;
        int q;
    };
    const Case cases[] = {
        {0, 0, 0, 0}, // on the rising edge: that edge is not counted again
        {0, 1, 0, 1},
        {0, 2, 0, 2},
        {0, 3, 0, 3},
        {0, 4, 1, 0},
        {0, 9, 2, 1},
        {0, 4001, 1000, 1},
        {0.1e-3, 0, 0, 0},
        {0.249e-3, 0, 0, 0},
        {Instant(0, 0), 0, 0, 0}, // at or after
        {0.25e-3, 0, 0, 2},       // on the falling edge
        {0.25e-3 - 5e-13, 0, 0, 2},
        {0.25e-3 + 5e-13, 1, 0, 3},
        {0.5e-3, 0, 0, 2},
        {0.99999e-3, 0, 0, 3}, // after T - r, clearly before the edge
        {1e-3, 0, 1, 0},
        {1e-3 - 5e-13, 0, 1, 0},
        {5e-3, 2, 5, 2},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(u.SwitchingInstant(c.tref, c.j), Instant(c.period, c.q), 1e-15 * (1 + c.period))
            << "tref " << c.tref << " j " << c.j;
    }
    EXPECT_EQ(u.SwitchingInstant(0, -1), -1);
}

TEST_F(PulseFixture, GuardUsesTheShorterPartOfThePeriod) {
    u.SetPulseDuration(90); // tau = 0.9 ms, T - tau = 0.1 ms, r = 10 ns
    EXPECT_NEAR(u.SwitchingInstant(0.5e-3, 0), 0.9e-3 - 10e-9, 1e-16);
    EXPECT_NEAR(u.SwitchingInstant(0.5e-3, 2), 1e-3 - 10e-9, 1e-16);
    // On the falling edge the search starts 0.05 ms later, still before T - r.
    EXPECT_NEAR(u.SwitchingInstant(0.9e-3, 0), 1e-3 - 10e-9, 1e-16);
}

TEST_F(PulseFixture, SwitchingInstantCount) {
    struct Case {
        double t1, t2;
        int64_t count;
    };
    const Case cases[] = {
        {0, 1e-3, 4},    {0, 3e-3, 12},      {0, 0.5e-3, 2},          {0.1e-3, 0.2e-3, 0},
        {0, 0.25e-3, 2}, {0.25e-3, 1e-3, 2}, {0.3e-3, 0.99999e-3, 1}, {0.2e-3, 2.6e-3, 10},
        {1e-3, 1e-3, 0}, {2e-3, 1e-3, 0},    {0, 1.0, 4000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(u.SwitchingInstantCount(c.t1, c.t2), c.count) << c.t1 << " " << c.t2;
}

TEST_F(PulseFixture, CountAgreesWithTheInstantsAndAddsUp) {
    const double times[] = {0,    0.1e-3,  0.25e-3, 0.25e-3 - 5e-13, 0.6e-3,
                            1e-3, 1.26e-3, 2e-3,    3.7e-3,          Instant(2, 2)};
    for (double t1 : times) {
        for (double t2 : times) {
            if (t2 - t1 < 1e-9) // both on one edge: nothing between them
                continue;
            // Away from an edge at t2 the count is the instants below t2.
            const double p2 = t2 - std::floor(t2 / 1e-3) * 1e-3;
            const bool edge = std::fabs(p2) < 1e-12 || std::fabs(p2 - 0.25e-3) < 1e-12 ||
                              std::fabs(p2 - 1e-3) < 1e-12;
            int64_t below = 0;
            while (u.SwitchingInstant(t1, static_cast<int>(below)) < t2)
                ++below;
            EXPECT_EQ(u.SwitchingInstantCount(t1, t2), below + (edge ? 1 : 0)) << t1 << " " << t2;
            for (double t3 : times) {
                if (t3 <= t2)
                    continue;
                EXPECT_EQ(u.SwitchingInstantCount(t1, t2) + u.SwitchingInstantCount(t2, t3),
                          u.SwitchingInstantCount(t1, t3))
                    << t1 << " " << t2 << " " << t3;
            }
        }
    }
}

TEST_F(PulseFixture, DegenerateTrainsNeverSwitch) {
    // Description lines are not range-checked, so these can reach the analysis.
    struct Case {
        double frequency, duration;
    };
    const Case cases[] = {{1000, 0}, {1000, 100}, {0, 50}, {-5, 50}, {1000, 150}};
    for (const Case& c : cases) {
        u.SetPulseFrequency(c.frequency);
        u.SetPulseDuration(c.duration);
        EXPECT_EQ(u.SwitchingInstant(0, 0), -1) << c.frequency << " " << c.duration;
        EXPECT_EQ(u.SwitchingInstantCount(0, 1), 0);
    }
}

TEST(SourceTest, AcEndMomentAsSwitchingInstant) {
    for (bool voltage : {true, false}) {
        SCOPED_TRACE(voltage ? "voltage" : "current");
        auto s = Make(voltage ? kind::VoltageSource : kind::CurrentSource);
        s->SetMode(SourceMode::Ac);
        EXPECT_EQ(s->SwitchingInstant(0, 0), -1);
        EXPECT_EQ(s->SwitchingInstantCount(0, 10), 0);
        s->SetEndTime(true);
        s->SetEndMoment(2);
        EXPECT_EQ(s->SwitchingInstant(0, 0), 2);
        EXPECT_EQ(s->SwitchingInstant(5, 0), 2);
        EXPECT_EQ(s->SwitchingInstant(0, 1), -1);
        EXPECT_EQ(s->SwitchingInstantCount(0, 3), 1);
        EXPECT_EQ(s->SwitchingInstantCount(0, 2), 0);
        EXPECT_EQ(s->SwitchingInstantCount(2, 3), voltage ? 1 : 0);
        EXPECT_EQ(s->SwitchingInstantCount(2.5, 3), 0);
        // The end moment belongs to the harmonic mode only.
        s->SetMode(SourceMode::Dc);
        EXPECT_EQ(s->SwitchingInstant(0, 0), -1);
        EXPECT_EQ(s->SwitchingInstantCount(0, 3), 0);
    }
}

// One call on a source that has never been evaluated before.
double FreshAcValue(double frequency, double t, int n) {
    CurrentSource fresh(2);
    fresh.SetMode(SourceMode::Ac);
    fresh.SetAcAmplitude(3);
    fresh.SetAcFrequency(frequency);
    fresh.SetAcPhase(17);
    return fresh.SourceValue(t, n);
}

TEST(SourceTest, PowerCacheGivesFreshResultsInAnyOrder) {
    const int orders[] = {0, 1, 2, 3, 3, 5, 4, 0, 1, 7, 8, 2, 9, 10, 10, 1, 0};
    CurrentSource cached(1);
    cached.SetMode(SourceMode::Ac);
    cached.SetAcAmplitude(3);
    cached.SetAcFrequency(1234.5);
    cached.SetAcPhase(17);
    double t = 1e-4;
    for (int n : orders) {
        EXPECT_EQ(cached.SourceValue(t, n), FreshAcValue(1234.5, t, n)) << n;
        t += 3.7e-5;
    }
    // A new frequency is not served from the old power, for the same or the next order.
    cached.SourceValue(t, 4);
    cached.SetParam(1, 60);
    EXPECT_EQ(cached.SourceValue(t, 4), FreshAcValue(60, t, 4));
    cached.SetAcFrequency(75);
    EXPECT_EQ(cached.SourceValue(t, 5), FreshAcValue(75, t, 5));
}

} // namespace
} // namespace korvanix::model
