#pragma once

namespace korvanix::model {

// The parameter dialogs of the window layer, through which an element's
// EditParameters lets the user change its values. Every request answers false
// (cancelled) unless an implementation overrides it, so a test double needs only
// the requests it cares about.
class ParameterEditor {
public:
    virtual ~ParameterEditor() = default;
};

} // namespace korvanix::model
