// Documents that arrive from outside (a second start, a drop, the recent list)
// while the user is in the middle of something: the save prompt, a dialog, a
// running analysis or an export. Every message box here spins an event loop
// of its own, as a real modal box does, so whatever the window system delivers
// meanwhile arrives in the middle.
#include "GuiTestSupport.h"
#include "gui/AnalysisRunner.h"
#include "gui/Application.h"
#include "gui/CGraphWnd.h"
#include "gui/CMainWnd.h"
#include "gui/CMultiGraphWnd.h"
#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/DataExportJob.h"
#include "gui/DocumentController.h"
#include "gui/GraphCommandIds.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

using namespace korvanix;
using namespace korvanix::gui;

using test_support::FileBytes;
using test_support::U;

namespace {

// Message boxes that run an event loop while they are "open", and answer the
// questions with one reply. `whileOpen` runs inside the first box's loop.
class ModalMessages : public MessageService {
public:
    explicit ModalMessages(Reply answer) : previous_(&Messages()), answer_(answer) {
        SetMessageService(this);
    }
    ~ModalMessages() override { SetMessageService(previous_); }
    void Warn(QWidget*, const QString& text) override {
        warnings.append(text);
        Spin();
    }
    void WarnCaptioned(QWidget*, const QString&, const QString& text) override {
        warnings.append(text);
        Spin();
    }
    void Inform(QWidget*, const QString& text) override {
        warnings.append(text);
        Spin();
    }
    Reply Ask(QWidget*, const QString& text, bool) override {
        questions.append(text);
        Spin();
        return answer_;
    }
    int Choose(QWidget*, const QString& text, const QStringList& buttons) override {
        questions.append(text);
        Spin();
        return static_cast<int>(buttons.size()) - 1;
    }
    std::function<void()> whileOpen;
    QStringList warnings, questions;

private:
    void Spin() {
        if (whileOpen) {
            auto once = std::move(whileOpen);
            whileOpen = nullptr;
            once();
        }
        // What a modal box's own loop does while it is open: everything that
        // has arrived is handled, objects let go are deleted.
        for (int pass = 0; pass < 3; ++pass) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    MessageService* previous_;
    Reply answer_;
};

// Two starts of the program on one lock, with settings of their own.
struct TwoStarts {
    QTemporaryDir dir;
    QSettings firstSettings{dir.filePath(QStringLiteral("first.ini")), QSettings::IniFormat};
    QSettings laterSettings{dir.filePath(QStringLiteral("later.ini")), QSettings::IniFormat};
    QString lock = dir.filePath(QStringLiteral("KORVANIX.lock"));
    Application first{lock, &firstSettings};

    bool HandOver(const QString& path) {
        Application later(lock, &laterSettings);
        return !later.Start(path) && later.MainWindow() == nullptr;
    }
};

const QString kExample = QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rlc_series.scm");

// A saved document whose view has moved since it was saved.
QString ChangedDocument(CMainWnd& wnd, const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("mine.scm"));
    QFile::copy(QStringLiteral(KORVANIX_SOURCE_DIR "/examples/rc_lowpass.scm"), path);
    DocumentController& docs = wnd.Documents();
    docs.OpenPath(path, false);
    docs.Doc().view.scale += 10;
    docs.Session().MarkViewMoved();
    return path;
}

// Nothing is waiting to be opened and nothing is being asked.
bool Delivered(CMainWnd& wnd) {
    return wnd.Documents().PendingCount() == 0 && !DocumentController::InModalMoment();
}

bool TitleIs(CMainWnd& wnd, const char* title) {
    return wnd.windowTitle() == U(title);
}

} // namespace

// Each answer of the save prompt for a hand-over that comes with unsaved work.
TEST(IncomingDocument, HandOverWithUnsavedChangesHonoursEveryAnswer) {
    struct Case {
        Reply answer;
        const char* title; // the window's title after the answer
        bool fileChanged;  // the user's file now holds the change
        bool stillModified;
    };
    const Case cases[] = {
        {Reply::Yes, "KORVANIX - rlc_series.scm", true, false},
        {Reply::No, "KORVANIX - rlc_series.scm", false, false},
        {Reply::Cancel, "KORVANIX - mine.scm", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        for (int attempt = 0; attempt < 3; ++attempt) {
            TwoStarts starts;
            ModalMessages boxes(c.answer);
            ASSERT_TRUE(starts.first.Start());
            CMainWnd& wnd = *starts.first.MainWindow();
            const QString mine = ChangedDocument(wnd, starts.dir);
            const QByteArray before = FileBytes(mine);
            const int scale = wnd.Documents().Doc().view.scale;

            ASSERT_TRUE(starts.HandOver(kExample));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.questions.isEmpty(); }, 5000));
            ASSERT_TRUE(QTest::qWaitFor([&] { return Delivered(wnd); }, 5000));
            EXPECT_EQ(boxes.questions.size(), 1);
            EXPECT_TRUE(TitleIs(wnd, c.title)) << wnd.windowTitle().toStdString();
            EXPECT_EQ(FileBytes(mine) != before, c.fileChanged);
            if (c.answer == Reply::Cancel) {
                EXPECT_EQ(wnd.Documents().Doc().view.scale, scale);
                EXPECT_TRUE(wnd.Documents().Doc().IsModified());
            }
            EXPECT_TRUE(boxes.warnings.isEmpty()) << boxes.warnings.join('|').toStdString();
            wnd.Documents().Doc().SetModified(false);
            wnd.hide();
        }
    }
}

