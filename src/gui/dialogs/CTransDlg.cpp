#include "gui/dialogs/CTransDlg.h"

namespace korvanix::gui {

struct CTransDlg::Widgets {};

CTransDlg::CTransDlg(const document::TransientSettings& settings,
                     std::vector<analysis::OfferedOutput>, const model::ElementList&,
                     QWidget* parent)
    : QDialog(parent), settings_(settings), w_(new Widgets) {}

CTransDlg::~CTransDlg() {
    delete w_;
}

} // namespace korvanix::gui
