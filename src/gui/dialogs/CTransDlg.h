#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "gui/dialogs/SweepChoice.h"
#include "model/Element.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QLineEdit;

namespace korvanix::gui {

// "Переходный процесс": the interval parts, the outputs, the energy graph and
// the sweep of the transient analysis. Works on a copy of the record;
// Settings() holds the result after OK.
//
// Object names: "parts", "addPart", "deletePart", "partGroup", "startTime",
// "endTime", "byPoints", "byStep", "points", "step", "eps", "graphType", "energy",
// "sweepEnabled", "sweepButton", "help", "ok", "cancel", and those of
// OutputListsPanel.
class CTransDlg : public QDialog {
    Q_OBJECT
public:
    using SweepEditor = SweepChoice::Editor;

    // `offered`: the names the formulation offers, with their flags, in natural
    // order; `elements`: the sheet's elements, for the sweep. The list must outlive
    // the dialog.
    CTransDlg(const document::TransientSettings& settings,
              std::vector<analysis::OfferedOutput> offered, const model::ElementList& elements,
              QWidget* parent = nullptr);
    ~CTransDlg() override;

    const document::TransientSettings& Settings() const { return settings_; }

    // The index of the part on show (0-based).
    int ShownPart() const { return shown_; }

    // "Параметр..." opens CParamSweepDlg unless another editor is set here.
    void SetSweepEditor(SweepEditor editor);

    // The part the next dialog opens on, remembered by OK while the program runs.
    static int RememberedPart();
    static void SetRememberedPart(int index);

    void accept() override;

private:
    struct Failure {
        QLineEdit* field = nullptr;
        QString message;
    };

    void ShowPart(int index);
    void RebuildPartList();
    void SelectPartRow(int row);
    void PartRowChanged(int row);
    void ModeChanged();
    void Recompute();
    // Reads the part on show into the working copy, field by field in the order the
    // user is told about them; the first bad field ends it.
    Failure CheckShownPart();
    // CheckShownPart, reporting a failure.
    bool ValidateShownPart();
    void Refuse(const Failure& failure);
    void AddPart();
    void DeletePart();

    document::TransientSettings settings_;
    // Edited by the part list and the fields until OK copies it to settings_.
    document::TransientSettings work_;
    const model::ElementList* elements_;
    int shown_ = 0;
    // Set while the dialog fills its own fields: their notifications are not edits.
    bool quiet_ = false;
    struct Widgets;
    std::unique_ptr<Widgets> w_;
};

} // namespace korvanix::gui
