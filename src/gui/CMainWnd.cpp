#include "gui/CMainWnd.h"

#include "document/ScmFile.h"
#include "gui/ActionRegistry.h"
#include "gui/AnalysisRunner.h"
#include "gui/Application.h"
#include "gui/Autosave.h"
#include "gui/CAboutDlg.h"
#include "gui/CSchemeWnd.h"
#include "gui/CSubToolBar.h"
#include "gui/CommandIds.h"
#include "gui/CommandTable.h"
#include "gui/DocumentController.h"
#include "gui/HelpViewer.h"
#include "gui/Messages.h"
#include "gui/RecentFiles.h"
#include "gui/SymbolIcons.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

namespace korvanix::gui {

namespace {

// The status bar parts end at these x positions.
constexpr int kHoverPartEnd = 330;
constexpr int kStatusPartEnd = 620;

} // namespace

CMainWnd::CMainWnd(QSettings* settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings) {
    docs_ = new DocumentController(this);
    docs_->SetDialogParent(this);
    actions_ = new ActionRegistry(this);
    scheme_ = new CSchemeWnd(this, docs_, actions_);
    scheme_->setObjectName(QStringLiteral("Scheme"));
    setCentralWidget(scheme_);
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreatePalettes();
    ConnectSchemeWindow();
    recent_ = std::make_unique<RecentFiles>(settings_);
    RebuildRecentMenu();
    connect(docs_, &DocumentController::fileUsed, this, [this](const QString& path) {
        recent_->Add(path);
        RebuildRecentMenu();
    });
    setWindowTitle(TitleFor(QString::fromStdString(scheme_->Doc().Name())));
    scheme_->RefreshCommandStates();
    // The grid is the user's taste, not the document's: it stays from one run
    // to the next.
    SetShowGrid(!settings_ || settings_->value(QString::fromLatin1(kShowGridKey), true).toBool(),
                false);
    if (settings_)
        docs_->Recovery().SetMinutes(ReadAutosaveMinutes(*settings_));
    ShowStatus(QStringLiteral("Loaded Ok"));
}

QStringList CMainWnd::RecentDocuments() const {
    return recent_->Files();
}

void CMainWnd::RebuildRecentMenu() {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    const QList<QAction*> items = fileMenu_->actions();
    // After a separator of their own, before the one that leads to "В&ыход".
    QAction* before = nullptr;
    for (int i = items.size() - 1; i >= 0; --i)
        if (items.at(i)->isSeparator()) {
            before = items.at(i);
            break;
        }
    const QStringList files = recent_->Files();
    if (!files.isEmpty()) {
        QAction* separator = new QAction(fileMenu_);
        separator->setSeparator(true);
        fileMenu_->insertAction(before, separator);
        recentActions_.append(separator);
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files.at(i);
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1 == 10 ? 0 : i + 1).arg(QFileInfo(path).fileName()),
            fileMenu_);
        action->setStatusTip(path);
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenRecent(path); });
        fileMenu_->insertAction(before, action);
        recentActions_.append(action);
    }
}

void CMainWnd::OpenRecent(const QString& path) {
    if (!QFileInfo::exists(path)) {
        // Gone since it was used: said as any file that cannot be opened is, and
        // taken off the list.
        Messages().Warn(this, QString::fromStdString(document::CannotOpenForReadingMessage(
                                  QFileInfo(path).fileName().toStdString())));
        recent_->Remove(path);
        RebuildRecentMenu();
        return;
    }
    docs_->Receive(path);
}

void CMainWnd::EditAutosaveInterval() {
    bool ok = false;
    const int minutes = QInputDialog::getInt(
        this, QString::fromUtf8("Автосохранение"),
        QString::fromUtf8("Сохранять копию несохраненной схемы для восстановления\n"
                          "каждые (мин, 0 - не сохранять):"),
        docs_->Recovery().Minutes(), 0, Autosave::kMaxMinutes, 1, &ok);
    if (!ok)
        return;
    docs_->Recovery().SetMinutes(minutes);
    if (settings_)
        WriteAutosaveMinutes(*settings_, minutes);
}

void CMainWnd::SetShowGrid(bool on, bool remember) {
    scheme_->SetShowGrid(on);
    if (QAction* action = Action(cmd::ShowGrid))
        action->setChecked(on);
    if (remember && settings_)
        settings_->setValue(QString::fromLatin1(kShowGridKey), on);
}

