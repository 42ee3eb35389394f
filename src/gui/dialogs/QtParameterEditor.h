#pragma once

#include "model/ParameterEditor.h"

class QWidget;

namespace korvanix::gui {

// The parameter dialogs as the elements see them: the table page, the source
// page and the text label dialog, run modally over `parent`.
class QtParameterEditor : public model::ParameterEditor {
public:
    explicit QtParameterEditor(QWidget* parent) : parent_(parent) {}

    bool EditValues(const std::string& kindName, const std::string& identifier,
                    std::vector<model::ParamRow>& rows) override;
    bool EditSource(const std::string& kindName, const std::string& identifier,
                    model::SourcePageData& data) override;
    bool EditText(std::string& text, model::LogFont& font, uint32_t& colour) override;

private:
    QWidget* parent_;
};

} // namespace korvanix::gui
