#include "gui/dialogs/CSchemeOptionsPropSheet.h"

namespace korvanix::gui {

CSchemeOptionsPropSheet::CSchemeOptionsPropSheet(const document::SchemeOptions& options,
                                                 QWidget* parent)
    : QDialog(parent), options_(options) {}

} // namespace korvanix::gui
