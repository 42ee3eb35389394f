#include "document/Document.h"
#include "gui/CTextWnd.h"
#include "gui/CircuitClipboard.h"
#include "gui/GuiPrompts.h"
#include "gui/Messages.h"
#include "model/Archive.h"
#include "model/CircuitArchive.h"
#include "model/Scheme.h"
#include "model/Text1251.h"
#include "netlist/NetlistText.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

using namespace korvanix;
using namespace korvanix::gui;
using model::Element;
using model::Scheme;

namespace {

class RecordingMessages : public MessageService {
public:
    void Warn(QWidget* /*parent*/, const QString& text) override { warnings.push_back(text); }
    void Inform(QWidget* /*parent*/, const QString& text) override { warnings.push_back(text); }
    Reply Ask(QWidget* /*parent*/, const QString& text, bool /*withCancel*/) override {
        questions.push_back(text);
        return answer;
    }

    std::vector<QString> warnings;
    std::vector<QString> questions;
    Reply answer = Reply::No;
};

// Answers the save dialog with a fixed path (or cancels when it is empty) and
// remembers how it was opened.
class ScriptedFiles : public FileDialogs {
public:
    bool OpenPath(QWidget* /*parent*/, const QString& /*filter*/, QString& path) override {
        path = answer;
        return !answer.isEmpty();
    }
    bool SavePath(QWidget* /*parent*/, const QString& proposedName, const QString& filterText,
                  const QString& suffixText, QString& path) override {
        ++calls;
        proposed = proposedName;
        filter = filterText;
        suffix = suffixText;
        path = answer;
        return !answer.isEmpty();
    }

    QString answer;
    int calls = 0;
    QString proposed;
    QString filter;
    QString suffix;
};

Element* Place(Scheme& s, model::ElementKind kind, int x, int y) {
    return s.PlaceNew(kind, x, y);
}

// R1 and R2 joined, R2 also wired to C1; R1 and R2 selected.
void BuildSheet(Scheme& s) {
    Element* r1 = Place(s, model::kind::Resistor, 96, 96);
    Element* r2 = Place(s, model::kind::Resistor, 296, 96);
    Element* c1 = Place(s, model::kind::Capacitor, 496, 96);
    s.Join(r1, 2, r2, 1);
    s.Join(r2, 2, c1, 1);
    s.RenumberNodes();
    s.RenumberNames();
    s.SelectAt(96, 96, false);
    s.SelectAt(296, 96, true);
}

std::vector<CTextWnd*> OpenElementLists() {
    std::vector<CTextWnd*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* text = qobject_cast<CTextWnd*>(w);
        if (text && text->isVisible() &&
            text->windowTitle() == QString::fromUtf8("Список элементов"))
            found.push_back(text);
    }
    return found;
}

void DeletePendingWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

class ClipboardAndText : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageService(&messages);
        SetFileDialogs(&files);
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override {
        CloseElementList();
        DeletePendingWindows();
        SetMessageService(nullptr);
        SetFileDialogs(nullptr);
    }

    RecordingMessages messages;
    ScriptedFiles files;
};

TEST_F(ClipboardAndText, CopyPutsTheRecordsAndAPictureOnTheClipboard) {
    Scheme s;
    BuildSheet(s);
    CopySelection(s, document::SchemeOptions{}, true, {48, 48});

    EXPECT_TRUE(s.selection.empty());
    EXPECT_EQ(s.pastePoint, (model::Point{48, 48}));
    ASSERT_TRUE(ClipboardHasCircuit());
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_TRUE(mime->hasImage());

    const QByteArray block = mime->data(QString::fromLatin1(kCircuitMimeType));
    model::ArchiveReader reader(reinterpret_cast<const uint8_t*>(block.constData()),
                                static_cast<std::size_t>(block.size()));
    model::ElementList elements;
    model::WireList wires;
    model::ReadObjects(reader, elements, wires);
    EXPECT_EQ(elements.size(), 2u);
    EXPECT_EQ(wires.size(), 1u);

    const QImage picture = qvariant_cast<QImage>(mime->imageData());
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::white));

    // And it comes back on paste, at the given point.
    const model::Rect area = PasteFromClipboard(s, 800, 800, {48, 48}, nullptr);
    EXPECT_FALSE(area.IsEmpty());
    EXPECT_EQ(s.elements.size(), 5u);
    EXPECT_EQ(s.wires.size(), 3u);
    EXPECT_EQ(s.selection.size(), 2u);
    EXPECT_NEAR(area.left, 805, 4);
    EXPECT_TRUE(messages.warnings.empty());
}

