#include "gui/dialogs/CSheetSizeDlg.h"

#include "gui/dialogs/DialogButtons.h"

#include "gui/Messages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvanix::gui {
namespace {

constexpr int kSmallest = 1000;
constexpr int kLargest = 30000;

// A text that is not a whole number is as unusable as one out of range, and gets
// the same answer.
bool ReadSize(const QLineEdit* edit, int& value) {
    bool ok = false;
    value = edit->text().trimmed().toInt(&ok);
    return ok && value >= kSmallest && value <= kLargest;
}

void Refuse(QWidget* dialog, QLineEdit* edit, const char* message) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    Messages().Warn(dialog, QString::fromUtf8(message));
}

} // namespace

CSheetSizeDlg::CSheetSizeDlg(int width, int height, QWidget* parent)
    : QDialog(parent), width_(width), height_(height) {
    setWindowTitle(QString::fromUtf8("Размеры листа"));
    widthEdit_ = new QLineEdit(QString::number(width), this);
    widthEdit_->setObjectName(QStringLiteral("width"));
    heightEdit_ = new QLineEdit(QString::number(height), this);
    heightEdit_->setObjectName(QStringLiteral("height"));
    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8("Ширина :"), widthEdit_);
    fields->addRow(QString::fromUtf8("Высота :"), heightEdit_);

    QDialogButtonBox* buttons = OkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    widthEdit_->setFocus();
}

void CSheetSizeDlg::accept() {
    int width = 0;
    int height = 0;
    if (!ReadSize(widthEdit_, width)) {
        Refuse(this, widthEdit_, "Ширина должна быть от 1000 до 30000");
        return;
    }
    if (!ReadSize(heightEdit_, height)) {
        Refuse(this, heightEdit_, "Высота должна быть от 1000 до 30000");
        return;
    }
    width_ = width;
    height_ = height;
    QDialog::accept();
}

} // namespace korvanix::gui
