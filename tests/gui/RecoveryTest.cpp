// Autosave and crash recovery through the real windows: the copy follows the
// unsaved changes and never touches the user's file, failures are said once,
// start-up offers what a crash left, and a killed program's edit comes back.
#include "GuiTestSupport.h"
#include "document/RecoveryStore.h"
#include "gui/Application.h"
#include "gui/Autosave.h"
#include "gui/CMainWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/DocumentController.h"
#include "gui/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

using namespace korvanix;
using namespace korvanix::gui;

using test_support::FileBytes;
using test_support::U;

namespace {

bool Exists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

// Records the boxes; questions get the scripted answers, then No / the last button.
class ScriptedMessages : public MessageService {
public:
    ScriptedMessages() : previous_(&Messages()) { SetMessageService(this); }
    ~ScriptedMessages() override { SetMessageService(previous_); }
    void Warn(QWidget*, const QString& text) override { warnings.append(text); }
    void Inform(QWidget*, const QString& text) override { warnings.append(text); }
    Reply Ask(QWidget*, const QString& text, bool) override {
        questions.append(text);
        return Next(replies, Reply::No);
    }
    int Choose(QWidget*, const QString& text, const QStringList& buttons) override {
        choices.append(text);
        EXPECT_EQ(buttons, (QStringList{U("Восстановить"), U("Удалить"), U("Оставить")}));
        return Next(picks, static_cast<int>(buttons.size()) - 1);
    }
    std::deque<Reply> replies;
    std::deque<int> picks;
    QStringList warnings, questions, choices;

private:
    template <class T> static T Next(std::deque<T>& script, T otherwise) {
        if (script.empty())
            return otherwise;
        T next = script.front();
        script.pop_front();
        return next;
    }
    MessageService* previous_;
};

// A recovery folder of the test's own for as long as the object lives.
struct RecoveryFolder {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("recovery"));
    QString previous = gui::RecoveryFolder();
    RecoveryFolder() { SetRecoveryFolder(path); }
    ~RecoveryFolder() { SetRecoveryFolder(previous); }
    std::vector<document::RecoveryCopy> Copies() const {
        return document::RecoveryStore(path.toStdString(), "lister").List();
    }
};

// A copy of an example in a folder of the test's own.
QString CopyExample(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(QFile::copy(QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rc_lowpass.scm"), path));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    // A minute old: a copy written now is newer by far more than a clock tick.
    EXPECT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                                 QFileDevice::FileModificationTime));
    return path;
}

class AutosaveTest : public ::testing::Test {
protected:
    AutosaveTest() {
        wnd.resize(800, 600);
        wnd.show();
        docPath = CopyExample(docs, U("схема 1.scm"));
        wnd.Documents().OpenPath(docPath, false);
        original = FileBytes(docPath);
    }
    void PlaceResistor() {
        QWidget* vp = wnd.viewport();
        const QPoint at = vp->rect().center() + QPoint(0, 40 * placed++);
        wnd.OnCommand(cmd::PlaceResistor);
        QTest::mouseMove(vp, at);
        QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseClick(vp, Qt::RightButton, Qt::NoModifier, at);
    }
    Autosave& Recovery() { return wnd.Documents().Recovery(); }

    ScriptedMessages messages;
    RecoveryFolder recovery;
    QTemporaryDir docs;
    QString docPath;
    QByteArray original;
    CSchemeWnd wnd;
    int placed = 0;
};

