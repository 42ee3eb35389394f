#pragma once

#include "document/SettingsRecords.h"
#include "model/Element.h"

#include <QDialog>

namespace korvanix::gui {

// "Изменение параметра": which parameter of which element a sweep varies, over
// which range, in how many runs and how (linearly or logarithmically). Works on
// a copy of the record; Sweep() holds the result after OK.
class CParamSweepDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTransient = 1;
    static constexpr int kFrequency = 2;

    // `analysisKind` kTransient or kFrequency (the frequency analysis cannot sweep
    // its sources).
    CParamSweepDlg(const model::ElementList& elements, int analysisKind,
                   const document::SweepSettings& sweep, QWidget* parent = nullptr);
    ~CParamSweepDlg() override;

    const document::SweepSettings& Sweep() const { return sweep_; }

private:
    document::SweepSettings sweep_;
    struct Widgets;
    Widgets* w_ = nullptr;
};

} // namespace korvanix::gui
