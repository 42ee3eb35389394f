#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "model/Element.h"

#include <QDialog>

#include <vector>

namespace korvanix::gui {

// "АЧХ/ФЧХ": the frequency grid, the scales, the input quantity, the outputs,
// phase or hodograph and the sweep of the frequency analysis. Works on a copy of
// the record; Settings() holds the result after OK.
class CFreqDlg : public QDialog {
    Q_OBJECT
public:
    CFreqDlg(const document::FrequencySettings& settings,
             std::vector<analysis::OfferedOutput> offered, const model::ElementList& elements,
             QWidget* parent = nullptr);
    ~CFreqDlg() override;

    const document::FrequencySettings& Settings() const { return settings_; }

private:
    document::FrequencySettings settings_;
    struct Widgets;
    Widgets* w_ = nullptr;
};

} // namespace korvanix::gui
