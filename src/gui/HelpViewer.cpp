#include "gui/HelpViewer.h"

#include <QAction>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

// The pages live in the static library's resources, which the linker would drop
// unless something names them.
static void InitHelpResources() {
    Q_INIT_RESOURCE(korvanix);
}

namespace korvanix::gui {

namespace {

QPointer<HelpViewer> viewer;

struct Topic {
    int contextNumber;
    const char* page;
};

// Context numbers the dialogs ask for, and those of the program's own topics.
constexpr Topic kTopics[] = {
    {1, "contents.html"},
    {10, "drawing.html"},
    {20, "elements.html"},
    {30, "wires.html"},
    {40, "clipboard.html"},
    {50, "files.html"},
    {60, "settings.html"},
    {70, "keys.html"},
    {120, "analysis.html#transient"},
    {130, "analysis.html#options"},
    {190, "analysis.html#frequency"},
    {200, "analysis.html#sweep"},
};

QUrl Page(const char* name) {
    EnsureHelpResources();
    return QUrl(QStringLiteral("qrc:/help/") + QString::fromLatin1(name));
}

HelpViewer& Viewer() {
    if (!viewer)
        viewer = new HelpViewer();
    return *viewer;
}

void Open(const QUrl& page) {
    HelpViewer& v = Viewer();
    v.ShowPage(page);
    v.show();
    v.raise();
    v.activateWindow();
}

} // namespace

void EnsureHelpResources() {
    static const bool done = [] {
        InitHelpResources();
        return true;
    }();
    (void)done;
}

HelpViewer::HelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QString::fromUtf8("Справка KORVANIX"));
    resize(720, 560);
    auto* bar = new QToolBar(this);
    QAction* contents = bar->addAction(QString::fromUtf8("Содержание"));
    QAction* index = bar->addAction(QString::fromUtf8("Указатель"));
    bar->addSeparator();
    QAction* back = bar->addAction(QString::fromUtf8("Назад"));
    QAction* forward = bar->addAction(QString::fromUtf8("Вперед"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QAction::triggered, this, [this] { ShowPage(HelpContentsUrl()); });
    connect(index, &QAction::triggered, this, [this] { ShowPage(HelpIndexUrl()); });
    connect(back, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? QString::fromUtf8("Справка KORVANIX")
                                       : QString::fromUtf8("Справка KORVANIX - ") + title);
    });
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser_);
}

void HelpViewer::ShowPage(const QUrl& page) {
    browser_->setSource(page);
}

HelpViewer* HelpViewer::Instance() {
    return viewer.data();
}

QUrl HelpTopicUrl(int contextNumber) {
    for (const Topic& t : kTopics)
        if (t.contextNumber == contextNumber)
            return Page(t.page);
    return HelpContentsUrl();
}

QUrl HelpContentsUrl() {
    return Page("contents.html");
}

QUrl HelpIndexUrl() {
    return Page("index.html");
}

void ShowHelpContents() {
    Open(HelpContentsUrl());
}

void ShowHelpIndex() {
    Open(HelpIndexUrl());
}

void ShowHelpTopic(int contextNumber) {
    Open(HelpTopicUrl(contextNumber));
}

void CloseHelpViewer() {
    delete viewer.data();
}

} // namespace korvanix::gui
