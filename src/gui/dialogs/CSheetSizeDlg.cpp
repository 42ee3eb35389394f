#include "gui/dialogs/CSheetSizeDlg.h"

namespace korvanix::gui {

CSheetSizeDlg::CSheetSizeDlg(int width, int height, QWidget* parent)
    : QDialog(parent), width_(width), height_(height) {}

} // namespace korvanix::gui
