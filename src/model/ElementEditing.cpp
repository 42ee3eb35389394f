#include "model/Element.h"
#include "model/ParameterEditor.h"

namespace korvanix::model {

int Element::EditParameters(ParameterEditor& /*editor*/) {
    return 0;
}

} // namespace korvanix::model
