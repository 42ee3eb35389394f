#include "gui/ActionRegistry.h"
#include "gui/Application.h"
#include "gui/CMainWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CSubToolBar.h"
#include "gui/CommandIds.h"
#include "gui/CommandTable.h"
#include "gui/DocumentController.h"
#include "gui/GuiPrompts.h"
#include "gui/HelpViewer.h"
#include "gui/Messages.h"
#include "gui/RecentFiles.h"
#include "model/ElementKind.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using namespace korvanix::gui;

namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// Records every message box and answers the questions with one reply.
class RecordingMessages : public MessageService {
public:
    explicit RecordingMessages(Reply answer = Reply::No) : previous_(&Messages()), answer_(answer) {
        SetMessageService(this);
    }
    ~RecordingMessages() override { SetMessageService(previous_); }
    void Warn(QWidget*, const QString& text) override { warnings.append(text); }
    void Inform(QWidget*, const QString& text) override { infos.append(text); }
    Reply Ask(QWidget*, const QString& text, bool) override {
        questions.append(text);
        return answer_;
    }
    QStringList warnings, infos, questions;

private:
    MessageService* previous_;
    Reply answer_;
};

// No test may stop at a real message box: unless a test listens itself, the
// boxes are answered No.
class QuietBoxes : public ::testing::Environment {
public:
    void SetUp() override { boxes_ = std::make_unique<RecordingMessages>(); }
    void TearDown() override { boxes_.reset(); }

private:
    std::unique_ptr<RecordingMessages> boxes_;
};
const auto* const quietBoxes = ::testing::AddGlobalTestEnvironment(new QuietBoxes);

// A settings store of its own in a temporary folder, never the user's.
struct TempSettings {
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    TempSettings() {
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("korvanix.ini")),
                                               QSettings::IniFormat);
    }
    QVariant Value(const char* name) const {
        return settings->value(QStringLiteral("1.1/") + QString::fromLatin1(name));
    }
    void Set(const char* name, int value) {
        settings->setValue(QStringLiteral("1.1/") + QString::fromLatin1(name), value);
    }
};

QAction* MenuAction(QMenuBar* bar, const QString& menuTitle, int id) {
    for (QAction* top : bar->actions()) {
        if (top->text() != menuTitle || !top->menu())
            continue;
        for (QAction* item : top->menu()->actions())
            if (item->data().toInt() == id)
                return item;
    }
    return nullptr;
}