TEST_F(ClipboardAndText, ThePictureHasTheFragmentsSize) {
    Scheme s;
    BuildSheet(s);
    const model::ClipboardFragment f = s.CopySelection(false, {48, 48});
    const QImage picture = FragmentPicture(f, document::SchemeOptions{});
    EXPECT_EQ(picture.width(), f.size.width);
    EXPECT_EQ(picture.height(), f.size.height);

    // Drawn on white, nothing in red although the copied elements were selected,
    // the name and value tags in their blue.
    int dark = 0;
    int red = 0;
    int blue = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            if (c.red() < 100 && c.green() < 100 && c.blue() < 100)
                ++dark;
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                ++red;
            if (c.blue() > 200 && c.red() < 80 && c.green() < 80)
                ++blue;
        }
    }
    EXPECT_GT(dark, 0);
    EXPECT_GT(blue, 0);
    EXPECT_EQ(red, 0);
    for (int x = 0; x < picture.width(); ++x)
        EXPECT_EQ(picture.pixelColor(x, 0), QColor(Qt::white)) << x;

    const std::unique_ptr<QMimeData> mime(FragmentMimeData(f, document::SchemeOptions{}));
    const QByteArray block = mime->data(QString::fromLatin1(kCircuitMimeType));
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.end()), f.bytes);
    EXPECT_TRUE(mime->hasImage());
}

TEST_F(ClipboardAndText, CopyingNothingLeavesTheClipboardAlone) {
    Scheme s;
    Place(s, model::kind::Resistor, 96, 96);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    CopySelection(s, document::SchemeOptions{}, true, {48, 48});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_FALSE(ClipboardHasCircuit());
    EXPECT_EQ(s.pastePoint, Scheme::kNoPastePoint);
}

// Paste takes only a sound circuit block; anything else passes without a word.
TEST_F(ClipboardAndText, PasteIgnoresWhatIsNotACircuit) {
    struct Case {
        const char* name;
        QByteArray circuit; // null: no circuit format at all
    };
    const Case cases[] = {
        {"text only", QByteArray()},
        {"garbage block", QByteArray("\x02\x00\x00\x00\xe8\x03", 6)},
        {"empty block", QByteArray("")},
    };
    for (const Case& c : cases) {
        auto* mime = new QMimeData;
        mime->setText(QStringLiteral("R1 1 0 1k"));
        if (!c.circuit.isNull())
            mime->setData(QString::fromLatin1(kCircuitMimeType), c.circuit);
        QGuiApplication::clipboard()->setMimeData(mime);

        Scheme s;
        Place(s, model::kind::Resistor, 96, 96);
        const model::Rect area = PasteFromClipboard(s, -100, -100, {48, 48}, nullptr);
        EXPECT_TRUE(area.IsEmpty()) << c.name;
        EXPECT_EQ(s.elements.size(), 1u) << c.name;
        EXPECT_EQ(s.nextElementId, 2) << c.name;
        EXPECT_TRUE(messages.warnings.empty()) << c.name;
    }
}

