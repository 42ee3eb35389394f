#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QAction;
class QLabel;
class QSettings;
class QToolBar;

namespace korvanix::gui {

class ActionRegistry;
class CSchemeWnd;
class CSubToolBar;
class DocumentController;
class RecentFiles;

// The frame of the program: menus, shortcut keys, the main toolbar, the status bar,
// the three element palettes and the scheme window in the middle. Commands it does
// not run itself go to the scheme window.
class CMainWnd : public QMainWindow {
    Q_OBJECT
public:
    // `settings` receives the placement on close; null keeps nothing.
    explicit CMainWnd(QSettings* settings = nullptr, QWidget* parent = nullptr);
    ~CMainWnd() override;

    CSchemeWnd* SchemeWnd() const { return scheme_; }
    DocumentController& Documents() const { return *docs_; }
    QToolBar* MainToolBar() const { return toolBar_; }
    // The one action of a command, shared by menu, toolbar and palettes.
    QAction* Action(int id) const;
    // Every command of the program.
    ActionRegistry& Actions() const { return *actions_; }
    CSubToolBar* Palette(int buttonId) const;
    // The recent documents, newest first.
    QStringList RecentDocuments() const;
    // The numbered menu entries of the recent documents.
    const QList<QAction*>& RecentActions() const { return recentActions_; }
    const std::vector<CSubToolBar*>& Palettes() const { return palettes_; }

    // Runs a command of the menus, toolbars, palettes or keys.
    void OnCommand(int id);

    // The two parts of the status bar.
    QString HoverText() const;
    QString StatusText() const;
    // Writes the second part, only when the text differs from the one shown.
    void ShowStatus(const QString& text);
    int StatusWrites() const { return statusWrites_; }

    static QString TitleFor(const QString& documentName);

signals:
    // A command is about to go to the scheme window.
    void schemeCommand(int id);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A document file dropped on the window is opened, after the save prompt.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePalettes();
    void ConnectSchemeWindow();

    void TogglePalette(int buttonId, bool open);
    void OnPaletteClosed(int buttonId);
    void OnElementPressed(int id, bool checked);
    void OnTextButton(bool checked);
    void UncheckPlacingButtons();
    void CloseAllPalettes();
    void OnDeactivated();
    // `remember`: the user chose it, and the next run starts so.
    void SetShowGrid(bool on, bool remember);
    // Asks for the autosave interval in minutes (0: off) and keeps it.
    void EditAutosaveInterval();
    // The numbered entries of the recent documents in "&Файл", before its last
    // separator.
    void RebuildRecentMenu();
    void OpenRecent(const QString& path);

    // Where the grid setting is kept beside the window placement.
    static constexpr const char* kShowGridKey = "1.1/ShowGrid";
    void Forward(int id);

    QSettings* settings_;
    DocumentController* docs_ = nullptr;
    CSchemeWnd* scheme_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* hoverLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    int statusWrites_ = 0;
    ActionRegistry* actions_ = nullptr;
    // The commands the frame handles itself; the others go to the sheet.
    QList<int> ownCommands_;
    std::unique_ptr<RecentFiles> recent_;
    QMenu* fileMenu_ = nullptr;
    QList<QAction*> recentActions_;
    std::vector<CSubToolBar*> palettes_;
};

} // namespace korvanix::gui
