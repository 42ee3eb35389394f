#pragma once

class QDialog;
class QDialogButtonBox;

namespace korvanix::gui {

// The "OK" and "Отмена" buttons of our dialogs (object names "ok" and "cancel",
// which the tests press), wired to the dialog's accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* dialog, bool okIsDefault = true);
// Adds "Справка" (object name "help"), which opens the help at a context number.
void AddHelpButton(QDialogButtonBox* buttons, int contextNumber);

} // namespace korvanix::gui
