#include "gui/dialogs/CPropSheet.h"

#include "gui/dialogs/DialogButtons.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

namespace korvanix::gui {
namespace {
int lastParameterPage = 0;
} // namespace

CPropertySheet::CPropertySheet(const QString& title, int* rememberedPage, QWidget* parent)
    : QDialog(parent), tabs_(new QTabWidget(this)), rememberedPage_(rememberedPage) {
    setWindowTitle(title);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

void CPropertySheet::AddPage(CPropertyPage* page, const QString& caption) {
    // Chosen as the pages arrive, so the sheet opens on it however it is shown.
    if (tabs_->addTab(page, caption) == *rememberedPage_)
        tabs_->setCurrentIndex(*rememberedPage_);
}

void CPropertySheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The user types the value at once: the first field of the shown page takes
    // the focus with its text selected, as a rejected field does.
    if (QWidget* page = tabs_->currentWidget())
        for (QLineEdit* edit : page->findChildren<QLineEdit*>())
            if (edit->isVisibleTo(page) && edit->isEnabled()) {
                edit->setFocus(Qt::OtherFocusReason);
                edit->selectAll();
                break;
            }
}

void CPropertySheet::accept() {
    // The shown page first, where the user is looking; then the others.
    const int shown = tabs_->currentIndex();
    std::vector<int> order;
    if (shown >= 0)
        order.push_back(shown);
    for (int i = 0; i < tabs_->count(); ++i)
        if (i != shown)
            order.push_back(i);
    for (int i : order) {
        auto* page = static_cast<CPropertyPage*>(tabs_->widget(i));
        if (!page->Validate()) {
            tabs_->setCurrentIndex(i);
            return;
        }
    }
    for (int i = 0; i < tabs_->count(); ++i)
        static_cast<CPropertyPage*>(tabs_->widget(i))->Apply();
    QDialog::accept();
}

void CPropertySheet::done(int result) {
    if (tabs_->currentIndex() >= 0)
        *rememberedPage_ = tabs_->currentIndex();
    QDialog::done(result);
}

CPropSheet::CPropSheet(const QString& kindName, QWidget* parent)
    : CPropertySheet(QString::fromUtf8("Параметры: ") + kindName, &lastParameterPage, parent) {}

int CPropSheet::LastActivePage() {
    return lastParameterPage;
}

} // namespace korvanix::gui
