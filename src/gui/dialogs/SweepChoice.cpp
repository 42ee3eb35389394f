#include "gui/dialogs/SweepChoice.h"

#include "analysis/Sweep.h"
#include "gui/Messages.h"
#include "gui/dialogs/CParamSweepDlg.h"

#include <QCheckBox>
#include <QPushButton>

#include <string>

namespace korvanix::gui {

SweepChoice::SweepChoice(QWidget* dialog, const model::ElementList& elements, int analysisKind)
    : QObject(dialog), dialog_(dialog), elements_(elements),
      box_(new QCheckBox(QString::fromUtf8("&Параметр"), dialog)),
      button_(new QPushButton(QString::fromUtf8("Параметр..."), dialog)) {
    box_->setObjectName(QStringLiteral("sweepEnabled"));
    button_->setObjectName(QStringLiteral("sweepButton"));
    editor_ = [this, analysisKind](document::SweepSettings& sweep, QWidget* owner) {
        CParamSweepDlg sweepDialog(elements_, analysisKind, sweep, owner);
        if (sweepDialog.exec() != QDialog::Accepted)
            return false;
        sweep = sweepDialog.Sweep();
        return true;
    };
    connect(box_, &QCheckBox::toggled, button_, &QPushButton::setEnabled);
}

void SweepChoice::Show(int32_t enabled) {
    box_->setChecked(enabled != 0);
    button_->setEnabled(box_->isChecked());
}

void SweepChoice::Edit(document::SweepSettings& sweep) {
    document::SweepSettings edited = sweep;
    if (editor_ && editor_(edited, dialog_))
        sweep = edited;
}

bool SweepChoice::Store(int32_t& enabled, const document::SweepSettings& sweep) {
    const int32_t on = box_->isChecked() ? 1 : 0;
    if (on != 0) {
        const std::string message = analysis::CheckSweepChoice(sweep, elements_);
        if (!message.empty()) {
            button_->setFocus(Qt::OtherFocusReason);
            Messages().Warn(dialog_, QString::fromStdString(message));
            return false;
        }
    }
    enabled = on;
    return true;
}

} // namespace korvanix::gui