// A damaged file handed over says why and keeps the document that was open,
// changed or not.
TEST(IncomingDocument, ADamagedFileHandedOverKeepsTheOpenDocument) {
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed);
        TwoStarts starts;
        ModalMessages boxes(Reply::No);
        ASSERT_TRUE(starts.first.Start());
        CMainWnd& wnd = *starts.first.MainWindow();
        const QString mine = ChangedDocument(wnd, starts.dir);
        if (!changed)
            wnd.Documents().Doc().SetModified(false);
        const std::size_t elements = wnd.Documents().Doc().scheme.elements.size();
        const QString damaged = starts.dir.filePath(QStringLiteral("damaged.scm"));
        QByteArray bytes = FileBytes(kExample);
        bytes[100] = static_cast<char>(bytes[100] ^ 0x10);
        QFile out(damaged);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();

        ASSERT_TRUE(starts.HandOver(damaged));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.warnings.isEmpty(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Delivered(wnd); }, 5000));
        EXPECT_EQ(boxes.warnings, QStringList{U("Ошибка CRC в файле damaged.scm")});
        EXPECT_TRUE(TitleIs(wnd, "KORVANIX - mine.scm")) << wnd.windowTitle().toStdString();
        EXPECT_EQ(wnd.Documents().Doc().scheme.elements.size(), elements);
        EXPECT_EQ(wnd.Documents().Doc().IsModified(), changed);
        EXPECT_EQ(wnd.Documents().Doc().Path(), mine.toStdString());
        wnd.Documents().Doc().SetModified(false);
        wnd.hide();
    }
}

namespace {

// The program started with a changed document of its own; every box is
// answered No.
class IncomingDuringWork : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(starts.first.Start());
        wnd = starts.first.MainWindow();
        ChangedDocument(*wnd, starts.dir);
        QObject::connect(&Analyses(), &AnalysisRunner::finished, wnd, [this] { ++finished; });
    }
    void TearDown() override {
        Analyses().SetDialogs(nullptr);
        Analyses().SetDispatchInterval(AnalysisRunner::kDispatchInterval);
        wnd->hide();
    }
    AnalysisRunner& Analyses() { return wnd->SchemeWnd()->Analyses(); }
    // The handed-over document has reached the controller, which holds it.
    bool Arrived() { return wnd->Documents().PendingCount() > 0; }
    // The transient analysis command, to the end of its computation.
    bool Analyse() {
        const int before = finished;
        wnd->OnCommand(cmd::Transient);
        return QTest::qWaitFor([&] { return finished > before; }, 20000);
    }
    // The handed-over example replaces the changed document after one prompt.
    void ExpectTheExampleAfterOnePrompt() {
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return TitleIs(*wnd, "KORVANIX - rlc_series.scm"); }, 5000))
            << wnd->windowTitle().toStdString();
        EXPECT_EQ(boxes.questions.size(), 1) << "the save prompt of the changed document";
    }

    TwoStarts starts;
    ModalMessages boxes{Reply::No};
    CMainWnd* wnd = nullptr;
    int finished = 0;
};

// An analysis dialog that stays open (a loop of its own) while `whileOpen`
// runs and until `openUntil` holds, then presses OK.
class SlowAnalysisDialogs : public AnalysisDialogs {
public:
    std::function<void()> whileOpen;
    std::function<bool()> openUntil;
    int shown = 0;
    bool Transient(QWidget*, document::TransientSettings& settings,
                   const std::vector<analysis::OfferedOutput>&,
                   const model::ElementList&) override {
        ++shown;
        if (whileOpen)
            whileOpen();
        EXPECT_TRUE(QTest::qWaitFor(openUntil, 5000));
        settings.parts[0].pointCount = 12345;
        return true;
    }
};

} // namespace