// Lets the main window's commands towards the sheet be seen in order.
struct CommandLog {
    QList<int> ids;
    explicit CommandLog(CMainWnd& wnd) {
        QObject::connect(&wnd, &CMainWnd::schemeCommand, [this](int id) { ids.append(id); });
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Placement

struct PlacementCase {
    const char* name;
    StoredPlacement stored;
    Placement expected;
};

TEST(Placement, KeepsTheStoredRectangleOnTheScreen) {
    // The screen's maximized window measures 1920 x 1040.
    const PlacementCase cases[] = {
        {"inside", {100, 120, 900, 700, 0}, {100, 120, 900, 700, false}},
        {"left -30 moves right", {-30, 10, 770, 610, 0}, {0, 10, 800, 610, false}},
        {"top -25 moves down", {10, -25, 810, 575, 0}, {10, 0, 810, 600, false}},
        {"bottom cut", {10, 10, 800, 2000, 0}, {10, 10, 800, 1040, false}},
        {"right cut", {300, 10, 2500, 800, 1}, {300, 10, 1920, 800, true}},
        {"maximized", {100, 120, 900, 700, 1}, {100, 120, 900, 700, true}},
        {"no Maximized value", {100, 120, 900, 700, std::nullopt}, {100, 120, 900, 700, false}},
        {"missing right", {100, 120, std::nullopt, 700, 1}, {50, 50, 1850, 970, true}},
        {"nothing stored", {}, {50, 50, 1850, 970, false}},
        // A rectangle nobody could reach on the screen opens where a new one would.
        {"empty", {500, 500, 400, 600, 0}, {50, 50, 1850, 970, false}},
        {"beyond the right edge", {3000, 10, 3800, 700, 0}, {50, 50, 1850, 970, false}},
    };
    for (const PlacementCase& c : cases) {
        const Placement got = ComputePlacement(c.stored, 1920, 1040);
        EXPECT_EQ(got, c.expected) << c.name << ": got " << got.left << "," << got.top << ","
                                   << got.right << "," << got.bottom << "," << got.maximized;
    }
}

TEST(Placement, ReadsTheFiveValuesOfGroupOneOne) {
    TempSettings s;
    s.Set("Left", -30);
    s.Set("Top", 20);
    s.Set("Right", 600);
    s.Set("Bottom", 500);
    s.Set("Maximized", 1);
    const StoredPlacement stored = ReadPlacement(*s.settings);
    EXPECT_EQ(stored.left, -30);
    EXPECT_EQ(stored.top, 20);
    EXPECT_EQ(stored.right, 600);
    EXPECT_EQ(stored.bottom, 500);
    EXPECT_EQ(stored.maximized, 1);

    // A value that is not a number counts as missing, so all four fall back.
    s.settings->setValue(QStringLiteral("1.1/Right"), QStringLiteral("wide"));
    const StoredPlacement broken = ReadPlacement(*s.settings);
    EXPECT_FALSE(broken.right.has_value());
    EXPECT_EQ(ComputePlacement(broken, 1000, 800), (Placement{50, 50, 930, 730, true}));
}

// ---------------------------------------------------------------------------
// Closing keeps the placement

TEST(MainWindowClose, WritesTheRectangleOfANormalWindow) {
    TempSettings s;
    CMainWnd wnd(s.settings.get());
    wnd.setGeometry(QRect(100, 80, 700, 500));
    wnd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    const QRect g = wnd.geometry();
    EXPECT_TRUE(wnd.close());
    EXPECT_EQ(s.Value("Left").toInt(), g.left());
    EXPECT_EQ(s.Value("Top").toInt(), g.top());
    EXPECT_EQ(s.Value("Right").toInt(), g.left() + g.width());
    EXPECT_EQ(s.Value("Bottom").toInt(), g.top() + g.height());
    EXPECT_EQ(s.Value("Maximized").toInt(), 0);
    EXPECT_FALSE(wnd.isVisible());
}

TEST(MainWindowClose, MaximizedKeepsTheStoredSides) {
    TempSettings s;
    s.Set("Left", 11);
    s.Set("Top", 12);
    s.Set("Right", 613);
    s.Set("Bottom", 414);
    s.Set("Maximized", 0);
    CMainWnd wnd(s.settings.get());
    wnd.showMaximized();
    ASSERT_TRUE(wnd.isMaximized());
    EXPECT_TRUE(wnd.close());
    EXPECT_EQ(s.Value("Left").toInt(), 11);
    EXPECT_EQ(s.Value("Top").toInt(), 12);
    EXPECT_EQ(s.Value("Right").toInt(), 613);
    EXPECT_EQ(s.Value("Bottom").toInt(), 414);
    EXPECT_EQ(s.Value("Maximized").toInt(), 1);
}

TEST(MainWindowClose, MinimizedWritesNothing) {
    TempSettings s;
    CMainWnd wnd(s.settings.get());
    wnd.show();
    wnd.setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(wnd.isMinimized());
    wnd.close();
    EXPECT_TRUE(s.settings->allKeys().isEmpty())
        << s.settings->allKeys().join(QLatin1Char(' ')).toStdString();
}

TEST(MainWindowClose, CancelAtTheSavePromptKeepsRunningWithThePlacementWritten) {
    TempSettings s;
    RecordingMessages boxes(Reply::Cancel);
    CMainWnd wnd(s.settings.get());
    wnd.setGeometry(QRect(40, 30, 640, 480));
    wnd.show();
    wnd.SchemeWnd()->Doc().SetModified(true);
    EXPECT_FALSE(wnd.close());
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(boxes.questions.size(), 1);
    EXPECT_TRUE(s.Value("Left").isValid());
    EXPECT_EQ(s.Value("Maximized").toInt(), 0);

    // The exit command goes the same way.
    wnd.OnCommand(korvanix::gui::cmd::Exit);
    EXPECT_TRUE(wnd.isVisible());
    EXPECT_EQ(boxes.questions.size(), 2);
}

// ---------------------------------------------------------------------------
// Single instance

TEST(SingleInstanceLock, SecondStartIsRefusedWithTheMessage) {
    QTemporaryDir dir;
    const QString lockPath = dir.filePath(QStringLiteral("KORVANIX.lock"));
    SingleInstance first(lockPath);
    ASSERT_TRUE(first.Acquire());

    TempSettings s;
    RecordingMessages boxes;
    Application second(lockPath, s.settings.get());
    EXPECT_FALSE(second.Start());
    EXPECT_EQ(second.MainWindow(), nullptr);
    EXPECT_EQ(boxes.warnings, QStringList{U("Программа уже запущена !")});
}

TEST(SingleInstanceLock, LockOfADeadCopyDoesNotBlock) {
    QTemporaryDir dir;
    const QString lockPath = dir.filePath(QStringLiteral("KORVANIX.lock"));
    // A lock file exactly as a running copy leaves it, but naming a process that
    // has ended since.
    QByteArray content;
    {
        QLockFile model(lockPath);
        ASSERT_TRUE(model.tryLock(0));
        QFile f(lockPath);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        content = f.readAll();
    }
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    QList<QByteArray> lines = content.split('\n');
    ASSERT_FALSE(lines.isEmpty());
    lines[0] = QByteArray::number(deadPid);
    {
        QFile f(lockPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(lines.join('\n'));
    }

    TempSettings s;
    RecordingMessages boxes;
    Application app(lockPath, s.settings.get());
    ASSERT_TRUE(app.Start());
    EXPECT_TRUE(boxes.warnings.isEmpty());
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_EQ(app.MainWindow()->StatusText(), QStringLiteral("Loaded Ok"));
    // And now it is held again.
    EXPECT_FALSE(SingleInstance(lockPath).Acquire());
    app.MainWindow()->hide();
}

// A settings file is an input like any other: empty, cut short, of the wrong
// types or with absurd numbers, the program starts with defaults for what is
// wrong and a window on the screen.
TEST(ApplicationStart, AnySettingsFileStartsTheProgram) {
    const char* const files[] = {
        "",
        "[1.1]\nLeft=12",
        "[1.1]\nLeft=-2147483648\nTop=-2147483648\nRight=2147483647\nBottom=2147483647\n",
        "[1.1]\nLeft=abc\nTop=@Rect(1 2 3 4)\nRight=1e99\nBottom=\nMaximized=7\n"
        "ShowGrid=kaputt\nRecentFiles=17\n",
        "\x01\x02garbage[[[\n=\n[1.1\nLeft",
    };
    for (const char* content : files) {
        SCOPED_TRACE(content);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("korvanix.ini"));
        {
            QFile f(ini);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QSettings settings(ini, QSettings::IniFormat);
        RecordingMessages boxes;
        Application app(dir.filePath(QStringLiteral("KORVANIX.lock")), &settings);
        ASSERT_TRUE(app.Start());
        const QRect placed = app.MainWindow()->normalGeometry();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.intersects(placed)) << placed.x() << "," << placed.y();
        EXPECT_GT(placed.width(), 0);
        EXPECT_TRUE(app.MainWindow()->RecentDocuments().size() <= RecentFiles::kMax);
        app.MainWindow()->hide();
    }
}

// The document named on the command line opens with the window: relative to
// the working folder, with blanks and Cyrillic letters; a file that cannot be
// read gives its message and leaves the new empty document.
TEST(ApplicationStart, OpensTheDocumentNamedOnTheCommandLine) {
    QTemporaryDir dir;
    const QString name = U("моя схема.scm");
    ASSERT_TRUE(QFile::copy(QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rc_lowpass.scm"),
                            dir.filePath(name)));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    struct Case {
        QString argument;
        QString title;
        QString warning;
    };
    const Case cases[] = {
        {name, U("KORVANIX - моя схема.scm"), QString()},
        {dir.filePath(name), U("KORVANIX - моя схема.scm"), QString()},
        {U("нет такой.scm"), U("KORVANIX - Untitled.scm"),
         U("Не удается открыть файл нет такой.scm для чтения.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        TempSettings s;
        RecordingMessages boxes;
        Application app(dir.filePath(QStringLiteral("KORVANIX.lock")), s.settings.get());
        ASSERT_TRUE(app.Start(c.argument));
        EXPECT_EQ(app.MainWindow()->windowTitle(), c.title);
        EXPECT_EQ(boxes.warnings.join('|'), c.warning);
        EXPECT_EQ(app.MainWindow()->SchemeWnd()->Doc().scheme.elements.empty(),
                  !c.warning.isEmpty());
        app.MainWindow()->hide();
    }
    QDir::setCurrent(before);
}

// Whatever the settings hold, the list read back is clean: at most ten paths,
// no blanks, no repeats.
TEST(RecentFilesTest, ReadsACleanListFromAnySettings) {
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many << QStringLiteral("/tmp/f%1.scm").arg(i);
    struct Case {
        const char* what;
        QVariant stored;
        QStringList expected;
    };
    const Case cases[] = {
        {"nothing", QVariant(), {}},
        {"a number", QVariant(42), {}},
        {"one string", QVariant(QStringLiteral("/a.scm")), {QStringLiteral("/a.scm")}},
        {"blanks and repeats",
         QVariant(QStringList{QStringLiteral("/a.scm"), QString(), QStringLiteral("  "),
                              QStringLiteral("/a.scm"), QStringLiteral("/b.scm")}),
         {QStringLiteral("/a.scm"), QStringLiteral("/b.scm")}},
        {"ten thousand", QVariant(many), many.mid(0, RecentFiles::kMax)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempSettings s;
        if (c.stored.isValid())
            s.settings->setValue(QString::fromLatin1(RecentFiles::kKey), c.stored);
        RecentFiles recent(s.settings.get());
        EXPECT_EQ(recent.Files(), c.expected);
    }

    TempSettings s;
    RecentFiles recent(s.settings.get());
    for (int i = 0; i < 12; ++i)
        recent.Add(QStringLiteral("/f%1.scm").arg(i));
    recent.Add(QStringLiteral("/f5.scm"));
    ASSERT_EQ(recent.Files().size(), RecentFiles::kMax);
    EXPECT_EQ(recent.Files().front(), QStringLiteral("/f5.scm")) << "newest first, once";
    EXPECT_EQ(recent.Files().count(QStringLiteral("/f5.scm")), 1);
    EXPECT_EQ(recent.Files().at(1), QStringLiteral("/f11.scm"));
    EXPECT_EQ(RecentFiles(s.settings.get()).Files(), recent.Files()) << "kept in the settings";
}

// Opened and saved documents are numbered in "&Файл", newest first, with the
// path in the status text; one gone since is reported and dropped.
TEST(RecentFilesTest, TheFileMenuListsAndOpensTheRecentDocuments) {
    QTemporaryDir dir;
    TempSettings s;
    RecordingMessages boxes(Reply::No);
    CMainWnd wnd(s.settings.get());
    const QStringList names = {QStringLiteral("a.scm"), QStringLiteral("b.scm"),
                               QStringLiteral("c.scm")};
    for (const QString& n : names) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rc_lowpass.scm"),
                                dir.filePath(n)));
        wnd.Documents().OpenPath(dir.filePath(n), true);
    }
    ASSERT_EQ(wnd.RecentDocuments(), (QStringList{dir.filePath(names[2]), dir.filePath(names[1]),
                                                  dir.filePath(names[0])}));
    QStringList texts;
    for (QAction* a : wnd.RecentActions())
        if (!a->isSeparator())
            texts << a->text();
    EXPECT_EQ(texts, (QStringList{U("&1 c.scm"), U("&2 b.scm"), U("&3 a.scm")}));
    QAction* second = nullptr;
    for (QAction* a : wnd.RecentActions())
        if (a->text() == U("&2 b.scm"))
            second = a;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->statusTip(), dir.filePath(names[1]));

    second->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.windowTitle() == U("KORVANIX - b.scm"); }, 5000));
    EXPECT_EQ(wnd.RecentDocuments().front(), dir.filePath(names[1]));

    ASSERT_TRUE(QFile::remove(dir.filePath(names[0])));
    for (QAction* a : wnd.RecentActions())
        if (a->text().endsWith(QStringLiteral("a.scm"))) {
            a->trigger();
            break;
        }
    EXPECT_EQ(boxes.warnings, QStringList{U("Не удается открыть файл a.scm для чтения.")});
    EXPECT_FALSE(wnd.RecentDocuments().contains(dir.filePath(names[0])));
    EXPECT_EQ(wnd.windowTitle(), U("KORVANIX - b.scm")) << "the open document stays";
}

