#include "engine/Engine.h"

#include "engine/EngineNotifier.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "model/Element.h"
#include "model/Scheme.h"
#include "netlist/MacroExpansion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace korvanix::engine {

Engine::Engine(model::Scheme& scheme) : scheme_(scheme) {}

void Engine::ForgetWorkingCopy() {
    graph_.Clear();
    state_.ForgetSources();
}

void Engine::PrepareWorkingCopy() {
    ForgetWorkingCopy();
    scheme_.generatedIds.clear();
    scheme_.originIds.clear();
    if (!inPlace_ || !netlist::AnalyseInPlace(scheme_))
        netlist::ExpandMacroModels(scheme_, &scheme_.generatedIds, &scheme_.originIds);
    model::RenumberNames(scheme_.workingElements);
    model::NumberNodes(scheme_.workingWires);
}

model::SchemeError Engine::FormulateTransient(EngineNotifier& notifier) {
    return Guarded(notifier, [&] {
        PrepareWorkingCopy();
        graph_.BuildTransient(scheme_, notifier);
        state_.Formulate(graph_);
    });
}

model::SchemeError Engine::Guarded(EngineNotifier& notifier, const std::function<void()>& steps) {
    try {
        steps();
    } catch (const model::SchemeError& error) {
        return MapErrorToSheet(error);
    } catch (const MatrixError& error) {
        notifier.PlainMessage(error.what());
        return model::SchemeError(scheme_error::MatrixFailure);
    }
    return model::SchemeError(0);
}

model::SchemeError Engine::MapErrorToSheet(const model::SchemeError& error) {
    const model::Element* carried = error.GetElement();
    if (!carried)
        return error;
    model::Element* drawn = DrawnElementOf(scheme_, *carried);
    if (drawn) {
        scheme_.ClearSelection();
        drawn->selected = true;
        scheme_.selection.push_back(drawn);
    }
    return model::SchemeError(error.Code(), drawn);
}

model::Element* DrawnElementOf(const model::Scheme& scheme, const model::Element& working) {
    int32_t id = working.id;
    const std::size_t pairs = std::min(scheme.generatedIds.size(), scheme.originIds.size());
    for (std::size_t k = 0; k < pairs; ++k) {
        if (scheme.generatedIds[k] == id) {
            id = scheme.originIds[k];
            break;
        }
    }
    return scheme.FindElement(id);
}

} // namespace korvanix::engine