// A document handed over while the analysis dialog is open waits for it: the
// dialog's settings go into the document it was opened for, and the analysis
// runs on that circuit; then the incoming document is asked about.
TEST_F(IncomingDuringWork, AHandOverWaitsForTheAnalysisDialog) {
    SlowAnalysisDialogs dialogs;
    Analyses().SetDialogs(&dialogs);
    bool handed = false;
    dialogs.whileOpen = [&] { handed = starts.HandOver(kExample); };
    dialogs.openUntil = [&] { return Arrived(); };
    ASSERT_TRUE(Analyse()) << boxes.warnings.join('|').toStdString();
    EXPECT_TRUE(handed);
    EXPECT_EQ(dialogs.shown, 1);
    ExpectTheExampleAfterOnePrompt();
    // The example's own settings, untouched by the dialog of the other document.
    EXPECT_NE(wnd->Documents().Doc().settings.transient.parts[0].pointCount, 12345);
}

namespace {

// OK with the stored settings.
class AcceptingDialogs : public AnalysisDialogs {
public:
    bool Transient(QWidget*, document::TransientSettings&,
                   const std::vector<analysis::OfferedOutput>&,
                   const model::ElementList&) override {
        return true;
    }
};

class AnsweredSavePath : public FileDialogs {
public:
    explicit AnsweredSavePath(QString path) : path_(std::move(path)) { SetFileDialogs(this); }
    ~AnsweredSavePath() override { SetFileDialogs(nullptr); }
    bool SavePathOfType(QWidget*, const QString&, const QStringList&, const QStringList&,
                        QString& path, int& filter) override {
        path = path_;
        filter = 0;
        return true;
    }

private:
    QString path_;
};

} // namespace

// A document handed over while an analysis computes waits for its end; the
// results belong to the circuit that was analysed.
TEST_F(IncomingDuringWork, AHandOverWaitsForTheRunningAnalysis) {
    AcceptingDialogs dialogs;
    Analyses().SetDialogs(&dialogs);
    // Point by point: the run lasts until the hand-over has arrived.
    Analyses().SetDispatchInterval(std::chrono::milliseconds(0));
    bool handed = false;
    bool titleDuringRun = false;
    QObject::connect(
        &Analyses(), &AnalysisRunner::started, wnd,
        [&] {
            handed = starts.HandOver(kExample);
            // The worker starts after this: nothing runs on meanwhile.
            EXPECT_TRUE(QTest::qWaitFor([&] { return Arrived(); }, 5000));
            titleDuringRun = TitleIs(*wnd, "KORVANIX - mine.scm");
            EXPECT_TRUE(boxes.questions.isEmpty()) << "nothing is asked under a running analysis";
        },
        Qt::SingleShotConnection);
    ASSERT_TRUE(Analyse());
    EXPECT_TRUE(handed);
    EXPECT_TRUE(titleDuringRun);
    ExpectTheExampleAfterOnePrompt();
}

// A document handed over during "Сохранить данные" waits for the export: the
// graph window it reads stays open and the whole table reaches the file.
TEST_F(IncomingDuringWork, AHandOverWaitsForTheDataExport) {
    AcceptingDialogs dialogs;
    Analyses().SetDialogs(&dialogs);
    ASSERT_TRUE(Analyse());
    QPointer<CMultiGraphWnd> graphs = CMultiGraphWnd::Find(U(kTransientGraphTitle));
    ASSERT_FALSE(graphs.isNull());
    const int points = static_cast<int>(graphs->Pane(0)->Data().X(0).Count());
    ASSERT_GT(points, 10);

    const QString table = starts.dir.filePath(QStringLiteral("table.txt"));
    AnsweredSavePath files(table);
    std::atomic<bool> release{false};
    DataExportJob::SetLineHook([&release](int line, const std::atomic<bool>&) {
        if (line == 5)
            for (int i = 0; i < 2000 && !release; ++i)
                QThread::msleep(5);
    });
    graphs->OnCommand(gcmd::SaveAllData);
    ASSERT_TRUE(starts.HandOver(kExample));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Arrived(); }, 5000));
    EXPECT_TRUE(boxes.questions.isEmpty()) << "nothing is asked under a running export";
    EXPECT_TRUE(TitleIs(*wnd, "KORVANIX - mine.scm"));
    EXPECT_FALSE(graphs.isNull());
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([] { return DataExportJob::RunningCount() == 0; }, 20000));
    DataExportJob::SetLineHook(nullptr);
    ExpectTheExampleAfterOnePrompt();
    QFile written(table);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().count('\n'), points + 3);
    EXPECT_TRUE(graphs.isNull()) << "the new document closed the old circuit's results";
}