// A second start with a document hands it to the running copy and ends without
// a word; without a document it still refuses.
TEST(ApplicationStart, ASecondStartHandsItsDocumentToTheRunningCopy) {
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("KORVANIX.lock"));
    TempSettings firstSettings;
    TempSettings laterSettings;
    RecordingMessages boxes;
    Application first(lock, firstSettings.settings.get());
    ASSERT_TRUE(first.Start());
    Application second(lock, laterSettings.settings.get());
    EXPECT_FALSE(second.Start(QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rlc_series.scm")));
    EXPECT_TRUE(boxes.warnings.isEmpty()) << boxes.warnings.join('|').toStdString();
    EXPECT_EQ(second.MainWindow(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return first.MainWindow()->windowTitle() == U("KORVANIX - rlc_series.scm"); }, 5000));

    Application third(lock, laterSettings.settings.get());
    EXPECT_FALSE(third.Start());
    EXPECT_EQ(boxes.warnings, QStringList{U("Программа уже запущена !")});
    first.MainWindow()->hide();
}

// A document dropped on the window opens after the save prompt of the one open.
TEST(MainWindowDrop, ADroppedDocumentOpensThroughTheSavePrompt) {
    RecordingMessages boxes(Reply::No);
    CMainWnd wnd;
    wnd.SchemeWnd()->Doc().scheme.PlaceNew(korvanix::model::kind::Resistor, 400, 400);
    wnd.SchemeWnd()->Doc().SetModified(true);
    const QString file = QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rlc_series.scm");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&wnd, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&wnd, &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.questions.isEmpty(); }, 5000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return wnd.windowTitle() == U("KORVANIX - rlc_series.scm"); }, 5000));

    // Anything but one local file is not taken.
    QMimeData text;
    text.setText(QStringLiteral("R1 1 2 1k"));
    QDragEnterEvent other(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&wnd, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST(ApplicationStart, OpensWithTheStoredPlacement) {
    QTemporaryDir dir;
    TempSettings s;
    s.Set("Left", 120);
    s.Set("Top", 90);
    // Within the offscreen screen's 800 x 600.
    s.Set("Right", 620);
    s.Set("Bottom", 490);
    s.Set("Maximized", 1);
    Application app(dir.filePath(QStringLiteral("KORVANIX.lock")), s.settings.get());
    ASSERT_TRUE(app.Start());
    CMainWnd* wnd = app.MainWindow();
    EXPECT_TRUE(wnd->isMaximized());
    EXPECT_EQ(wnd->normalGeometry(), QRect(120, 90, 500, 400));
    EXPECT_EQ(wnd->windowTitle(), U("KORVANIX - Untitled.scm"));

    // The banner is up while the window is built and goes once the loop runs.
    const auto banner = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("BANNERDLG"))
                return w;
        return static_cast<QWidget*>(nullptr);
    };
    ASSERT_NE(banner(), nullptr);
    EXPECT_TRUE(banner()->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return banner() == nullptr; }, 5000));
    wnd->hide();
}