TEST_F(AutosaveTest, TheCopyFollowsUnsavedChangesAndNeverTouchesTheFile) {
    EXPECT_FALSE(Recovery().Tick()) << "nothing unsaved";
    EXPECT_TRUE(recovery.Copies().empty());

    PlaceResistor();
    const std::size_t elements = wnd.Doc().scheme.elements.size();
    ASSERT_TRUE(Recovery().Tick());
    const std::string copy = Recovery().CurrentFile();
    ASSERT_EQ(recovery.Copies().size(), 1u);
    std::string path;
    std::vector<uint8_t> image;
    ASSERT_TRUE(document::RecoveryStore::Read(copy, path, image));
    EXPECT_EQ(QString::fromStdString(path), QFileInfo(docPath).canonicalFilePath());
    EXPECT_EQ(image, wnd.Doc().Serialize());
    EXPECT_EQ(FileBytes(docPath), original) << "the user's file is never written by autosave";
    EXPECT_EQ(QDir(docs.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{U("схема 1.scm")})
        << "nothing goes into the document's folder";

    wnd.OnCommand(cmd::Undo);
    EXPECT_FALSE(Recovery().Tick());
    EXPECT_FALSE(Exists(copy)) << "back at the saved state: nothing to recover";
    wnd.OnCommand(cmd::Redo);
    ASSERT_TRUE(Recovery().Tick());
    EXPECT_EQ(Recovery().CurrentFile(), copy) << "one copy a document, rewritten in place";

    wnd.OnCommand(cmd::Save);
    EXPECT_FALSE(Exists(copy)) << "saved: the copy goes";
    EXPECT_EQ(wnd.Doc().scheme.elements.size(), elements);

    // Given up for a file that then fails to open: the work stays, and so
    // does its copy.
    PlaceResistor();
    ASSERT_TRUE(Recovery().Tick());
    const QString damaged = QDir(docs.path()).filePath(QStringLiteral("damaged.scm"));
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\x01\x01\x05garbage", 10);
    }
    messages.replies = {Reply::No};
    wnd.Documents().OpenPath(damaged, true);
    EXPECT_EQ(messages.warnings.size(), 1);
    EXPECT_TRUE(wnd.Doc().IsModified());
    EXPECT_EQ(recovery.Copies().size(), 1u) << "the work was not replaced: its copy stays";
    messages.questions.clear();

    messages.replies = {Reply::No};
    wnd.OnCommand(cmd::New); // "Сохранить изменения ...?" No
    EXPECT_EQ(messages.questions.size(), 1);
    EXPECT_TRUE(recovery.Copies().empty()) << "left without saving: the copy goes";

    PlaceResistor();
    ASSERT_TRUE(Recovery().Tick());
    messages.replies = {Reply::Cancel};
    EXPECT_FALSE(wnd.CloseDocument());
    EXPECT_EQ(recovery.Copies().size(), 1u) << "closing cancelled: the work is still unsaved";
}

TEST_F(AutosaveTest, AFailureIsSaidOnceAndEditingGoesOn) {
    QSignalSpy status(&wnd, &CSchemeWnd::statusMessage);
    QFile blocker(recovery.dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString unusable = blocker.fileName() + QStringLiteral("/recovery");
    SetRecoveryFolder(unusable);

    PlaceResistor();
    EXPECT_FALSE(Recovery().Tick());
    EXPECT_FALSE(Recovery().Tick());
    PlaceResistor();
    EXPECT_FALSE(Recovery().Tick());
    const QString said =
        U("Не удается записать копию для восстановления в папку %1.").arg(unusable);
    auto timesSaid = [&] {
        int n = 0;
        for (const QList<QVariant>& signal : status)
            n += signal.at(0).toString() == said ? 1 : 0;
        return n;
    };
    EXPECT_EQ(timesSaid(), 1);
    EXPECT_TRUE(messages.warnings.isEmpty()) << "no box stops the user";
    EXPECT_EQ(FileBytes(docPath), original);

    SetRecoveryFolder(recovery.path);
    EXPECT_TRUE(Recovery().Tick());
    SetRecoveryFolder(unusable);
    EXPECT_FALSE(Recovery().Tick());
    EXPECT_EQ(timesSaid(), 2) << "said again after it had worked in between";
}

TEST_F(AutosaveTest, ATickDuringAGestureWaitsForItsEnd) {
    PlaceResistor();
    wnd.OnCommand(cmd::PlaceResistor);
    ASSERT_TRUE(wnd.IsPlacing());
    EXPECT_FALSE(Recovery().Tick());
    EXPECT_TRUE(recovery.Copies().empty());
    QTest::mouseClick(wnd.viewport(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Recovery().CurrentFile().empty(); }, 10000))
        << "written soon after the gesture ended";
}

