#include "gui/dialogs/CParamSweepDlg.h"

namespace korvanix::gui {

struct CParamSweepDlg::Widgets {};

CParamSweepDlg::CParamSweepDlg(const model::ElementList&, int, const document::SweepSettings& sweep,
                               QWidget* parent)
    : QDialog(parent), sweep_(sweep), w_(new Widgets) {}

CParamSweepDlg::~CParamSweepDlg() {
    delete w_;
}

} // namespace korvanix::gui
