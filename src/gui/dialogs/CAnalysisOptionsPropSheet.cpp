#include "gui/dialogs/CAnalysisOptionsPropSheet.h"

namespace korvanix::gui {

struct CAnalysisOptionsPropSheet::Widgets {};

CAnalysisOptionsPropSheet::CAnalysisOptionsPropSheet(const document::AnalysisOptions& options,
                                                     QWidget* parent)
    : QDialog(parent), options_(options), w_(new Widgets) {}

CAnalysisOptionsPropSheet::~CAnalysisOptionsPropSheet() {
    delete w_;
}

} // namespace korvanix::gui
