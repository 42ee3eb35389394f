#include "gui/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace korvanix::gui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ABOUTDLG"));
    setWindowTitle(QString::fromUtf8("О программе"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("KORVANIX 1.1"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    name->setFont(bold);
    name->setAlignment(Qt::AlignCenter);
    auto* about = new QLabel(QString::fromUtf8("Анализ линейных электрических цепей:\n"
                                               "переходный процесс и частотные характеристики."),
                             this);
    about->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(about);
    layout->addWidget(buttons);
}

} // namespace korvanix::gui
