#include "model/Element.h"
#include "model/ElementKind.h"
#include "model/ParameterEditor.h"
#include "model/SheetElements.h"
#include "model/Sources.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvanix::model {
namespace {

// Records what an element hands over and answers with whatever the test scripted.
class FakeEditor : public ParameterEditor {
public:
    bool EditValues(const std::string& kindName, const std::string& identifier,
                    std::vector<ParamRow>& rows) override {
        ++calls;
        seenKindName = kindName;
        seenIdentifier = identifier;
        seenRows = rows;
        if (onValues)
            onValues(rows);
        return confirm;
    }
    bool EditSource(const std::string& kindName, const std::string& identifier,
                    SourcePageData& data) override {
        ++calls;
        seenKindName = kindName;
        seenIdentifier = identifier;
        seenSource = data;
        if (onSource)
            onSource(data);
        return confirm;
    }
    bool EditText(std::string& text, LogFont& font, uint32_t& colour) override {
        ++calls;
        seenText = text;
        if (onText)
            onText(text, font, colour);
        return confirm;
    }

    bool confirm = true;
    int calls = 0;
    std::string seenKindName;
    std::string seenIdentifier;
    std::vector<ParamRow> seenRows;
    SourcePageData seenSource;
    std::string seenText;
    std::function<void(std::vector<ParamRow>&)> onValues;
    std::function<void(SourcePageData&)> onSource;
    std::function<void(std::string&, LogFont&, uint32_t&)> onText;
};

std::unique_ptr<Element> Make(ElementKind k) {
    auto e = ElementFactory(k, 1);
    EXPECT_NE(e, nullptr) << k;
    return e;
}

std::vector<double> Params(const Element& e) {
    std::vector<double> values;
    for (int i = 0; i < e.ParamCount(); ++i)
        values.push_back(e.GetParam(i));
    return values;
}

struct TableCase {
    ElementKind kind;
    std::string title;
    std::string identifier;
    std::vector<ParamRow> rows;
};

TEST(ElementEditingTest, TablePageGetsTitleNameAndEveryRowWithItsCheck) {
    const std::vector<TableCase> cases = {
        {kind::Resistor, "Резистор", "R1", {{1000, 2, "Сопротивление (R)", "Ом"}}},
        {kind::Capacitor,
         "Конденсатор",
         "C1",
         {{1e-5, 2, "Емкость (C)", "Ф"}, {0, 0, "Начальные условия (НУ)", "В"}}},
        {kind::Transformer,
         "Идеальный трансформатор",
         "TR1",
         {{10, 1, "Коэффициент трансформации (n)", ""}}},
        {kind::Transistor,
         "Биполярный транзистор n-p-n типа",
         "V1",
         {{0.99, 0, "Коэффициент передачи тока (alpha)", ""},
          {1, 2, "Сопротивление эмиттера (Re)", "Ом"},
          {100000, 2, "Сопротивление коллектора (Rc)", "Ом"},
          {10, 2, "Сопротивление базы (Rb)", "Ом"}}},
        {kind::Cccs, "ИТУТ", "ИТУТ1", {{1, 0, "Коэффициент управления (h)", "А/А"}}},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.title);
        auto e = Make(c.kind);
        FakeEditor editor;
        editor.confirm = false;
        EXPECT_EQ(e->EditParameters(editor), 0);
        EXPECT_EQ(editor.seenKindName, c.title);
        EXPECT_EQ(editor.seenIdentifier, c.identifier);
        ASSERT_EQ(editor.seenRows.size(), c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(editor.seenRows[i].value, c.rows[i].value) << i;
            EXPECT_EQ(editor.seenRows[i].check, c.rows[i].check) << i;
            EXPECT_EQ(editor.seenRows[i].caption, c.rows[i].caption) << i;
            EXPECT_EQ(editor.seenRows[i].unit, c.rows[i].unit) << i;
        }
    }
}

