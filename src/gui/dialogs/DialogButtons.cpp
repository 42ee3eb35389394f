#include "gui/dialogs/DialogButtons.h"

#include "gui/HelpViewer.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace korvanix::gui {

QDialogButtonBox* OkCancelButtons(QDialog* dialog, bool okIsDefault) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QString::fromUtf8("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(okIsDefault);
    buttons->addButton(QString::fromUtf8("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancel"));
    // accept and reject are virtual: a dialog's own validation runs.
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

void AddHelpButton(QDialogButtonBox* buttons, int contextNumber) {
    QPushButton* help =
        buttons->addButton(QString::fromUtf8("Справка"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("help"));
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, buttons,
                     [contextNumber] { ShowHelpTopic(contextNumber); });
}

} // namespace korvanix::gui
