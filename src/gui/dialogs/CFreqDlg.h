#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "gui/dialogs/SweepChoice.h"
#include "model/Element.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

namespace korvanix::gui {

// "АЧХ/ФЧХ": the frequency grid, the scales, the input quantity, the outputs,
// phase or hodograph and the sweep of the frequency analysis. Works on a copy of
// the record; Settings() holds the result after OK.
//
// Object names: "startFrequency", "endFrequency", "points", "frequencyScale",
// "yScale", "yScaleLabel", "inputElement", "inputQuantity", "phase", "hodograph",
// "sweepEnabled", "sweepButton", "help", "ok", "cancel", and those of
// OutputListsPanel.
class CFreqDlg : public QDialog {
    Q_OBJECT
public:
    using SweepEditor = SweepChoice::Editor;

    // `offered`: the names the formulation offers, with their flags, in natural
    // order; `elements`: the sheet's elements, for the sweep. The list must outlive
    // the dialog.
    CFreqDlg(const document::FrequencySettings& settings,
             std::vector<analysis::OfferedOutput> offered, const model::ElementList& elements,
             QWidget* parent = nullptr);
    ~CFreqDlg() override;

    const document::FrequencySettings& Settings() const { return settings_; }

    // "Параметр..." opens CParamSweepDlg unless another editor is set here.
    void SetSweepEditor(SweepEditor editor);

    void accept() override;

private:
    void FillQuantities(int32_t selected);
    void InputChanged();
    void HodographToggled(bool on);

    document::FrequencySettings settings_;
    // Collects the sweep record until OK copies it to settings_.
    document::FrequencySettings work_;
    const model::ElementList* elements_;
    // What the hodograph took away, given back when it is unchecked.
    bool phaseBeforeHodograph_ = false;
    int32_t yScaleBeforeHodograph_ = 1;
    struct Widgets;
    std::unique_ptr<Widgets> w_;
};

} // namespace korvanix::gui