TEST(ElementEditingTest, OkStoresEveryRowAndReturnsOne) {
    auto lamp = Make(kind::Tube);
    FakeEditor editor;
    editor.onValues = [](std::vector<ParamRow>& rows) {
        rows[0].value = 0.002;
        rows[1].value = -5e4; // "not 0" lets a negative value pass
    };
    EXPECT_EQ(lamp->EditParameters(editor), 1);
    EXPECT_EQ(Params(*lamp), (std::vector<double>{0.002, -5e4}));
}

TEST(ElementEditingTest, CancelLeavesTheValuesAlone) {
    auto inductance = Make(kind::Inductance);
    const std::vector<double> before = Params(*inductance);
    FakeEditor editor;
    editor.confirm = false;
    editor.onValues = [](std::vector<ParamRow>& rows) {
        rows[0].value = 5;
        rows[1].value = 7;
    };
    EXPECT_EQ(inductance->EditParameters(editor), 0);
    EXPECT_EQ(Params(*inductance), before);
}

TEST(ElementEditingTest, RefusedValueFromTheEditorChangesNothingAtAll) {
    // Row 1 is acceptable, row 0 is not: storing row by row would keep row 1 and
    // then throw on row 0, leaving half an edit behind.
    auto capacitor = Make(kind::Capacitor);
    const std::vector<double> before = Params(*capacitor);
    FakeEditor editor;
    editor.onValues = [](std::vector<ParamRow>& rows) {
        rows[0].value = 0;
        rows[1].value = 3;
    };
    EXPECT_EQ(capacitor->EditParameters(editor), 0);
    EXPECT_EQ(Params(*capacitor), before);
}

TEST(ElementEditingTest, ElementsWithoutParametersOpenNothing) {
    for (ElementKind k : {kind::Ground, kind::Connector}) {
        auto e = Make(k);
        FakeEditor editor;
        EXPECT_EQ(e->EditParameters(editor), 0) << k;
        EXPECT_EQ(editor.calls, 0) << k;
    }
}

TEST(ElementEditingTest, SourceHandsOverEveryModesValues) {
    VoltageSource u(1);
    u.SetMode(SourceMode::Ac);
    u.SetDcValue(2);
    u.SetAcAmplitude(3);
    u.SetAcFrequency(400);
    u.SetAcPhase(-30);
    u.SetPulseFrequency(5000);
    u.SetPulseDuration(25);
    u.SetPulseAmplitude(6);
    u.SetPulseOffset(-1);
    u.SetEndTime(true);
    u.SetEndMoment(0.25);
    FakeEditor editor;
    editor.confirm = false;
    EXPECT_EQ(u.EditParameters(editor), 0);
    const SourcePageData& d = editor.seenSource;
    EXPECT_EQ(editor.seenKindName, "Источник напряжения");
    EXPECT_EQ(editor.seenIdentifier, "U1");
    EXPECT_EQ(d.kind, kind::VoltageSource);
    EXPECT_EQ(d.mode, 2);
    EXPECT_EQ(d.dcValue, 2);
    EXPECT_EQ(d.acAmplitude, 3);
    EXPECT_EQ(d.acFrequency, 400);
    EXPECT_EQ(d.acPhase, -30);
    EXPECT_EQ(d.pulseFrequency, 5000);
    EXPECT_EQ(d.pulseDuration, 25);
    EXPECT_EQ(d.pulseAmplitude, 6);
    EXPECT_EQ(d.pulseOffset, -1);
    EXPECT_TRUE(d.endTime);
    EXPECT_EQ(d.endMoment, 0.25);
}

