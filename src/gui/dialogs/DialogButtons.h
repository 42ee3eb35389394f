#pragma once

#include <QString>

class QDialog;
class QWidget;
class QDialogButtonBox;

namespace korvanix::gui {

// The "OK" and "Отмена" buttons of our dialogs (object names "ok" and "cancel",
// which the tests press), wired to the dialog's accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* dialog, bool okIsDefault = true);
// A new child widget under an object name, by which the tests find it.
template <typename Widget> Widget* Named(QWidget* parent, const char* objectName) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

// Adds "Справка" (object name "help"), which opens the help at a context number.
void AddHelpButton(QDialogButtonBox* buttons, int contextNumber);

} // namespace korvanix::gui