TEST_F(ClipboardAndText, ShowingTheElementListTwiceKeepsOneWindowAndRefreshesIt) {
    QWidget owner;
    Scheme s;
    Element* r = Place(s, model::kind::Resistor, 96, 96);
    r->SetParam(0, 4700);

    CTextWnd* first = ShowElementList(&owner, s);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isWindow());
    EXPECT_EQ(first->parentWidget(), &owner);
    EXPECT_TRUE(first->Text().contains(QStringLiteral("R1 -1 -1 4.7k")));
    EXPECT_FALSE(first->Text().contains(QLatin1Char('\r')));
    EXPECT_TRUE(first->Text().startsWith(QString(75, QLatin1Char('*')) + QLatin1Char('\n')));

    Place(s, model::kind::Capacitor, 296, 96);
    CTextWnd* second = ShowElementList(&owner, s);
    EXPECT_EQ(second, first);
    EXPECT_EQ(OpenElementLists().size(), 1u);
    EXPECT_TRUE(second->Text().contains(QStringLiteral("\nC1 ")));
    EXPECT_EQ(second->Text(), QString::fromStdString(netlist::BuildNetlistText(s))
                                  .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

TEST_F(ClipboardAndText, TheTextWindowSitsAlongTheBottomOfTheScreen) {
    QWidget owner;
    CTextWnd window(&owner, QStringLiteral("t"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window.geometry().left(), screen.left() + 30);
    EXPECT_EQ(window.geometry().top(), screen.top() + screen.height() - 270);
    EXPECT_EQ(window.geometry().width(), screen.width() - 60);
    EXPECT_EQ(window.geometry().height(), 215);
    window.SetText(QStringLiteral("a\nb"));
    EXPECT_EQ(window.Text(), QStringLiteral("a\nb"));
    EXPECT_EQ(window.findChildren<QPlainTextEdit*>().size(), 1);
}

TEST_F(ClipboardAndText, ClosingTheElementListDestroysItAndTheNextShowMakesANewOne) {
    QWidget owner;
    Scheme s;
    QPointer<CTextWnd> first = ShowElementList(&owner, s);
    CloseElementList();
    EXPECT_TRUE(OpenElementLists().empty());
    DeletePendingWindows();
    EXPECT_TRUE(first.isNull());
    CTextWnd* second = ShowElementList(&owner, s);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(OpenElementLists().size(), 1u);
}

TEST_F(ClipboardAndText, SavingTheUntitledListProposesUntitledTxtAndWritesCp1251WithCrLf) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    document::Document doc;
    Element* r = Place(doc.scheme, model::kind::Resistor, 96, 96);
    r->SetParam(0, 4700);
    files.answer = dir.filePath(QStringLiteral("list.txt"));

    QString status;
    SaveElementList(nullptr, doc, status);
    EXPECT_EQ(files.proposed, QStringLiteral("Untitled.txt"));
    EXPECT_EQ(files.filter, QString::fromUtf8("Текстовые файлы (*.txt)"));
    EXPECT_EQ(files.suffix, QStringLiteral("txt"));
    EXPECT_EQ(status, QString::fromUtf8("Сохранение завершено."));
    EXPECT_TRUE(messages.warnings.empty());

    const std::string stars(75, '*');
    const std::string expected = stars + "\r\n* Список элементов\r\n* Создан в KORVANIX 1.1\r\n" +
                                 stars + "\r\nR1 -1 -1 4.7k";
    const QByteArray written = ReadFile(files.answer);
    EXPECT_EQ(written.toStdString(), model::Utf8ToCp1251(expected));
}

TEST_F(ClipboardAndText, ABoundDocumentProposesItsOwnNameBesideIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    document::Document doc;
    const std::string scm = dir.filePath(QStringLiteral("amplifier.scm")).toStdString();
    struct Silent : document::DocumentPrompts {
        document::Answer Ask(const std::string&, bool) override { return document::Answer::No; }
        void Warn(const std::string&) override {}
        bool ChooseSavePath(const std::string&, std::string&) override { return false; }
    } prompts;
    ASSERT_TRUE(doc.SaveAs(scm, prompts).saved);

    QString status;
    SaveElementList(nullptr, doc, status); // cancelled: no answer scripted
    EXPECT_EQ(files.calls, 1);
    EXPECT_EQ(files.proposed, dir.filePath(QStringLiteral("amplifier.txt")));
    EXPECT_TRUE(status.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.txt")}).isEmpty());
}

TEST_F(ClipboardAndText, AFileThatCannotBeOpenedIsReportedAndNothingCompletes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    document::Document doc;
    files.answer = dir.filePath(QStringLiteral("missing/folder/список.txt"));
    QString status = QStringLiteral("before");
    SaveElementList(nullptr, doc, status);
    ASSERT_EQ(messages.warnings.size(), 1u);
    EXPECT_EQ(messages.warnings[0],
              QString::fromUtf8(
                  "Не удается открыть файл список.txt для записи.\nСохранение не выполнено."));
    EXPECT_EQ(status, QStringLiteral("before"));
}

TEST_F(ClipboardAndText, AReadOnlyFileIsOverwrittenOnlyWhenTheUserAgrees) {
    for (const Reply answer : {Reply::No, Reply::Yes}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("list.txt"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        ASSERT_EQ(::chmod(path.toLocal8Bit().constData(), 0444), 0);

        messages.questions.clear();
        messages.answer = answer;
        files.answer = path;
        document::Document doc;
        QString status;
        SaveElementList(nullptr, doc, status);

        ASSERT_EQ(messages.questions.size(), 1u);
        EXPECT_EQ(messages.questions[0],
                  QString::fromStdString(document::ReadOnlyQuestion(path.toStdString())));
        if (answer == Reply::No) {
            EXPECT_EQ(ReadFile(path), QByteArray("old"));
            EXPECT_TRUE(status.isEmpty());
        } else {
            EXPECT_TRUE(ReadFile(path).startsWith(QByteArray(75, '*')));
            EXPECT_EQ(status, QString::fromUtf8("Сохранение завершено."));
        }
    }
}

TEST_F(ClipboardAndText, GuiPromptsPassQuestionsAndTheSchemeSaveDialogThrough) {
    GuiPrompts prompts(nullptr);
    struct Case {
        Reply reply;
        bool withCancel;
        document::Answer expected;
    };
    const Case cases[] = {
        {Reply::Yes, true, document::Answer::Yes},       {Reply::No, true, document::Answer::No},
        {Reply::Cancel, true, document::Answer::Cancel}, {Reply::Yes, false, document::Answer::Yes},
        {Reply::No, false, document::Answer::No},        {Reply::Ok, false, document::Answer::No},
    };
    for (const Case& c : cases) {
        messages.answer = c.reply;
        EXPECT_EQ(prompts.Ask("Сохранить изменения в a.scm ?", c.withCancel), c.expected);
    }
    EXPECT_EQ(messages.questions.back(), QString::fromUtf8("Сохранить изменения в a.scm ?"));

    prompts.Warn("Файл поврежден.  ");
    ASSERT_EQ(messages.warnings.size(), 1u);
    EXPECT_EQ(messages.warnings[0], QString::fromUtf8("Файл поврежден.  "));

    std::string chosen = "unchanged";
    EXPECT_FALSE(prompts.ChooseSavePath("/tmp/схема.scm", chosen));
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_EQ(files.proposed, QString::fromUtf8("/tmp/схема.scm"));
    EXPECT_EQ(files.filter, QString::fromUtf8("Файлы схем (*.scm)"));
    EXPECT_EQ(files.suffix, QStringLiteral("scm"));
    files.answer = QString::fromUtf8("/tmp/другая.scm");
    EXPECT_TRUE(prompts.ChooseSavePath("Untitled.scm", chosen));
    EXPECT_EQ(chosen, "/tmp/другая.scm");
}

} // namespace
