#include "gui/CTextWnd.h"

namespace korvanix::gui {

CTextWnd::CTextWnd(QWidget* owner, const QString& title) : QWidget(owner) {
    setWindowTitle(title);
}

void CTextWnd::SetText(const QString& /*text*/) {}

QString CTextWnd::Text() const {
    return {};
}

CTextWnd* ShowElementList(QWidget* /*owner*/, model::Scheme& /*scheme*/) {
    return nullptr;
}

void CloseElementList() {}

void SaveElementList(QWidget* /*parent*/, document::Document& /*doc*/, QString& /*statusText*/) {}

} // namespace korvanix::gui