// ---------------------------------------------------------------------------
// Menus, toolbar, keys

struct MenuCase {
    const char* menu;
    int id;
    const char* text;
    const char* shortcut;
    bool enabled;
};

TEST(MainMenu, ItemsTextsShortcutsAndStates) {
    CMainWnd wnd;
    EXPECT_EQ(wnd.menuBar()->objectName(), QStringLiteral("MainMenu"));
    QStringList titles;
    for (QAction* a : wnd.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles,
              (QStringList{U("&Файл"), U("&Правка"), U("С&хема"), U("&Анализ"), U("&Справка")}));

    using namespace korvanix::gui::cmd;
    const MenuCase cases[] = {
        {"&Файл", New, "&Новый", "Ctrl+N", true},
        {"&Файл", SaveAs, "Сохранить &как...", "", true},
        {"&Файл", Exit, "В&ыход", "Alt+F4", true},
        {"&Правка", Undo, "&Отменить", "Ctrl+Z", false},
        {"&Правка", Redo, "&Повторить", "Ctrl+Y", false},
        {"&Правка", Cut, "&Вырезать", "Ctrl+X", false},
        {"&Правка", Delete, "&Удалить", "Del", false},
        {"&Правка", SelectAll, "В&ыделить все     ", "Ctrl+A", true},
        {"С&хема", NodeNumbers, "Показать &номера узлов", "", true},
        {"С&хема", ZoomIn, "Увеличить масштаб", "Ctrl++", true},
        {"С&хема", ZoomOut, "Уменьшить масштаб", "Ctrl+-", true},
        {"&Анализ", Transient, "&Переходный процесс...", "Ctrl+T", true},
        {"&Анализ", Frequency, "&АЧХ/ФЧХ...", "Ctrl+F", true},
        {"&Анализ", AnalysisSettings, "&Установки...", "", true},
        {"&Справка", HelpContents, "&Содержание  ", "F1", true},
        {"&Справка", About, "&О программе", "", true},
    };
    for (const MenuCase& c : cases) {
        QAction* a = MenuAction(wnd.menuBar(), U(c.menu), c.id);
        ASSERT_NE(a, nullptr) << c.id;
        EXPECT_EQ(a->text(), U(c.text)) << c.id;
        EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText),
                  QString::fromLatin1(c.shortcut))
            << c.id;
        EXPECT_EQ(a->isEnabled(), c.enabled) << c.id;
        EXPECT_EQ(a, wnd.Action(c.id)) << "one action per command: " << c.id;
    }
    // The Edit menu opens with undo and redo, then a separator.
    const QList<QAction*> edit = wnd.menuBar()->actions().at(1)->menu()->actions();
    ASSERT_GE(edit.size(), 3);
    EXPECT_EQ(edit.at(0)->data().toInt(), Undo);
    EXPECT_EQ(edit.at(1)->data().toInt(), Redo);
    EXPECT_TRUE(edit.at(2)->isSeparator());
}

