#pragma once

#include "gui/CommandTable.h"

#include <QHash>
#include <QList>
#include <QWidget>

class QAction;
class QToolBar;

namespace korvanix::gui {

// An element palette: a small captioned tool window with one toolbar of check
// buttons, opened below its button of the main toolbar.
class CSubToolBar : public QWidget {
    Q_OBJECT
public:
    CSubToolBar(const PaletteEntry& entry, QWidget* parent);

    int ButtonId() const { return buttonId_; }
    QToolBar* Bar() const { return bar_; }
    // The action of an element button; null for any other command.
    QAction* Action(int id) const { return actions_.value(id, nullptr); }
    const QList<int>& Commands() const { return commands_; }

    // All element buttons up.
    void UncheckAll();
    // Opens the palette with its top left corner at a global point.
    void ShowAt(const QPoint& globalTopLeft);

signals:
    // The user closed the palette window.
    void closed(int buttonId);
    // An element button was pressed: `checked` is false when it was already down.
    void elementPressed(int id, bool checked);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnTriggered(int id, bool checked);

    int buttonId_;
    int width_;
    QToolBar* bar_;
    QList<int> commands_;
    QHash<int, QAction*> actions_;
};

} // namespace korvanix::gui
