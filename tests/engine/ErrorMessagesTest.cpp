#include "engine/ErrorMessages.h"

#include "model/Element.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace korvanix::engine {
namespace {

struct MessageCase {
    int code;
    model::ElementKind kind; // 0: no element carried
    const char* ownText;     // null: no own text
    const char* expected;
};

const MessageCase kMessages[] = {
    {1000, 0, nullptr, "Ошибка: Источник напряжения соединен параллельно с конденсатором."},
    {1001, 0, nullptr, "Ошибка: 2 источника напряжения соединены параллельно."},
    {1002, 0, nullptr, "Ошибка: 2 конденсатора соединены параллельно."},
    {2000, model::kind::Resistor, nullptr, "Резистор : элемент не соединен."},
    {2000, model::kind::Transistor, nullptr,
     "Биполярный транзистор n-p-n типа : элемент не соединен."},
    {2000, 0, nullptr, "Элемент не соединен."},
    {2001, model::kind::VoltageSource, nullptr, "Источник напряжения : элемент закорочен."},
    {2001, 0, nullptr, "Элемент закорочен."},
    {2002, 0, nullptr, "Добавьте землю к Вашей схеме."},
    {2003, model::kind::Ground, nullptr, "Земля : элемент не соединен."},
    {2003, 0, nullptr, "Элемент не соединен."},
    {3000, 0, nullptr, "Матрица Adu0 не квадратная."},
    {3001, 0, nullptr, "Схема физически некорректна."},
    {3002, 0, nullptr, "Ошибка: контур из источников напряжения."},
    {3003, 0, nullptr, "Ошибка: контур из источников напряжения и конденсаторов."},
    {3004, 0, nullptr, "Ошибка: емкостной контур."},
    {3100, 0, nullptr, "Ошибка работы с матрицами."},
    {3200, 0, nullptr, "Неверный параметр."},
    {3500, 0, nullptr,
     "Присоедините 1 гармонический источник\nко входу, чтобы рассчитать АЧХ/ФЧХ."},
    {3510, 0, nullptr,
     "Присоедините 1 гармонический источник\nко входу, чтобы рассчитать АЧХ/ФЧХ."},
    {4100, 0, nullptr, "Ошибка в подсхеме."},
    {4100, 0, "Подсхема: ошибка в строке 2", "Подсхема: ошибка в строке 2"},
    {4100, model::kind::Vccs, "Подсхема: ошибка в строке 1", "Подсхема: ошибка в строке 1"},
    // Only 4100 has a use for an own text; the table decides for the others.
    {2002, 0, "своё", "Добавьте землю к Вашей схеме."},
    {2000, model::kind::Capacitor, "своё", "Конденсатор : элемент не соединен."},
    {0, 0, nullptr, "Неизвестная ошибка в схеме."},
    {9999, 0, nullptr, "Неизвестная ошибка в схеме."},
    {-1, model::kind::Resistor, nullptr, "Неизвестная ошибка в схеме."},
    {4101, 0, "своё", "Неизвестная ошибка в схеме."},
};

TEST(SchemeErrorMessage, TableOfCodes) {
    for (const MessageCase& c : kMessages) {
        std::unique_ptr<model::Element> element =
            c.kind != 0 ? model::ElementFactory(c.kind, 5) : nullptr;
        const model::SchemeError error = c.ownText
                                             ? model::SchemeError(c.code, c.ownText, element.get())
                                             : model::SchemeError(c.code, element.get());
        EXPECT_EQ(SchemeErrorMessage(error), c.expected)
            << "code " << c.code << ", kind " << c.kind;
    }
}

TEST(SchemeErrorMessage, NamesTheKindNotTheElement) {
    std::unique_ptr<model::Element> r = model::ElementFactory(model::kind::Resistor, 1);
    r->number = 7;
    EXPECT_EQ(SchemeErrorMessage(model::SchemeError(2000, r.get())),
              "Резистор : элемент не соединен.");
}

TEST(AnalysisErrorMessage, AccuracyAndEverythingElse) {
    EXPECT_EQ(AnalysisErrorMessage(AnalysisError(200)),
              "Требуемая точность не достигнута!\nУменьшите шаг или увеличьте число точек");
    EXPECT_EQ(AnalysisErrorMessage(AnalysisError(201)), "Неизвестная ошибка анализа");
    EXPECT_EQ(AnalysisErrorMessage(0), "Неизвестная ошибка анализа");
    EXPECT_EQ(AnalysisError(AnalysisError::SweepElementNotFound).Code(), 201);
}

} // namespace
} // namespace korvanix::engine