TEST(MainMenu, EveryNamedKeyIsTheItemsShortcut) {
    CMainWnd wnd;
    for (const MenuEntry& menu : MainMenus())
        for (const MenuItemEntry& item : menu.items) {
            const QString keys = ItemShortcutText(item.text);
            if (item.id == 0 || keys.isEmpty())
                continue;
            ASSERT_FALSE(wnd.Action(item.id)->shortcuts().isEmpty()) << item.id;
            EXPECT_EQ(wnd.Action(item.id)->shortcuts().first().toString(QKeySequence::PortableText),
                      keys)
                << item.id;
        }
}

TEST(MainMenu, PromptAndShortNameFromTheStringTable) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    EXPECT_EQ(wnd.Action(SaveAs)->statusTip(), U("Сохранить схему в файл с другим именем"));
    EXPECT_EQ(wnd.Action(SaveAs)->toolTip(), U("Сохранить схему как ..."));
    // A string without a short name serves as both.
    EXPECT_EQ(wnd.Action(SheetSize)->statusTip(), U("Изменить ширину и высоту листа схемы"));
    EXPECT_EQ(wnd.Action(SheetSize)->toolTip(), U("Изменить ширину и высоту листа схемы"));
    EXPECT_EQ(wnd.Action(PaletteSources)->toolTip(), U("Источники"));
}

TEST(MainMenu, NumericPadKeysZoomToo) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    const QList<QKeySequence> in = wnd.Action(ZoomIn)->shortcuts();
    EXPECT_TRUE(in.contains(QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus)));
    EXPECT_TRUE(in.contains(QKeySequence(Qt::ControlModifier | Qt::Key_Plus)));
    const QList<QKeySequence> out = wnd.Action(ZoomOut)->shortcuts();
    EXPECT_TRUE(
        out.contains(QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus)));

    CommandLog log(wnd);
    wnd.show();
    wnd.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wnd));
    QTest::keyClick(&wnd, Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    QTest::keyClick(&wnd, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(log.ids, (QList<int>{ZoomOut, New}));
    wnd.hide();
}

TEST(MainToolBar, ButtonsInOrderWithCheckButtons) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    QList<int> ids;
    for (QAction* a : wnd.MainToolBar()->actions())
        ids << (a->isSeparator() ? 0 : a->data().toInt());
    const QList<int> expected = {New,
                                 Open,
                                 Save,
                                 0,
                                 Cut,
                                 Copy,
                                 Paste,
                                 0,
                                 Undo,
                                 Redo,
                                 0,
                                 PlaceText,
                                 PaletteBasic,
                                 PaletteSources,
                                 PaletteActive,
                                 0,
                                 NodeNumbers,
                                 0,
                                 Transient,
                                 Frequency,
                                 PoleZero,
                                 0,
                                 Rotate,
                                 MirrorX,
                                 MirrorY,
                                 0,
                                 ZoomIn,
                                 ZoomOut,
                                 FitAll,
                                 0,
                                 HelpContents};
    EXPECT_EQ(ids, expected);
    for (int id : {PlaceText, PaletteBasic, PaletteSources, PaletteActive, NodeNumbers})
        EXPECT_TRUE(wnd.Action(id)->isCheckable()) << id;
    for (int id : {New, Cut, Transient, ZoomIn, HelpContents})
        EXPECT_FALSE(wnd.Action(id)->isCheckable()) << id;
    // With nothing selected on a new sheet the selection commands are off.
    for (int id : {Cut, Copy, Rotate, MirrorX, MirrorY})
        EXPECT_FALSE(wnd.Action(id)->isEnabled()) << id;
}

// The sheet's rules decide the states of the one action that menu, toolbar
// and keys share.
TEST(MainToolBar, SchemeWindowStatesReachTheSharedAction) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    CSchemeWnd& sheet = *wnd.SchemeWnd();
    sheet.Doc().scheme.PlaceNew(korvanix::model::kind::Resistor, 400, 400);
    sheet.Doc().scheme.SelectAll();
    sheet.RefreshCommandStates();
    EXPECT_TRUE(wnd.Action(Cut)->isEnabled());
    EXPECT_TRUE(wnd.MainToolBar()->widgetForAction(wnd.Action(Cut))->isEnabled());
    EXPECT_TRUE(MenuAction(wnd.menuBar(), U("&Правка"), Cut)->isEnabled());
    sheet.Doc().scheme.ClearSelection();
    sheet.RefreshCommandStates();
    EXPECT_FALSE(MenuAction(wnd.menuBar(), U("&Правка"), Cut)->isEnabled());
    EXPECT_FALSE(wnd.MainToolBar()->widgetForAction(wnd.Action(Cut))->isEnabled());
    sheet.Doc().settings.scheme.showNodes = 1;
    sheet.RefreshCommandStates();
    EXPECT_TRUE(wnd.Action(NodeNumbers)->isChecked());
    // Every command has one handler, in the frame or in the sheet.
    std::vector<int> ids = MainToolbarButtons();
    for (const MenuEntry& menu : MainMenus())
        for (const MenuItemEntry& item : menu.items)
            ids.push_back(item.id);
    for (int id : ids) {
        if (id != 0) {
            EXPECT_TRUE(wnd.Actions().HasHandler(id)) << id;
        }
    }
}

