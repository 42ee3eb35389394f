#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "model/Element.h"

#include <QDialog>

#include <vector>

namespace korvanix::gui {

// "Переходный процесс": the interval parts, the outputs, the energy graph and
// the sweep of the transient analysis. Works on a copy of the record;
// Settings() holds the result after OK.
class CTransDlg : public QDialog {
    Q_OBJECT
public:
    // `offered`: the names the formulation offers, with their flags, in natural
    // order; `elements`: the sheet's elements, for the sweep.
    CTransDlg(const document::TransientSettings& settings,
              std::vector<analysis::OfferedOutput> offered, const model::ElementList& elements,
              QWidget* parent = nullptr);
    ~CTransDlg() override;

    const document::TransientSettings& Settings() const { return settings_; }

private:
    document::TransientSettings settings_;
    struct Widgets;
    Widgets* w_ = nullptr;
};

} // namespace korvanix::gui