TEST(AutosaveSettingsTest, TheIntervalIsReadSafelyAndSetFromTheMenu) {
    struct Case {
        const char* what;
        QVariant stored;
        int minutes;
    };
    const Case cases[] = {
        {"missing", QVariant(), 2}, {"off", 0, 0},
        {"longest", 60, 60},        {"too long", 61, 2},
        {"negative", -5, 2},        {"text", QStringLiteral("abc"), 2},
        {"number text", U("5"), 5}, {"a list", QStringList{U("1"), U("2")}, 2},
        {"huge", 1e300, 2},         {"fraction", 1.5, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("k.ini")), QSettings::IniFormat);
        if (c.stored.isValid())
            settings.setValue(QStringLiteral("1.1/AutosaveMinutes"), c.stored);
        CMainWnd wnd(&settings);
        EXPECT_EQ(wnd.Documents().Recovery().Minutes(), c.minutes);
        EXPECT_EQ(wnd.Documents().Recovery().IsRunning(), c.minutes != 0);
    }

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("k.ini")), QSettings::IniFormat);
    CMainWnd wnd(&settings);
    for (int answer : {0, 15}) {
        QTimer::singleShot(0, [answer] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->intMaximum(), 60);
            dialog->setIntValue(answer);
            dialog->accept();
        });
        wnd.OnCommand(cmd::AutosaveInterval);
        EXPECT_EQ(wnd.Documents().Recovery().Minutes(), answer);
        EXPECT_EQ(wnd.Documents().Recovery().IsRunning(), answer != 0);
        EXPECT_EQ(settings.value(QStringLiteral("1.1/AutosaveMinutes")).toInt(), answer);
    }
}

// What start-up offers, and what each answer leaves behind.
TEST(RecoveryOfferTest, EachAnswerDoesWhatItSays) {
    enum class Copy { Newer, Older, Untitled, Damaged };
    enum class Restored { Nothing, Document, Untitled };
    struct Case {
        const char* what;
        std::vector<Copy> copies; // written oldest first
        std::deque<int> picks;
        std::deque<Reply> replies;
        int choices;   // restore questions asked
        int questions; // damaged-copy questions asked
        int remaining; // copies left in the folder
        Restored restored;
    };
    const Case cases[] = {
        {"restore", {Copy::Newer}, {0}, {}, 1, 0, 1, Restored::Document},
        {"delete", {Copy::Newer}, {1}, {}, 1, 0, 0, Restored::Nothing},
        {"keep", {Copy::Newer}, {2}, {}, 1, 0, 1, Restored::Nothing},
        {"older than its document", {Copy::Older}, {}, {}, 0, 0, 1, Restored::Nothing},
        {"untitled", {Copy::Untitled}, {0}, {}, 1, 0, 1, Restored::Untitled},
        {"damaged, deleted", {Copy::Damaged}, {}, {Reply::Yes}, 0, 1, 0, Restored::Nothing},
        {"damaged, kept", {Copy::Damaged}, {}, {Reply::No}, 0, 1, 1, Restored::Nothing},
        {"one restored, the next waits",
         {Copy::Untitled, Copy::Newer},
         {0},
         {},
         1,
         0,
         2,
         Restored::Document},
        {"one kept, the next offered",
         {Copy::Untitled, Copy::Newer},
         {2, 0},
         {},
         2,
         0,
         2,
         Restored::Untitled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecoveryFolder recovery;
        QTemporaryDir docs;
        const QString docPath = CopyExample(docs, U("схема.scm"));
        const QByteArray original = FileBytes(docPath);
        document::RecoveryStore earlier(recovery.path.toStdString(), "earlier-run");
        std::vector<uint8_t> image;
        {
            document::Document doc;
            ASSERT_TRUE(doc.Open(docPath.toStdString()).read);
            doc.scheme.elements.front()->x += 100; // the unsaved work: an element moved
            image = doc.Serialize();
        }
        const std::string key = QFileInfo(docPath).canonicalFilePath().toStdString();
        for (Copy copy : c.copies) {
            const std::string written = copy == Copy::Untitled ? "" : key;
            ASSERT_EQ(earlier.Write(written, image), document::WriteOutcome::Written);
            const std::string file = earlier.FileFor(written);
            if (copy == Copy::Damaged)
                QFile::resize(QString::fromStdString(file), 40);
            // The untitled copy is the older of two; an older copy predates the file.
            const int age = copy == Copy::Older ? 3600 : copy == Copy::Untitled ? 60 : 0;
            QFile f(QString::fromStdString(file));
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                                      QFileDevice::FileModificationTime));
        }

        ScriptedMessages messages;
        messages.picks = c.picks;
        messages.replies = c.replies;
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("k.ini")), QSettings::IniFormat);
        Application app(dir.filePath(QStringLiteral("KORVANIX.lock")), &settings);
        ASSERT_TRUE(app.Start());
        const document::Document& doc = app.MainWindow()->SchemeWnd()->Doc();

        EXPECT_EQ(messages.choices.size(), c.choices);
        EXPECT_EQ(messages.questions.size(), c.questions);
        EXPECT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('|').toStdString();
        EXPECT_EQ(static_cast<int>(recovery.Copies().size()), c.remaining);
        const bool restored = c.restored != Restored::Nothing;
        EXPECT_EQ(doc.IsModified(), restored);
        EXPECT_EQ(doc.scheme.elements.empty(), !restored);
        EXPECT_EQ(app.MainWindow()->Documents().Recovery().CurrentFile().empty(), !restored);
        EXPECT_EQ(doc.IsUntitled(), c.restored != Restored::Document);
        if (c.restored == Restored::Document) {
            EXPECT_EQ(QString::fromStdString(doc.Path()), QFileInfo(docPath).canonicalFilePath());
        }
        if (c.choices > 0 && c.copies.back() == Copy::Newer && !messages.choices.isEmpty()) {
            EXPECT_TRUE(messages.choices.first().contains(QFileInfo(docPath).canonicalFilePath()));
        }
        EXPECT_EQ(FileBytes(docPath), original);
        app.MainWindow()->hide();
    }
}

