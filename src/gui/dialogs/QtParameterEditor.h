#pragma once

#include "model/ParameterEditor.h"

class QWidget;

namespace korvanix::gui {

// The parameter dialogs as the elements see them: the table page, the source
// page and the text label dialog, run modally over `parent`.
class QtParameterEditor : public model::ParameterEditor {
public:
    explicit QtParameterEditor(QWidget* parent) : parent_(parent) {}

private:
    QWidget* parent_;
};

} // namespace korvanix::gui
