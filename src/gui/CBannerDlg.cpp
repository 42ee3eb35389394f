#include "gui/CBannerDlg.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace korvanix::gui {

CBannerDlg::CBannerDlg(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("BANNERDLG"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    auto* name = new QLabel(QStringLiteral("KORVANIX 1.1"), this);
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    auto* line = new QLabel(QString::fromUtf8("Анализ линейных электрических цепей"), this);
    line->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    layout->addWidget(line);
    setStyleSheet(QStringLiteral("QDialog { background: white; border: 1px solid gray; }"));
}

} // namespace korvanix::gui