CMainWnd::~CMainWnd() {
    // The sheet uses the document controller and the actions to its end: it
    // goes before them (children go in the order they were made).
    delete scheme_;
}

QString CMainWnd::TitleFor(const QString& documentName) {
    return QString::fromUtf8(kAppTitle) + QStringLiteral(" - ") + documentName;
}

CSubToolBar* CMainWnd::Palette(int buttonId) const {
    for (CSubToolBar* p : palettes_)
        if (p->ButtonId() == buttonId)
            return p;
    return nullptr;
}

QAction* CMainWnd::Action(int id) const {
    return actions_->Action(id);
}

void CMainWnd::CreateActions() {
    for (const MenuEntry& menu : MainMenus())
        for (const MenuItemEntry& item : menu.items)
            if (item.id != 0)
                addAction(actions_->Define(item.id, ItemText(item.text)));
    for (int id : MainToolbarButtons())
        if (id != 0)
            addAction(actions_->Define(id));

    const auto own = [this](int id, ActionRegistry::Handler handler) {
        ownCommands_.append(id);
        actions_->SetHandler(id, std::move(handler));
    };
    for (int id : {cmd::PaletteBasic, cmd::PaletteSources, cmd::PaletteActive})
        own(id, [this, id](bool checked) { TogglePalette(id, checked); });
    own(cmd::PlaceText, [this](bool checked) { OnTextButton(checked); });
    own(cmd::ShowGrid, [this](bool checked) { SetShowGrid(checked, true); });
    own(cmd::Exit, [this](bool) { close(); });
    own(cmd::HelpContents, [](bool) { ShowHelpContents(); });
    own(cmd::HelpIndex, [](bool) { ShowHelpIndex(); });
    own(cmd::About, [this](bool) {
        CAboutDlg dlg(this);
        dlg.exec();
    });
    own(cmd::AutosaveInterval, [this](bool) { EditAutosaveInterval(); });
    // Whatever goes to the sheet is announced on its way.
    connect(actions_, &ActionRegistry::aboutToRun, this, [this](int id) {
        if (!ownCommands_.contains(id))
            emit schemeCommand(id == cmd::PlaceTextLabel ? cmd::PlaceText : id);
    });
}

void CMainWnd::CreateMenus() {
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    for (const MenuEntry& entry : MainMenus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(entry.title));
        if (!fileMenu_)
            fileMenu_ = menu;
        for (const MenuItemEntry& item : entry.items) {
            if (item.id == 0)
                menu->addSeparator();
            else
                menu->addAction(Action(item.id));
        }
    }
}