// The grid is the user's choice, kept in the settings from one run to the next;
// Ctrl+= zooms in as Ctrl++ does.
TEST(MainMenu, TheGridChoiceIsRememberedAndCtrlEqualsZoomsIn) {
    TempSettings store;
    {
        CMainWnd wnd(store.settings.get());
        QAction* grid = MenuAction(wnd.menuBar(), U("С&хема"), korvanix::gui::cmd::ShowGrid);
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(grid->text(), U("Показать &сетку"));
        EXPECT_TRUE(grid->isChecked()) << "on for a first run";
        EXPECT_TRUE(wnd.SchemeWnd()->ShowsGrid());
        grid->trigger();
        EXPECT_FALSE(wnd.SchemeWnd()->ShowsGrid());
        QAction* zoom = wnd.Action(korvanix::gui::cmd::ZoomIn);
        EXPECT_TRUE(zoom->shortcuts().contains(QKeySequence(Qt::ControlModifier | Qt::Key_Equal)));
    }
    CMainWnd again(store.settings.get());
    EXPECT_FALSE(again.SchemeWnd()->ShowsGrid());
    EXPECT_FALSE(again.Action(korvanix::gui::cmd::ShowGrid)->isChecked());
}

TEST(MainToolBar, NodeNumbersToggleTheDocumentFlag) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    auto& options = wnd.SchemeWnd()->Doc().settings.scheme;
    const int before = options.showNodes;
    wnd.OnCommand(NodeNumbers);
    EXPECT_EQ(options.showNodes, before ? 0 : 1);
    EXPECT_EQ(wnd.Action(NodeNumbers)->isChecked(), !before);
    wnd.OnCommand(NodeNumbers);
    EXPECT_EQ(options.showNodes, before);
    EXPECT_EQ(wnd.Action(NodeNumbers)->isChecked(), bool(before));
}

// ---------------------------------------------------------------------------
// Palettes

TEST(Palettes, OnlyOneIsOpenAtATime) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    wnd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    const int buttons[] = {PaletteBasic, PaletteSources, PaletteActive, PaletteBasic};
    for (int pressed : buttons) {
        wnd.Action(pressed)->trigger();
        for (int b : {PaletteBasic, PaletteSources, PaletteActive}) {
            EXPECT_EQ(wnd.Palette(b)->isVisible(), b == pressed) << pressed << " " << b;
            EXPECT_EQ(wnd.Action(b)->isChecked(), b == pressed) << pressed << " " << b;
        }
    }
    // Just below its toolbar button.
    QWidget* button = wnd.MainToolBar()->widgetForAction(wnd.Action(PaletteBasic));
    EXPECT_EQ(wnd.Palette(PaletteBasic)->pos(), button->mapToGlobal(QPoint(0, button->height())));

    // Releasing the button hides it; closing the window releases the button.
    wnd.Action(PaletteBasic)->trigger();
    EXPECT_FALSE(wnd.Palette(PaletteBasic)->isVisible());
    wnd.Action(PaletteActive)->trigger();
    wnd.Palette(PaletteActive)->close();
    EXPECT_FALSE(wnd.Palette(PaletteActive)->isVisible());
    EXPECT_FALSE(wnd.Action(PaletteActive)->isChecked());

    // A new document closes them all.
    wnd.Action(PaletteSources)->trigger();
    emit wnd.Documents().documentReplaced();
    EXPECT_FALSE(wnd.Palette(PaletteSources)->isVisible());
    EXPECT_FALSE(wnd.Action(PaletteSources)->isChecked());
    wnd.hide();
}

TEST(Palettes, CaptionsButtonsAndNames) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    struct Case {
        int button;
        const char* caption;
        QList<int> commands;
        int width;
    };
    const Case cases[] = {
        {PaletteBasic,
         "Основные",
         {PlaceConnector, PlaceGround, PlaceResistor, PlaceInductance, PlaceCapacitor, PlaceUnistor,
          PlaceTransformer},
         200},
        {PaletteSources,
         "Источники",
         {PlaceVoltageSource, PlaceCurrentSource, PlaceVccs, PlaceVcvs, PlaceCccs, PlaceCcvs,
          PlaceGyrator},
         200},
        {PaletteActive, "Активные", {PlaceLamp, PlaceTransistor, PlaceOpAmp}, 90},
    };
    for (const Case& c : cases) {
        CSubToolBar* p = wnd.Palette(c.button);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->windowTitle(), U(c.caption));
        EXPECT_EQ(p->Commands(), c.commands);
        EXPECT_GE(p->width(), c.width);
        for (int id : c.commands)
            EXPECT_TRUE(p->Action(id)->isCheckable()) << id;
    }
    const std::pair<int, const char*> names[] = {
        {PlaceConnector, "Соединитель"},
        {PlaceVccs, "Источник тока управляемый напряжением (ИТУН)"},
        {PlaceCcvs, "Источник напряжения управляемый током (ИНУТ)"},
        {PlaceTransistor, "Биполярный транзистор n-p-n типа"},
        {PlaceOpAmp, "Идеальный операционный усилитель (ОУ)"},
    };
    for (const auto& [id, name] : names)
        EXPECT_EQ(wnd.Action(id)->toolTip(), U(name)) << id;
}

TEST(Palettes, ElementButtonCancelsPlacingFirst) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    CommandLog log(wnd);
    CSubToolBar* basic = wnd.Palette(PaletteBasic);

    wnd.Action(PlaceText)->trigger();
    EXPECT_TRUE(wnd.Action(PlaceText)->isChecked());
    log.ids.clear();

    basic->Action(PlaceResistor)->trigger();
    EXPECT_EQ(log.ids, (QList<int>{CancelPlacing, PlaceResistor}));
    EXPECT_FALSE(wnd.Action(PlaceText)->isChecked());
    EXPECT_TRUE(basic->Action(PlaceResistor)->isChecked());
    EXPECT_TRUE(wnd.SchemeWnd()->IsPlacing());

    log.ids.clear();
    basic->Action(PlaceCapacitor)->trigger();
    EXPECT_EQ(log.ids, (QList<int>{CancelPlacing, PlaceCapacitor}));
    EXPECT_FALSE(basic->Action(PlaceResistor)->isChecked());
    EXPECT_TRUE(basic->Action(PlaceCapacitor)->isChecked());

    // An element of another palette releases this palette's button.
    log.ids.clear();
    wnd.OnCommand(PlaceGyrator);
    EXPECT_EQ(log.ids, (QList<int>{CancelPlacing, PlaceGyrator}));
    EXPECT_FALSE(basic->Action(PlaceCapacitor)->isChecked());
    EXPECT_TRUE(wnd.Action(PlaceGyrator)->isChecked());
    wnd.OnCommand(PlaceCapacitor);

    // Pressed again: only the placing ends.
    log.ids.clear();
    basic->Action(PlaceCapacitor)->trigger();
    EXPECT_EQ(log.ids, (QList<int>{CancelPlacing}));
    EXPECT_FALSE(basic->Action(PlaceCapacitor)->isChecked());
    EXPECT_FALSE(wnd.SchemeWnd()->IsPlacing());
}

