#include "engine/ErrorMessages.h"

#include "model/Element.h"
#include "model/ElementKind.h"

namespace korvanix::engine {

namespace {

// "<kind display name> : <suffix>" when the error names an element, else the
// element-less sentence.
std::string AboutElement(const model::SchemeError& error, const char* suffix,
                         const char* withoutElement) {
    if (const model::Element* e = error.GetElement())
        return model::KindDisplayName(e->kind) + " : " + suffix;
    return withoutElement;
}

} // namespace

std::string SchemeErrorMessage(const model::SchemeError& error) {
    using namespace scheme_error;
    switch (error.Code()) {
    case CapacitorParallelToSource:
        return "Ошибка: Источник напряжения соединен параллельно с конденсатором.";
    case ParallelSources:
        return "Ошибка: 2 источника напряжения соединены параллельно.";
    case ParallelCapacitors:
        return "Ошибка: 2 конденсатора соединены параллельно.";
    case NotConnected:
    case GroundUnused:
        return AboutElement(error, "элемент не соединен.", "Элемент не соединен.");
    case Shorted:
        return AboutElement(error, "элемент закорочен.", "Элемент закорочен.");
    case NoGround:
        return "Добавьте землю к Вашей схеме.";
    case Adu0NotSquare:
        return "Матрица Adu0 не квадратная.";
    case PhysicallyIncorrect:
        return "Схема физически некорректна.";
    case SourceLoop:
        return "Ошибка: контур из источников напряжения.";
    case SourceCapacitorLoop:
        return "Ошибка: контур из источников напряжения и конденсаторов.";
    case CapacitorLoop:
        return "Ошибка: емкостной контур.";
    case MatrixFailure:
        return "Ошибка работы с матрицами.";
    case BadParameter:
        return "Неверный параметр.";
    case NoHarmonicSource:
    case SeveralHarmonicSources:
        return "Присоедините 1 гармонический источник\nко входу, чтобы рассчитать АЧХ/ФЧХ.";
    case Subcircuit:
        return error.HasMessage() ? error.Message() : "Ошибка в подсхеме.";
    default:
        return "Неизвестная ошибка в схеме.";
    }
}

std::string AnalysisErrorMessage(int code) {
    if (code == AnalysisError::AccuracyMissed)
        return "Требуемая точность не достигнута!\nУменьшите шаг или увеличьте число точек";
    return "Неизвестная ошибка анализа";
}

} // namespace korvanix::engine
