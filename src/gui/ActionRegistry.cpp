#include "gui/ActionRegistry.h"

#include "gui/CommandTable.h"
#include "gui/SymbolIcons.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

#include <utility>

namespace korvanix::gui {

ActionRegistry::ActionRegistry(QObject* parent) : QObject(parent) {}

ActionRegistry::~ActionRegistry() = default;

ActionRegistry::Command& ActionRegistry::Entry(int id) {
    return commands_[id];
}

QAction* ActionRegistry::Define(int id, const QString& text) {
    Command& command = Entry(id);
    if (command.action)
        return command.action;
    auto* action = new QAction(text.isEmpty() ? CommandShortName(id) : text, this);
    action->setData(id);
    action->setStatusTip(CommandPrompt(id));
    action->setToolTip(CommandShortName(id));
    action->setIconText(CommandShortName(id));
    const QIcon icon = CommandIcon(id);
    if (!icon.isNull())
        action->setIcon(icon);
    action->setShortcuts(CommandShortcuts(id));
    action->setCheckable(IsCheckCommand(id));
    action->setEnabled(!StartsDisabled(id));
    connect(action, &QAction::triggered, this, [this, id](bool checked) { Run(id, checked); });
    command.action = action;
    return action;
}

QAction* ActionRegistry::Add(int id, const QString& text, const QIcon& icon, bool checkable) {
    auto* action = new QAction(icon, text, this);
    action->setData(id);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, id](bool checked) { Run(id, checked); });
    Entry(id).action = action;
    return action;
}

void ActionRegistry::Adopt(int id, QAction* action) {
    Entry(id).action = action;
}

QAction* ActionRegistry::Action(int id) const {
    const auto it = commands_.constFind(id);
    return it != commands_.constEnd() ? it->action : nullptr;
}

void ActionRegistry::SetHandler(int id, Handler handler) {
    Entry(id).handler = std::move(handler);
}

void ActionRegistry::SetHandler(int id, std::function<void()> handler) {
    Entry(id).handler = [handler = std::move(handler)](bool) { handler(); };
}

bool ActionRegistry::HasHandler(int id) const {
    const auto it = commands_.constFind(id);
    return it != commands_.constEnd() && it->handler;
}

void ActionRegistry::SetEnabledRule(int id, Rule rule) {
    Entry(id).enabled = std::move(rule);
}

void ActionRegistry::SetCheckedRule(int id, Rule rule) {
    Entry(id).checked = std::move(rule);
}

bool ActionRegistry::Run(int id, bool checked) {
    const auto it = commands_.constFind(id);
    if (it == commands_.constEnd() || !it->handler)
        return false;
    // A copy: the handler may replace the registrations (or the registry's owner
    // may go) while it runs.
    const Handler handler = it->handler;
    emit aboutToRun(id);
    handler(checked);
    return true;
}

namespace {

template <typename Command> void Apply(const Command& command) {
    QAction* action = command.action;
    if (!action)
        return;
    if (command.enabled)
        action->setEnabled(command.enabled());
    if (command.checked && action->isCheckable())
        action->setChecked(command.checked());
}

} // namespace

void ActionRegistry::Refresh() {
    for (const Command& command : commands_)
        Apply(command);
}

void ActionRegistry::Refresh(const std::vector<int>& ids) {
    for (const int id : ids)
        if (const auto it = commands_.constFind(id); it != commands_.constEnd())
            Apply(*it);
}

QMenu* ActionRegistry::Menu(QWidget* parent, const QString& name,
                            const std::vector<MenuItemEntry>& items) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(name);
    for (const MenuItemEntry& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        connect(action, &QAction::triggered, this, [this, id = item.id] { Run(id); });
    }
    return menu;
}

void ActionRegistry::Sync(QMenu* menu) const {
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            action->setEnabled(IsEnabled(action->data().toInt()));
}

bool ActionRegistry::IsEnabled(int id) const {
    const auto it = commands_.constFind(id);
    if (it == commands_.constEnd())
        return true;
    if (it->action)
        return it->action->isEnabled();
    return !it->enabled || it->enabled();
}

} // namespace korvanix::gui

namespace korvanix::gui {

bool ActionRegistry::IsChecked(int id) const {
    const auto it = commands_.constFind(id);
    if (it == commands_.constEnd())
        return false;
    if (it->action && it->action->isCheckable())
        return it->action->isChecked();
    return it->checked && it->checked();
}

} // namespace korvanix::gui
