#include "gui/Messages.h"

#include <QMessageBox>

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

MessageService& Messages() {
    return *current;
}

void SetMessageService(MessageService* service) {
    current = service ? service : &boxes;
}

} // namespace korvanix::gui