TEST(Palettes, PlacingEndedByTheSheetReleasesTheButtons) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    wnd.Palette(PaletteActive)->Action(PlaceOpAmp)->trigger();
    wnd.Palette(PaletteBasic)->Action(PlaceGround)->trigger();
    EXPECT_TRUE(wnd.Palette(PaletteBasic)->Action(PlaceGround)->isChecked());
    emit wnd.SchemeWnd()->placingCancelled();
    for (CSubToolBar* p : wnd.Palettes())
        for (int id : p->Commands())
            EXPECT_FALSE(p->Action(id)->isChecked()) << id;
    EXPECT_FALSE(wnd.Action(PlaceText)->isChecked());
}

TEST(Palettes, TextButtonTakesOverFromThePalettes) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    CommandLog log(wnd);
    wnd.Palette(PaletteBasic)->Action(PlaceResistor)->trigger();
    log.ids.clear();
    wnd.Action(PlaceText)->trigger();
    EXPECT_EQ(log.ids, (QList<int>{PlaceText}));
    EXPECT_FALSE(wnd.Palette(PaletteBasic)->Action(PlaceResistor)->isChecked());
    EXPECT_TRUE(wnd.Action(PlaceText)->isChecked());
    EXPECT_TRUE(wnd.SchemeWnd()->IsPlacing());
    // Released again: the text label is not placed any more.
    log.ids.clear();
    wnd.Action(PlaceText)->trigger();
    EXPECT_EQ(log.ids, (QList<int>{CancelPlacing}));
    EXPECT_FALSE(wnd.SchemeWnd()->IsPlacing());
}

TEST(Palettes, DeactivationEndsPlacing) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    wnd.Palette(PaletteSources)->Action(PlaceVoltageSource)->trigger();
    ASSERT_TRUE(wnd.SchemeWnd()->IsPlacing());
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&wnd, &deactivate);
    EXPECT_FALSE(wnd.SchemeWnd()->IsPlacing());
    EXPECT_FALSE(wnd.Palette(PaletteSources)->Action(PlaceVoltageSource)->isChecked());
}

TEST(Palettes, MovingToAPaletteKeepsPlacing) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    wnd.show();
    wnd.Action(PaletteBasic)->trigger();
    wnd.Palette(PaletteBasic)->Action(PlaceGround)->trigger();
    ASSERT_TRUE(wnd.SchemeWnd()->IsPlacing());
    wnd.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wnd));
    CSubToolBar* palette = wnd.Palette(PaletteBasic);
    palette->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(palette));
    EXPECT_TRUE(wnd.SchemeWnd()->IsPlacing());
    EXPECT_TRUE(palette->Action(PlaceGround)->isChecked());
    // Back to the sheet and away to another program: now placing ends.
    wnd.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wnd));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&wnd, &deactivate);
    EXPECT_FALSE(wnd.SchemeWnd()->IsPlacing());
    wnd.hide();
}

TEST(MainWindowActivation, RefreshesTheCommandStates) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    // A stale state, as if the selection had changed while another window was active.
    wnd.Action(Delete)->setEnabled(true);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&wnd, &activate);
    EXPECT_FALSE(wnd.Action(Delete)->isEnabled());
}

// ---------------------------------------------------------------------------
// Title and status bar

namespace {
class OneFile : public FileDialogs {
public:
    explicit OneFile(QString path) : path_(std::move(path)) { SetFileDialogs(this); }
    ~OneFile() override { SetFileDialogs(nullptr); }
    bool OpenPath(QWidget*, const QString&, QString& path) override {
        path = path_;
        return true;
    }

private:
    QString path_;
};
} // namespace

TEST(MainWindowTitle, FollowsTheDocumentName) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    EXPECT_EQ(wnd.windowTitle(), U("KORVANIX - Untitled.scm"));
    RecordingMessages boxes;
    OneFile file(QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rc_lowpass.scm"));
    wnd.OnCommand(Open);
    EXPECT_EQ(wnd.windowTitle(), U("KORVANIX - rc_lowpass.scm"));
    wnd.OnCommand(New);
    EXPECT_EQ(wnd.windowTitle(), U("KORVANIX - Untitled.scm"));
    EXPECT_TRUE(boxes.warnings.isEmpty()) << boxes.warnings.join(QLatin1Char('\n')).toStdString();
}

