#pragma once

#include "document/SettingsRecords.h"
#include "model/Element.h"

#include <QDialog>

#include <memory>

namespace korvanix::gui {

// "Изменение параметра": which parameter of which element a sweep varies, over
// which range, in how many runs and how (linearly or logarithmically). Works on
// a copy of the record; Sweep() holds the result after OK.
//
// Object names: "element", "parameter", "startValue", "endValue", "startUnit",
// "endUnit", "count", "method", "help", "ok", "cancel".
class CParamSweepDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTransient = 1;
    static constexpr int kFrequency = 2;

    // `analysisKind` kTransient or kFrequency (the frequency analysis cannot sweep
    // its sources). The element list must outlive the dialog.
    CParamSweepDlg(const model::ElementList& elements, int analysisKind,
                   const document::SweepSettings& sweep, QWidget* parent = nullptr);
    ~CParamSweepDlg() override;

    const document::SweepSettings& Sweep() const { return sweep_; }

    // Stores the record only when every field passes; otherwise the first bad
    // field is reported and the dialog stays open.
    void accept() override;

private:
    // The element the element box shows, null while the box is empty.
    const model::Element* ChosenElement() const;
    void ElementChanged();
    void ParameterChanged();

    document::SweepSettings sweep_;
    const model::ElementList* elements_;
    // Until the constructor ends the fields show the record, not the element's
    // present values.
    bool userChanges_ = false;
    struct Widgets;
    std::unique_ptr<Widgets> w_;
};

} // namespace korvanix::gui
