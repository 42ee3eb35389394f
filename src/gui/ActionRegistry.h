#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QIcon;
class QMenu;
class QWidget;

namespace korvanix::gui {

struct MenuItemEntry;

// Every command of the program in one place: its action (text, prompt, short
// name, icon, shortcuts, check state), what it does and when it is enabled.
// Menus, toolbars, palettes, context menus, keys and tests all go through it;
// no window keeps states of its own. Whoever owns a command registers its
// handler and rules; Refresh applies the rules to the actions.
class ActionRegistry : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(bool checked)>;
    using Rule = std::function<bool()>;

    explicit ActionRegistry(QObject* parent = nullptr);
    ~ActionRegistry() override;

    // The command's action, made on first use from the command table: `text`
    // (empty: the short name), prompt, tool tip, icon, shortcuts, checkable,
    // and its first enabled state. Its trigger runs the handler.
    QAction* Define(int id, const QString& text = QString());
    // A command of a window's own (a graph window's toolbar or menu): its
    // text, icon (may be null) and check button; its trigger runs the handler.
    QAction* Add(int id, const QString& text, const QIcon& icon, bool checkable);
    // An action made elsewhere (a palette button, whose trigger its palette
    // handles) as the command's action.
    void Adopt(int id, QAction* action);
    // Null when the command has no action.
    QAction* Action(int id) const;

    void SetHandler(int id, Handler handler);
    void SetHandler(int id, std::function<void()> handler);
    bool HasHandler(int id) const;
    // Commands without a rule are enabled, or keep their check state.
    void SetEnabledRule(int id, Rule rule);
    void SetCheckedRule(int id, Rule rule);

    // Runs the command's handler (a check command with `checked`); false when
    // nobody handles it.
    bool Run(int id, bool checked = false);
    // Every rule applied to its action.
    void Refresh();
    // Only these commands' rules (a state that touches a few commands).
    void Refresh(const std::vector<int>& ids);
    // A menu of its own texts whose items run the commands; Sync gives its
    // items the commands' states before it opens.
    QMenu* Menu(QWidget* parent, const QString& name, const std::vector<MenuItemEntry>& items);
    void Sync(QMenu* menu) const;
    // The command's state by its rule (when it has an action, as the action shows it).
    bool IsEnabled(int id) const;
    bool IsChecked(int id) const;

signals:
    // A command is about to run (from any source).
    void aboutToRun(int id);

private:
    struct Command {
        QAction* action = nullptr;
        Handler handler;
        Rule enabled;
        Rule checked;
    };
    Command& Entry(int id);

    QHash<int, Command> commands_;
};

} // namespace korvanix::gui