TEST(MainStatusBar, SecondPartChangesOnlyForANewText) {
    CMainWnd wnd;
    EXPECT_EQ(wnd.StatusText(), QStringLiteral("Loaded Ok"));
    const int start = wnd.StatusWrites();
    emit wnd.SchemeWnd()->statusMessage(U("Схема сохранена."));
    emit wnd.SchemeWnd()->statusMessage(U("Схема сохранена."));
    EXPECT_EQ(wnd.StatusText(), U("Схема сохранена."));
    EXPECT_EQ(wnd.StatusWrites(), start + 1);
    emit wnd.SchemeWnd()->hoverCaption(U("R1"));
    EXPECT_EQ(wnd.HoverText(), U("R1"));
    EXPECT_EQ(wnd.StatusText(), U("Схема сохранена."));
    emit wnd.SchemeWnd()->statusMessage(QString());
    EXPECT_EQ(wnd.StatusText(), QString());
    EXPECT_EQ(wnd.StatusWrites(), start + 2);

    // The parts end at 330 and 620 pixels.
    auto* hover = wnd.findChild<QLabel*>(QStringLiteral("HoverPart"));
    auto* status = wnd.findChild<QLabel*>(QStringLiteral("StatusPart"));
    ASSERT_TRUE(hover && status);
    EXPECT_EQ(hover->width(), 330);
    EXPECT_EQ(hover->width() + status->width(), 620);
}

// ---------------------------------------------------------------------------
// Help and about

TEST(Help, ContextNumbersMapToTopics) {
    const std::pair<int, const char*> cases[] = {
        {120, "qrc:/help/analysis.html#transient"},
        {130, "qrc:/help/analysis.html#options"},
        {190, "qrc:/help/analysis.html#frequency"},
        {200, "qrc:/help/analysis.html#sweep"},
        {10, "qrc:/help/drawing.html"},
        {9999, "qrc:/help/contents.html"},
        {0, "qrc:/help/contents.html"},
        {-1, "qrc:/help/contents.html"},
    };
    for (const auto& [number, url] : cases)
        EXPECT_EQ(HelpTopicUrl(number).toString(), QString::fromLatin1(url)) << number;
}

TEST(Help, EveryPageLinksOnlyToPagesAndAnchorsThatExist) {
    EnsureHelpResources();
    // Every page there is, so that a new one cannot escape the check.
    QStringList pages = QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")});
    for (QString& page : pages)
        page.chop(5);
    for (const char* expected : {"contents", "index", "analysis", "graphs", "examples"})
        EXPECT_TRUE(pages.contains(QString::fromLatin1(expected))) << expected;
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    for (const QString& page : pages) {
        QFile f(QStringLiteral(":/help/") + page + QStringLiteral(".html"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_GT(html.size(), 400) << page.toStdString();
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << page.toStdString();
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QString link = it.next().captured(1);
            const QString file = link.section(QLatin1Char('#'), 0, 0);
            const QString anchor = link.section(QLatin1Char('#'), 1);
            const QString target = file.isEmpty() ? page + QStringLiteral(".html") : file;
            QFile t(QStringLiteral(":/help/") + target);
            ASSERT_TRUE(t.open(QIODevice::ReadOnly))
                << page.toStdString() << " -> " << link.toStdString();
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(QString::fromUtf8(t.readAll())
                                .contains(QStringLiteral("id=\"") + anchor + QLatin1Char('"')))
                    << page.toStdString() << " -> " << link.toStdString();
            }
        }
    }
    // The anchors the dialogs ask for exist too.
    for (int number : {120, 130, 190, 200}) {
        const QUrl url = HelpTopicUrl(number);
        QFile t(QStringLiteral(":") + url.path());
        ASSERT_TRUE(t.open(QIODevice::ReadOnly)) << number;
        EXPECT_TRUE(QString::fromUtf8(t.readAll())
                        .contains(QStringLiteral("id=\"") + url.fragment() + QLatin1Char('"')))
            << number;
    }
}

TEST(Help, CommandsOpenTheViewerAtContentsAndIndex) {
    CMainWnd wnd;
    using namespace korvanix::gui::cmd;
    wnd.OnCommand(HelpIndex);
    HelpViewer* viewer = HelpViewer::Instance();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Browser()->source(), HelpIndexUrl());
    EXPECT_FALSE(viewer->Browser()->toPlainText().isEmpty());
    wnd.OnCommand(HelpContents);
    EXPECT_EQ(HelpViewer::Instance(), viewer);
    EXPECT_EQ(viewer->Browser()->source(), HelpContentsUrl());
    ShowHelpTopic(190);
    EXPECT_EQ(viewer->Browser()->source(), HelpTopicUrl(190));
    // A topic further down its page is scrolled into view.
    viewer->resize(400, 200);
    ShowHelpTopic(200);
    QApplication::processEvents();
    EXPECT_GT(viewer->Browser()->verticalScrollBar()->value(), 0);
    CloseHelpViewer();
    EXPECT_EQ(HelpViewer::Instance(), nullptr);
}

TEST(About, ShowsTheProductAndVersion) {
    CMainWnd wnd;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        QWidget* dlg = QApplication::activeModalWidget();
        if (!dlg)
            return;
        for (QLabel* l : dlg->findChildren<QLabel*>())
            shown += l->text() + QLatin1Char('\n');
        static_cast<QDialog*>(dlg)->accept();
    });
    wnd.OnCommand(korvanix::gui::cmd::About);
    EXPECT_TRUE(shown.contains(QStringLiteral("KORVANIX 1.1"))) << shown.toStdString();
}

// ---------------------------------------------------------------------------
// The PNG tool

TEST(Snapshot, WritesAPngOfTheRequestedSize) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("rlc.png"));
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(KORVANIX_SNAPSHOT),
               {QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rlc_series.scm"), out,
                QStringLiteral("900x600")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    QImage image(out);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(900, 600));
    // Not one flat colour: the window with its menus and the circuit is in it.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 3);
}

TEST(Snapshot, RefusesAFileItCannotRead) {
    QTemporaryDir dir;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(env);
    const QString out = dir.filePath(QStringLiteral("none.png"));
    tool.start(QStringLiteral(KORVANIX_SNAPSHOT),
               {dir.filePath(QStringLiteral("missing.scm")), out});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_FALSE(QFile::exists(out));
    tool.start(QStringLiteral(KORVANIX_SNAPSHOT), {QStringLiteral("only-one")});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 2);
}