// The whole cycle with a real process: an edit, a recovery tick, SIGKILL, a new
// start that restores the edit.
TEST(RecoveryProcessTest, AKilledProgramsEditComesBack) {
    QTemporaryDir dir;
    RecoveryFolder recovery;
    const QString docPath = CopyExample(dir, U("моя схема.scm"));
    const QByteArray original = FileBytes(docPath);
    const QString lock = dir.filePath(QStringLiteral("KORVANIX.lock"));
    const QString settingsPath = dir.filePath(QStringLiteral("k.ini"));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(KORVANIX_RECOVERY_CHILD),
                {lock, settingsPath, recovery.path, docPath});
    ASSERT_TRUE(child.waitForStarted(10000));
    QByteArray said;
    while (!said.contains('\n') && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    ASSERT_TRUE(said.startsWith("ready "))
        << said.toStdString() << child.readAllStandardError().toStdString();
    const int elements = said.mid(6).trimmed().toInt();
    child.kill(); // SIGKILL: no chance to save or clean up
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(recovery.Copies().size(), 1u);

    ScriptedMessages messages;
    messages.picks = {0};
    QSettings settings(settingsPath, QSettings::IniFormat);
    Application app(lock, &settings); // the dead copy's lock is taken over
    ASSERT_TRUE(app.Start());
    ASSERT_EQ(messages.choices.size(), 1);
    const document::Document& doc = app.MainWindow()->SchemeWnd()->Doc();
    EXPECT_EQ(QString::fromStdString(doc.Path()), QFileInfo(docPath).canonicalFilePath());
    EXPECT_EQ(static_cast<int>(doc.scheme.elements.size()), elements);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(app.MainWindow()->windowTitle(), U("KORVANIX - моя схема.scm"));
    EXPECT_EQ(FileBytes(docPath), original) << "the user's file is as it was saved";

    // Saving the restored document settles it: no copy is left to offer again.
    app.MainWindow()->SchemeWnd()->OnCommand(cmd::Save);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(recovery.Copies().empty());
    app.MainWindow()->hide();
}

} // namespace