void CMainWnd::CreateToolBar() {
    toolBar_ = addToolBar(QStringLiteral("MainToolBar"));
    toolBar_->setObjectName(QStringLiteral("MainToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(20, 20));
    toolBar_->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    for (int id : MainToolbarButtons()) {
        if (id == 0)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(Action(id));
    }
}

void CMainWnd::CreateStatusBar() {
    hoverLabel_ = new QLabel(this);
    hoverLabel_->setObjectName(QStringLiteral("HoverPart"));
    hoverLabel_->setFixedWidth(kHoverPartEnd);
    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("StatusPart"));
    statusLabel_->setFixedWidth(kStatusPartEnd - kHoverPartEnd);
    statusBar()->addWidget(hoverLabel_);
    statusBar()->addWidget(statusLabel_);
    statusBar()->setSizeGripEnabled(false);
}

void CMainWnd::CreatePalettes() {
    for (const PaletteEntry& entry : gui::Palettes()) {
        auto* palette = new CSubToolBar(entry, this);
        palette->hide();
        for (int id : palette->Commands())
            actions_->Adopt(id, palette->Action(id));
        connect(palette, &CSubToolBar::closed, this, &CMainWnd::OnPaletteClosed);
        connect(palette, &CSubToolBar::elementPressed, this, &CMainWnd::OnElementPressed);
        palettes_.push_back(palette);
    }
}

void CMainWnd::ConnectSchemeWindow() {
    connect(scheme_, &CSchemeWnd::statusMessage, this, &CMainWnd::ShowStatus);
    connect(scheme_, &CSchemeWnd::hoverCaption, hoverLabel_, &QLabel::setText);
    connect(scheme_, &CSchemeWnd::placingCancelled, this, &CMainWnd::UncheckPlacingButtons);
    connect(docs_, &DocumentController::documentReplaced, this, &CMainWnd::CloseAllPalettes);
    connect(docs_, &DocumentController::nameChanged, this,
            [this](const QString& name) { setWindowTitle(TitleFor(name)); });
    // A document from outside is asked about in front of everything else.
    connect(docs_, &DocumentController::incomingDelivered, this, [this] {
        raise();
        activateWindow();
    });
}

void CMainWnd::OnCommand(int id) {
    if (QAction* action = Action(id); action && action->isCheckable()) {
        // A check button pressed by a key or a caller: the same as a click on it.
        action->trigger();
        return;
    }
    actions_->Run(id);
}

void CMainWnd::Forward(int id) {
    actions_->Run(id);
}

QString CMainWnd::HoverText() const {
    return hoverLabel_->text();
}

QString CMainWnd::StatusText() const {
    return statusLabel_->text();
}

void CMainWnd::ShowStatus(const QString& text) {
    if (statusLabel_->text() == text)
        return;
    statusLabel_->setText(text);
    ++statusWrites_;
}

void CMainWnd::TogglePalette(int buttonId, bool open) {
    CSubToolBar* palette = Palette(buttonId);
    if (!palette)
        return;
    if (!open) {
        palette->hide();
        return;
    }
    for (CSubToolBar* other : palettes_)
        if (other != palette) {
            other->hide();
            if (QAction* button = Action(other->ButtonId()))
                button->setChecked(false);
        }
    QPoint below = mapToGlobal(QPoint(0, toolBar_->geometry().bottom()));
    if (QWidget* button = toolBar_->widgetForAction(Action(buttonId)))
        below = button->mapToGlobal(QPoint(0, button->height()));
    palette->ShowAt(below);
}

void CMainWnd::OnPaletteClosed(int buttonId) {
    if (QAction* button = Action(buttonId))
        button->setChecked(false);
}

void CMainWnd::OnElementPressed(int id, bool checked) {
    Action(cmd::PlaceText)->setChecked(false);
    // An element of another palette that was being placed is dropped as well.
    for (CSubToolBar* p : palettes_)
        if (!p->Action(id))
            p->UncheckAll();
    // Whatever is being placed goes first; a button pressed again only does that.
    Forward(cmd::CancelPlacing);
    if (checked)
        Forward(id);
}

void CMainWnd::OnTextButton(bool checked) {
    for (CSubToolBar* p : palettes_)
        p->UncheckAll();
    Forward(checked ? cmd::PlaceTextLabel : cmd::CancelPlacing);
}

void CMainWnd::UncheckPlacingButtons() {
    for (CSubToolBar* p : palettes_)
        p->UncheckAll();
    Action(cmd::PlaceText)->setChecked(false);
}

void CMainWnd::CloseAllPalettes() {
    for (CSubToolBar* p : palettes_) {
        p->hide();
        if (QAction* button = Action(p->ButtonId()))
            button->setChecked(false);
    }
}

void CMainWnd::OnDeactivated() {
    // Moving to one of our own palettes keeps the sheet's mode: the user is only
    // picking the next element.
    QWidget* now = QApplication::activeWindow();
    for (CSubToolBar* p : palettes_)
        if (now == p)
            return;
    scheme_->EndModes();
    UncheckPlacingButtons();
}

bool CMainWnd::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        scheme_->RefreshCommandStates();
    else if (event->type() == QEvent::WindowDeactivate)
        OnDeactivated();
    return QMainWindow::event(event);
}

namespace {

// The one local file among dropped data, when there is exactly one.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

void CMainWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainWnd::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop has returned: the prompts and messages of opening
    // must not run inside the drag-and-drop loop of the window system.
    docs_->Receive(file);
}

void CMainWnd::closeEvent(QCloseEvent* event) {
    if (settings_) {
        WritePlacement(*settings_, geometry(), isMaximized(), isMinimized());
        settings_->sync();
    }
    // A running analysis stops first; the window closes once it has ended.
    if (scheme_->IsAnalysing()) {
        event->ignore();
        scheme_->Analyses().RequestStop();
        scheme_->Analyses().AfterRun([this] { close(); });
        return;
    }
    // Cancel keeps the program running; the placement is kept all the same.
    if (!scheme_->CloseDocument()) {
        event->ignore();
        return;
    }
    CloseAllPalettes();
    CloseHelpViewer();
    event->accept();
}

} // namespace korvanix::gui
