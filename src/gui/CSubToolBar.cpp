#include "gui/CSubToolBar.h"

#include "gui/SymbolIcons.h"

#include <QAction>
#include <QCloseEvent>
#include <QPalette>
#include <QToolBar>
#include <QVBoxLayout>

namespace korvanix::gui {

CSubToolBar::CSubToolBar(const PaletteEntry& entry, QWidget* parent)
    : QWidget(parent, Qt::Tool), buttonId_(entry.buttonId), width_(entry.width),
      bar_(new QToolBar(this)) {
    setWindowTitle(QString::fromUtf8(entry.caption));
    setObjectName(QStringLiteral("Palette%1").arg(entry.buttonId));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setAutoFillBackground(true);

    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->setIconSize(QSize(16, 16));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar_);

    for (int id : entry.buttons) {
        if (id == 0) {
            if (!bar_->actions().isEmpty())
                bar_->addSeparator();
            continue;
        }
        const QString name = CommandShortName(id);
        auto* action = new QAction(name, this);
        const QIcon icon = CommandIcon(id);
        if (!icon.isNull())
            action->setIcon(icon);
        action->setToolTip(name);
        action->setCheckable(true);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id](bool on) { OnTriggered(id, on); });
        bar_->addAction(action);
        actions_.insert(id, action);
        commands_.append(id);
    }
    // Without icons the buttons show their names and need a column of their own.
    bool allIcons = true;
    for (QAction* a : std::as_const(actions_))
        allIcons = allIcons && !a->icon().isNull();
    if (!allIcons) {
        bar_->setOrientation(Qt::Vertical);
        bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    // The table's width, unless the buttons need more (larger icons on a dense screen).
    setFixedWidth(qMax(width_, bar_->sizeHint().width() + 4));
    adjustSize();
}

void CSubToolBar::UncheckAll() {
    for (QAction* a : std::as_const(actions_))
        a->setChecked(false);
}

void CSubToolBar::ShowAt(const QPoint& globalTopLeft) {
    adjustSize();
    move(globalTopLeft);
    show();
    raise();
}

void CSubToolBar::OnTriggered(int id, bool checked) {
    if (checked)
        for (auto it = actions_.cbegin(); it != actions_.cend(); ++it)
            if (it.key() != id)
                it.value()->setChecked(false);
    emit elementPressed(id, checked);
}

void CSubToolBar::closeEvent(QCloseEvent* event) {
    // Closing only hides: the palette opens again from its button.
    event->ignore();
    hide();
    emit closed(buttonId_);
}

} // namespace korvanix::gui
