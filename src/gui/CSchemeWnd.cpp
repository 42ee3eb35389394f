#include "gui/CSchemeWnd.h"

namespace korvanix::gui {

CSchemeWnd::CSchemeWnd(QWidget* parent) : QAbstractScrollArea(parent) {}
CSchemeWnd::~CSchemeWnd() = default;

bool CSchemeWnd::OnCommand(int /*id*/) {
    return false;
}
bool CSchemeWnd::IsCommandEnabled(int /*id*/) const {
    return false;
}
bool CSchemeWnd::CloseDocument() {
    return true;
}
void CSchemeWnd::RefreshCommandStates() {}
void CSchemeWnd::EndModes() {}
void CSchemeWnd::SetShowNodes(bool /*on*/) {}
bool CSchemeWnd::IsPlacing() const {
    return false;
}

} // namespace korvanix::gui
