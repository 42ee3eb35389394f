#include "gui/Messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace korvanix::gui {

namespace {
MessageService boxes;
MessageService* current = &boxes;
} // namespace

void MessageService::Warn(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QString::fromUtf8(kAppTitle), text);
}

void MessageService::WarnCaptioned(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::warning(parent, caption, text);
}

void MessageService::Inform(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString::fromUtf8(kAppTitle), text);
}

Reply MessageService::Ask(QWidget* parent, const QString& text, bool withCancel) {
    auto buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    switch (QMessageBox::question(parent, QString::fromUtf8(kAppTitle), text, buttons)) {
    case QMessageBox::Yes:
        return Reply::Yes;
    case QMessageBox::No:
        return Reply::No;
    default:
        return withCancel ? Reply::Cancel : Reply::No;
    }
}

int MessageService::Choose(QWidget* parent, const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppTitle), text,
                    QMessageBox::NoButton, parent);
    QList<QAbstractButton*> pressable;
    for (const QString& caption : buttons)
        pressable.append(box.addButton(caption, QMessageBox::AcceptRole));
    if (pressable.isEmpty())
        return -1;
    box.setDefaultButton(qobject_cast<QPushButton*>(pressable.first()));
    box.setEscapeButton(pressable.last());
    box.exec();
    const int index = static_cast<int>(pressable.indexOf(box.clickedButton()));
    return index < 0 ? static_cast<int>(pressable.size()) - 1 : index;
}

MessageService& Messages() {
    return *current;
}

void SetMessageService(MessageService* service) {
    current = service ? service : &boxes;
}

} // namespace korvanix::gui
