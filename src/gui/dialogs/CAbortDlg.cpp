#include "gui/dialogs/CAbortDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace korvanix::gui {

CAbortDlg::CAbortDlg(const QString& title, QWidget* centreOn)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("ABORTDLG"));
    setWindowTitle(title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    const char* const captions[2] = {"Номер расчета :", "Выполнено :"};
    const char* const names[2] = {"run", "percent"};
    auto* grid = new QGridLayout;
    for (int row = 0; row < 2; ++row) {
        captions_[row] = new QLabel(QString::fromUtf8(captions[row]), this);
        captions_[row]->setObjectName(QString::fromLatin1(names[row]) + QStringLiteral("Caption"));
        texts_[row] = new QLabel(this);
        texts_[row]->setObjectName(QString::fromLatin1(names[row]));
        texts_[row]->setMinimumWidth(140);
        grid->addWidget(captions_[row], row, 0);
        grid->addWidget(texts_[row], row, 1);
    }
    stop_ = new QPushButton(QString::fromUtf8("Стоп"), this);
    stop_->setObjectName(QStringLiteral("stop"));
    stop_->setDefault(true);
    connect(stop_, &QPushButton::clicked, this, &CAbortDlg::RequestStop);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(stop_, 0, Qt::AlignHCenter);
    adjustSize();
    if (centreOn) {
        const QRect frame = centreOn->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
}

void CAbortDlg::SetRowCaption(int row, const QString& caption) {
    captions_[std::clamp(row, 0, 1)]->setText(caption);
}

void CAbortDlg::SetRowText(int row, const QString& text) {
    row = std::clamp(row, 0, 1);
    texts_[row]->setText(text);
    emit rowTextChanged(row, text);
}

QString CAbortDlg::RowCaption(int row) const {
    return captions_[std::clamp(row, 0, 1)]->text();
}

QString CAbortDlg::RowText(int row) const {
    return texts_[std::clamp(row, 0, 1)]->text();
}

void CAbortDlg::RequestStop() {
    if (stopRequested_)
        return;
    stopRequested_ = true;
    emit stopRequested();
}

void CAbortDlg::closeEvent(QCloseEvent* event) {
    // The work owns the window and ends it; closing only asks it to stop.
    event->ignore();
    RequestStop();
}

void CAbortDlg::reject() {
    RequestStop();
}

} // namespace korvanix::gui