TEST(ElementEditingTest, SourceModeSwitchKeepsTheOtherModesValues) {
    VoltageSource u(1);
    FakeEditor toAc;
    toAc.onSource = [](SourcePageData& d) {
        d.mode = 2;
        d.acAmplitude = 7;
        d.acFrequency = 60;
        d.endTime = true;
        d.endMoment = 3;
    };
    ASSERT_EQ(u.EditParameters(toAc), 1);
    EXPECT_EQ(u.Mode(), SourceMode::Ac);
    EXPECT_EQ(u.ParamCount(), 4);
    EXPECT_EQ(u.GetParam(3), 3);

    FakeEditor toPulse;
    toPulse.onSource = [](SourcePageData& d) {
        d.mode = 3;
        d.pulseDuration = 10;
    };
    ASSERT_EQ(u.EditParameters(toPulse), 1);
    EXPECT_EQ(u.Mode(), SourceMode::Pulse);
    EXPECT_EQ(u.PulseDuration(), 10);

    FakeEditor back;
    back.onSource = [](SourcePageData& d) { d.mode = 2; };
    ASSERT_EQ(u.EditParameters(back), 1);
    EXPECT_EQ(u.AcAmplitude(), 7);
    EXPECT_EQ(u.AcFrequency(), 60);
    EXPECT_TRUE(u.HasEndTime());
    EXPECT_EQ(u.EndMoment(), 3);
    EXPECT_EQ(back.seenSource.pulseDuration, 10);
}

TEST(ElementEditingTest, SourceCancelAndImpossibleAnswersChangeNothing) {
    struct Case {
        const char* what;
        bool confirm;
        std::function<void(SourcePageData&)> answer;
    };
    const std::vector<Case> cases = {
        {"cancel", false,
         [](SourcePageData& d) {
             d.mode = 2;
             d.dcValue = 9;
         }},
        {"pulse on a current source", true, [](SourcePageData& d) { d.mode = 3; }},
        {"unknown mode", true, [](SourcePageData& d) { d.mode = 7; }},
        {"zero amplitude", true,
         [](SourcePageData& d) {
             d.mode = 2;
             d.acAmplitude = 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CurrentSource i(1);
        i.SetDcValue(4);
        FakeEditor editor;
        editor.confirm = c.confirm;
        editor.onSource = c.answer;
        EXPECT_EQ(i.EditParameters(editor), 0);
        EXPECT_EQ(i.Mode(), SourceMode::Dc);
        EXPECT_EQ(i.DcValue(), 4);
        EXPECT_EQ(i.AcAmplitude(), 1);
    }
}

TEST(ElementEditingTest, TextLabelTakesTextFontAndColourBack) {
    TextLabel label(1);
    FakeEditor editor;
    editor.onText = [](std::string& text, LogFont& font, uint32_t& colour) {
        text = "Вход";
        font.height = 110;
        font.SetFace("Courier New");
        colour = 0x0000FF;
    };
    EXPECT_EQ(label.EditParameters(editor), 1);
    EXPECT_EQ(editor.seenText, "Текст");
    EXPECT_EQ(label.Text(), "Вход");
    EXPECT_EQ(label.font.height, 110);
    EXPECT_EQ(label.font.Face(), "Courier New");
    EXPECT_EQ(label.color, 0x0000FF);
}

TEST(ElementEditingTest, TextLabelEmptiedBecomesTheDefaultText) {
    TextLabel label(1);
    label.SetText("Выход");
    FakeEditor editor;
    editor.onText = [](std::string& text, LogFont&, uint32_t&) { text.clear(); };
    EXPECT_EQ(label.EditParameters(editor), 1);
    EXPECT_EQ(label.Text(), "Текст");
}

TEST(ElementEditingTest, TextLabelCancelKeepsEverything) {
    TextLabel label(1);
    label.SetText("Выход");
    FakeEditor editor;
    editor.confirm = false;
    editor.onText = [](std::string& text, LogFont& font, uint32_t& colour) {
        text = "x";
        font.height = 1;
        colour = 1;
    };
    EXPECT_EQ(label.EditParameters(editor), 0);
    EXPECT_EQ(label.Text(), "Выход");
    EXPECT_EQ(label.font.height, 120);
    EXPECT_EQ(label.color, 0x808000);
}

} // namespace
} // namespace korvanix::model
