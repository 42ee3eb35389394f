#include "gui/dialogs/CFreqDlg.h"

namespace korvanix::gui {

struct CFreqDlg::Widgets {};

CFreqDlg::CFreqDlg(const document::FrequencySettings& settings,
                   std::vector<analysis::OfferedOutput>, const model::ElementList&, QWidget* parent)
    : QDialog(parent), settings_(settings), w_(new Widgets) {}

CFreqDlg::~CFreqDlg() {
    delete w_;
}

} // namespace korvanix::gui
