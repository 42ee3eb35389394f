#include "gui/dialogs/CAbortDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace korvanix::gui {
namespace {

bool ValidRow(int row) {
    return row == 0 || row == 1;
}

} // namespace

CAbortDlg::CAbortDlg(const QString& title, QWidget* centreOn)
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      centreOn_(centreOn) {
    setObjectName(QStringLiteral("ABORTDLG"));
    setWindowTitle(title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    const char* const captions[2] = {"Номер расчета :", "Выполнено :"};
    const char* const names[2] = {"run", "percent"};
    auto* grid = new QGridLayout;
    // A minimum for the column, not the labels: a label's own minimum would let a
    // long file name be cut instead of widening the window.
    grid->setColumnMinimumWidth(1, 140);
    for (int row = 0; row < 2; ++row) {
        captions_[row] = new QLabel(QString::fromUtf8(captions[row]), this);
        captions_[row]->setObjectName(QString::fromLatin1(names[row]) + QStringLiteral("Caption"));
        texts_[row] = new QLabel(this);
        texts_[row]->setObjectName(QString::fromLatin1(names[row]));
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
    CentreAndAttach();
}

void CAbortDlg::SetRowCaption(int row, const QString& caption) {
    if (ValidRow(row))
        captions_[row]->setText(caption);
}

void CAbortDlg::SetRowText(int row, const QString& text) {
    if (!ValidRow(row))
        return;
    texts_[row]->setText(text);
    // The work runs on this thread: paint now rather than whenever the caller
    // next lets events through.
    if (texts_[row]->isVisible())
        texts_[row]->repaint();
    emit rowTextChanged(row, text);
}

QString CAbortDlg::RowCaption(int row) const {
    return ValidRow(row) ? captions_[row]->text() : QString();
}

QString CAbortDlg::RowText(int row) const {
    return ValidRow(row) ? texts_[row]->text() : QString();
}

void CAbortDlg::CentreAndAttach() {
    if (!centreOn_)
        return;
    const QRect over = centreOn_->isWindow()
                           ? centreOn_->frameGeometry()
                           : QRect(centreOn_->mapToGlobal(QPoint(0, 0)), centreOn_->size());
    const QRect frame = frameGeometry();
    move(over.center() - QPoint(frame.width() / 2, frame.height() / 2));
    // Owned by the main window for the window manager (kept above it, no task bar
    // entry of its own) without being its child widget.
    QWindow* own = windowHandle();
    QWindow* owner = centreOn_->window()->windowHandle();
    if (own && owner)
        own->setTransientParent(owner);
}

void CAbortDlg::showEvent(QShowEvent* event) {
    // The callers set the texts between construction and show(); a long file name
    // widens the window, which is centred again at its final size.
    if (!event->spontaneous())
        CentreAndAttach();
    QDialog::showEvent(event);
}

void CAbortDlg::RequestStop() {
    if (stopRequested_)
        return;
    stopRequested_ = true;
    emit stopRequested();
}

void CAbortDlg::closeEvent(QCloseEvent* event) {
    // The work owns the window and ends it; closing only asks it to stop, so the
    // window does not vanish while the work goes on.
    event->ignore();
    RequestStop();
}

void CAbortDlg::reject() {
    RequestStop();
}

} // namespace korvanix::gui
