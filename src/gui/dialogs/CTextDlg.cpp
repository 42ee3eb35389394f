#include "gui/dialogs/CTextDlg.h"

#include "gui/dialogs/DialogButtons.h"

#include "gui/dialogs/FontChooser.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvanix::gui {

CTextDlg::CTextDlg(const QString& text, const model::LogFont& font, uint32_t colour,
                   QWidget* parent)
    : QDialog(parent), text_(text), font_(font), colour_(colour), edit_(new QPlainTextEdit(this)),
      fontButton_(new QPushButton(QString::fromUtf8("Шрифт..."), this)) {
    setWindowTitle(QString::fromUtf8("Текст"));
    edit_->setObjectName(QStringLiteral("text"));
    // Labels from older files may end their lines with CR LF; the edit wants LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    edit_->setPlainText(shown);
    fontButton_->setObjectName(QStringLiteral("font"));
    connect(fontButton_, &QPushButton::clicked, this, &CTextDlg::ChooseFont);

    QDialogButtonBox* buttons = OkCancelButtons(this, false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(fontButton_, 0, Qt::AlignLeft);
    layout->addWidget(buttons);
    edit_->setFocus();
}

void CTextDlg::ChooseFont() {
    model::LogFont font = font_;
    uint32_t colour = colour_;
    if (Fonts().Choose(font, colour, this)) {
        font_ = font;
        colour_ = colour;
    }
}

void CTextDlg::accept() {
    text_ = edit_->toPlainText();
    QDialog::accept();
}

} // namespace korvanix::gui
