#include "document/Document.h"

#include "ScmFileBuilder.h"
#include "TempFolder.h"
#include "model/SheetElements.h"
#include "model/Sources.h"

#include <gtest/gtest.h>

#include <csignal>
#include <deque>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvanix;
using namespace korvanix::document;
using namespace korvanix::document::testing;

namespace {

// Answers questions from a script and records everything it was asked.
class ScriptedPrompts : public DocumentPrompts {
public:
    explicit ScriptedPrompts(std::deque<Answer> script = {}) : script_(std::move(script)) {}

    Answer Ask(const std::string& question, bool withCancel) override {
        questions.push_back(question);
        cancelOffered.push_back(withCancel);
        if (script_.empty()) {
            ADD_FAILURE() << "unexpected question: " << question;
            return Answer::Cancel;
        }
        const Answer a = script_.front();
        script_.pop_front();
        return a;
    }
    void Warn(const std::string& message) override { warnings.push_back(message); }
    bool ChooseSavePath(const std::string& currentPath, std::string& chosenPath) override {
        dialogStarts.push_back(currentPath);
        if (savePath.empty())
            return false;
        chosenPath = savePath;
        return true;
    }

    std::string savePath; // empty: the save dialog is cancelled
    std::vector<std::string> questions;
    std::vector<bool> cancelOffered;
    std::vector<std::string> warnings;
    std::vector<std::string> dialogStarts;

private:
    std::deque<Answer> script_;
};

model::Element* Add(Document& doc, model::ElementKind kind, int x, int y) {
    auto e = model::ElementFactory(kind, doc.scheme.TakeElementId());
    e->x = x;
    e->y = y;
    model::Element* p = e.get();
    doc.scheme.AddElement(std::move(e));
    return p;
}

void Join(Document& doc, model::Element* a, int pa, model::Element* b, int pb) {
    auto w = doc.scheme.NewWire();
    model::Attach(a, pa, w.get(), 1);
    model::Attach(b, pb, w.get(), 2);
    doc.scheme.wires.push_back(std::move(w));
}

// One element of every kind the writer produces, with both sources in other
// modes than their first, turned and mirrored elements, and wires between them.
void BuildEveryKind(Document& doc) {
    auto* u = dynamic_cast<model::VoltageSource*>(Add(doc, model::kind::VoltageSource, 96, 96));
    u->SetMode(model::SourceMode::Pulse);
    u->SetPulseFrequency(2000);
    u->SetPulseDuration(25);
    u->SetPulseAmplitude(5);
    u->SetPulseOffset(-1);
    u->SetDcValue(3);
    auto* i = dynamic_cast<model::CurrentSource*>(Add(doc, model::kind::CurrentSource, 200, 96));
    i->SetMode(model::SourceMode::Ac);
    i->SetAcAmplitude(0.5);
    i->SetAcFrequency(60);
    i->SetAcPhase(-30);
    i->SetEndTime(true);
    i->SetEndMoment(0.25);
    auto* r = Add(doc, model::kind::Resistor, 304, 96);
    r->SetParam(0, 4700);
    r->rotation = 1;
    auto* c = Add(doc, model::kind::Capacitor, 400, 96);
    c->SetParam(0, 2.2e-9);
    c->SetParam(1, 1.5);
    auto* l = Add(doc, model::kind::Inductance, 504, 96);
    l->SetParam(0, 0.047);
    l->SetParam(1, -0.1);
    auto* s = Add(doc, model::kind::Unistor, 600, 96);
    s->SetParam(0, 0.002);
    s->mirrorX = 1;
    double gain = 1.5;
    std::vector<model::Element*> four;
    for (model::ElementKind k :
         {model::kind::Vccs, model::kind::Vcvs, model::kind::Cccs, model::kind::Ccvs,
          model::kind::Gyrator, model::kind::Transformer}) {
        auto* e = Add(doc, k, 96 + 104 * static_cast<int>(four.size()), 304);
        e->SetParam(0, gain);
        gain += 1.0;
        four.push_back(e);
    }
    four[1]->mirrorY = 1;
    four[2]->rotation = 2;
    auto* tube = Add(doc, model::kind::Tube, 96, 504);
    tube->SetParam(1, 47000);
    auto* q = Add(doc, model::kind::Transistor, 200, 504);
    q->SetParam(0, 0.98);
    q->SetParam(1, 2);   // Re
    q->SetParam(2, 5e5); // Rc
    q->SetParam(3, 25);  // Rb
    q->rotation = 3;
    auto* a = Add(doc, model::kind::OpAmp, 304, 504);
    a->SetParam(0, 2e5);
    auto* g = Add(doc, model::kind::Ground, 96, 200);
    auto* con = Add(doc, model::kind::Connector, 400, 504);
    auto* text = dynamic_cast<model::TextLabel*>(Add(doc, model::kind::Text, 600, 600));
    text->SetText("Пояснение: узел «А»");
    text->color = 0x0000FF;
    text->font.height = 140;
    text->font.weight = 700;
    text->font.SetFace("Courier New");

    Join(doc, u, 1, g, 1);
    Join(doc, u, 2, r, 1);
    Join(doc, r, 2, con, 1);
    Join(doc, con, 3, c, 1);
    Join(doc, con, 4, four[0], 1);
    Join(doc, four[0], 4, four[4], 2);
    Join(doc, i, 1, l, 2);
    Join(doc, q, 2, a, 3);
    Join(doc, tube, 1, four[5], 3);
    doc.scheme.RenumberNodes();
}

// Everything a document keeps about its circuit, as text, so that two
// documents can be compared field by field with a readable difference.
std::string Describe(const model::Scheme& scheme) {
    std::ostringstream out;
    out.precision(17);
    for (const auto& e : scheme.elements) {
        out << "element " << e->id << " kind " << e->kind << " at " << e->x << "," << e->y
            << " rot " << e->rotation << " mirror " << e->mirrorX << e->mirrorY << " params";
        for (int p = 0; p < e->ParamCount(); ++p)
            out << " " << e->GetParam(p);
        if (const auto* src = dynamic_cast<const model::SourceElement*>(e.get())) {
            out << " mode " << static_cast<int>(src->Mode()) << " dc " << src->DcValue() << " ac "
                << src->AcAmplitude() << "/" << src->AcFrequency() << "/" << src->AcPhase()
                << " end " << src->HasEndTime() << "/" << src->EndMoment();
            if (const auto* v = dynamic_cast<const model::VoltageSource*>(src))
                out << " pulse " << v->PulseAmplitude() << "/" << v->PulseFrequency() << "/"
                    << v->PulseDuration() << "/" << v->PulseOffset();
        }
        if (const auto* t = dynamic_cast<const model::TextLabel*>(e.get()))
            out << " text '" << t->Text() << "' colour " << t->color << " font " << t->font.height
                << "/" << t->font.weight << "/" << t->font.Face();
        out << " pins";
        for (int p = 1; p <= e->PinCount(); ++p) {
            const model::Pin& pin = e->pins[static_cast<std::size_t>(p - 1)];
            out << " " << (pin.wire ? pin.wire->id : 0) << "." << pin.wireEnd << "/"
                << e->PinNode(p);
        }
        out << "\n";
    }
    for (const auto& w : scheme.wires)
        out << "wire " << w->id << " " << (w->end1 ? w->end1->id : 0) << "." << w->pin1 << " "
            << (w->end2 ? w->end2->id : 0) << "." << w->pin2 << " node " << w->node << "\n";
    out << "next ids " << scheme.nextElementId << " " << scheme.nextWireId << "\n";
    return out.str();
}

bool Modified(const Document& doc) {
    return doc.IsModified();
}

} // namespace

TEST(DocumentTest, NewDocumentIsUntitledAndEmpty) {
    Document doc;
    EXPECT_EQ(doc.Name(), "Untitled.scm");
    EXPECT_EQ(doc.Path(), "Untitled.scm");
    EXPECT_TRUE(doc.IsUntitled());
    EXPECT_FALSE(Modified(doc));
    EXPECT_EQ(doc.view, (ViewState{100, 1500, 1500, 3000, 3000}));
    EXPECT_TRUE(doc.scheme.elements.empty());
    EXPECT_TRUE(doc.scheme.wires.empty());
    EXPECT_TRUE(SameBytes(doc.settings.transient, TransientSettings{}));
    EXPECT_TRUE(SameBytes(doc.settings.scheme, SchemeOptions{}));
}

TEST(DocumentTest, RoundTripOfEveryKindWithViewAndSettings) {
    TempFolder folder;
    Document doc;
    BuildEveryKind(doc);
    doc.view = {140, 320, 288, 5000, 4000};
    doc.settings.transient.SetVoltageOutput(0, "ИТУН1");
    doc.settings.transient.voltageOutputCount = 1;
    doc.settings.frequency.SetInputElement("U1");
    doc.settings.options.checkDepth = 7;
    doc.settings.scheme.showNodes = 1;
    doc.modified = true;
    const std::string before = Describe(doc.scheme);

    ScriptedPrompts prompts;
    const SaveResult saved = doc.SaveAs(folder / "every kind.scm", prompts);
    ASSERT_TRUE(saved.saved) << saved.message;
    EXPECT_EQ(saved.status, "Сохранение завершено.");
    EXPECT_FALSE(Modified(doc));
    EXPECT_EQ(doc.Name(), "every kind.scm");
    const std::vector<uint8_t> file = ReadBytes(folder / "every kind.scm");
    EXPECT_EQ(file, doc.Serialize());

    Document back;
    const OpenResult opened = back.Open(folder / "every kind.scm");
    ASSERT_TRUE(opened.read) << opened.message;
    EXPECT_EQ(opened.message, "");
    EXPECT_EQ(Describe(back.scheme), before);
    EXPECT_EQ(back.view, doc.view);
    EXPECT_TRUE(SameBytes(back.settings.transient, doc.settings.transient));
    EXPECT_TRUE(SameBytes(back.settings.frequency, doc.settings.frequency));
    EXPECT_TRUE(SameBytes(back.settings.options, doc.settings.options));
    EXPECT_TRUE(SameBytes(back.settings.scheme, doc.settings.scheme));
    EXPECT_TRUE(back.scheme.showNodes);
    EXPECT_EQ(back.Name(), "every kind.scm");
    EXPECT_EQ(back.Path(), folder / "every kind.scm");
    EXPECT_FALSE(Modified(back));
    // What was read is written again byte for byte.
    EXPECT_EQ(back.Serialize(), file);
}

TEST(DocumentTest, EmptySchemeIsWrittenAsZeroCounts) {
    Document doc;
    const std::vector<uint8_t> bytes = doc.Serialize();
    // The circuit section is the last one: id 2, length 10, 1 0, N 0, M 0, 17; then 17.
    const std::vector<uint8_t> tail = {2, 0, 0, 0, 10, 0,  0, 0, 1, 0,  0, 0, 0,
                                       0, 0, 0, 0, 0,  17, 0, 0, 0, 17, 0, 0, 0};
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - tail.size()));
}

// Read into objects of its own first: a damaged file leaves the open document
// exactly as it was, however far its reading got.
TEST(DocumentTest, FailedOpenKeepsTheOpenDocument) {
    TempFolder folder;
    Document doc;
    BuildEveryKind(doc);
    doc.view.scale = 150;
    doc.settings.options.maxIter = 11;
    ScriptedPrompts prompts;
    ASSERT_TRUE(doc.SaveAs(folder / "good.scm", prompts).saved);

    // A file whose circuit holds one element of an unknown kind, after a view
    // and settings that were read before the fault.
    DocumentSettings other;
    other.options.maxIter = 77;
    Bytes circuit{1, 0};
    PutInt(circuit, 1);
    PutInt(circuit, 4242);
    PutInt(circuit, 0);
    WriteBytes(folder / "unknown kind.scm", FileBuilder()
                                                .Section(1, Ints({60, 1, 2, 3, 4}))
                                                .Section(4, RecordPayload(other.options))
                                                .Section(2, circuit)
                                                .End()
                                                .Finish());
    Bytes crc = ReadBytes(folder / "good.scm");
    crc[100] ^= 0x10;
    WriteBytes(folder / "crc.scm", crc);
    Bytes newer = ReadBytes(folder / "good.scm");
    newer[1] = 2;
    WriteBytes(folder / "newer.scm", newer);
    WriteBytes(folder / "empty.scm", {});

    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"unknown kind.scm", "Файл поврежден.  "},
        {"crc.scm", "Ошибка CRC в файле crc.scm"},
        {"newer.scm", "Неизвестная версия файла: newer.scm"},
        {"empty.scm", "Файл empty.scm поврежден."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(doc.Open(folder / "good.scm").read);
        doc.modified = true;
        ASSERT_FALSE(doc.scheme.elements.empty());
        const std::string described = Describe(doc.scheme);
        const std::vector<uint8_t> image = doc.Serialize();
        const OpenResult r = doc.Open(folder / c.file);
        EXPECT_FALSE(r.read);
        EXPECT_FALSE(r.reset);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(doc.Path(), folder / "good.scm");
        EXPECT_TRUE(Modified(doc));
        EXPECT_EQ(Describe(doc.scheme), described);
        EXPECT_EQ(doc.view.scale, 150);
        EXPECT_EQ(doc.settings.options.maxIter, 11);
        EXPECT_EQ(doc.Serialize(), image);
    }
}

TEST(DocumentTest, FileThatCannotBeOpenedChangesNothing) {
    TempFolder folder;
    Document doc;
    BuildEveryKind(doc);
    ScriptedPrompts prompts;
    ASSERT_TRUE(doc.SaveAs(folder / "good.scm", prompts).saved);
    doc.modified = true;
    const std::string before = Describe(doc.scheme);
    std::filesystem::create_directory(folder / "folder.scm");

    for (const char* name : {"missing.scm", "folder.scm"}) {
        SCOPED_TRACE(name);
        const OpenResult r = doc.Open(folder / name);
        EXPECT_FALSE(r.read);
        EXPECT_FALSE(r.reset);
        EXPECT_EQ(r.message, std::string("Не удается открыть файл ") + name + " для чтения.");
        EXPECT_EQ(doc.Name(), "good.scm");
        EXPECT_TRUE(Modified(doc));
        EXPECT_EQ(Describe(doc.scheme), before);
    }
}

TEST(DocumentTest, UnknownLanguageIsReadWithAWarning) {
    TempFolder folder;
    DocumentSettings s;
    s.scheme.valueFont.charSet = 0;
    WriteBytes(folder / "lang.scm",
               StandardFile(s, {100, 1500, 1500, 3000, 3000}, 5).End().Finish());
    Document doc;
    const OpenResult r = doc.Open(folder / "lang.scm");
    EXPECT_TRUE(r.read);
    EXPECT_EQ(r.message, "Внимание: неизвестный язык.");
    EXPECT_EQ(doc.settings.scheme.valueFont.charSet, 204);
    EXPECT_EQ(doc.Name(), "lang.scm");
}

TEST(DocumentTest, SaveOfAnUntitledDocumentGoesThroughTheSaveDialog) {
    TempFolder folder;
    Document doc;
    doc.modified = true;

    ScriptedPrompts cancelling;
    const SaveResult cancelled = doc.Save(cancelling);
    EXPECT_FALSE(cancelled.saved);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelling.dialogStarts, std::vector<std::string>{"Untitled.scm"});
    EXPECT_TRUE(Modified(doc));
    EXPECT_TRUE(folder.Entries().empty());

    ScriptedPrompts choosing;
    choosing.savePath = folder / "chosen.scm";
    const SaveResult saved = doc.Save(choosing);
    EXPECT_TRUE(saved.saved);
    EXPECT_EQ(saved.status, "Сохранение завершено.");
    EXPECT_EQ(doc.Name(), "chosen.scm");
    EXPECT_EQ(doc.Path(), folder / "chosen.scm");
    EXPECT_FALSE(Modified(doc));

    // Bound now: Save writes in place, without the dialog.
    doc.view.scale = 70;
    doc.modified = true;
    ScriptedPrompts again;
    const SaveResult inPlace = doc.Save(again);
    EXPECT_TRUE(inPlace.saved);
    EXPECT_EQ(inPlace.status, "Схема сохранена.");
    EXPECT_TRUE(again.dialogStarts.empty());
    EXPECT_EQ(ReadBytes(folder / "chosen.scm"), doc.Serialize());
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"chosen.scm"});
}

TEST(DocumentTest, SaveThatCannotOpenItsFileWritesNothing) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "taken.scm");
    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {folder / "no such folder/a.scm",
         "Не удается открыть файл a.scm для записи.\nСохранение не выполнено."},
        {folder / "taken.scm",
         "Не удается открыть файл taken.scm для записи.\nСохранение не выполнено."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Document doc;
        doc.modified = true;
        ScriptedPrompts prompts;
        const SaveResult r = doc.SaveAs(c.path, prompts);
        EXPECT_FALSE(r.saved);
        EXPECT_EQ(r.message, c.message);
        EXPECT_TRUE(doc.IsUntitled());
        EXPECT_TRUE(Modified(doc));
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"taken.scm"});
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.scm"));
}

TEST(DocumentTest, WriteThatFailsMidwayKeepsTheOldFile) {
    TempFolder folder;
    const std::string path = folder / "kept.scm";
    Document old;
    old.view.scale = 42;
    ScriptedPrompts prompts;
    ASSERT_TRUE(old.SaveAs(path, prompts).saved);
    const std::vector<uint8_t> oldBytes = ReadBytes(path);

    // A child process whose files may not grow past 700 bytes: the new document
    // (well over a kilobyte) fails while its temporary file is being written.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{700, 700};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Document doc;
        BuildEveryKind(doc);
        ScriptedPrompts childPrompts;
        const SaveResult r = doc.SaveAs(path, childPrompts);
        if (r.saved)
            ::_exit(10);
        ::_exit(r.message == "Ошибка записи в файл kept.scm" ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: the save succeeded, 11: another message";
    EXPECT_EQ(ReadBytes(path), oldBytes);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"kept.scm"});
}

TEST(DocumentTest, SaveKeepsPermissionsAndWritesThroughALink) {
    TempFolder folder;
    const std::string target = folder / "real.scm";
    Document doc;
    ScriptedPrompts prompts;
    ASSERT_TRUE(doc.SaveAs(target, prompts).saved);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink("real.scm", folder / "link.scm");

    doc.view.scale = 250;
    ASSERT_TRUE(doc.SaveAs(folder / "link.scm", prompts).saved);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.scm"));
    EXPECT_EQ(ReadBytes(target), doc.Serialize());
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"link.scm", "real.scm"}));
}

TEST(DocumentTest, ReadOnlyGuard) {
    TempFolder folder;
    const std::string path = folder / "ro.scm";
    Document doc;
    ScriptedPrompts first;
    ASSERT_TRUE(doc.SaveAs(path, first).saved);
    const std::vector<uint8_t> oldBytes = ReadBytes(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    doc.view.scale = 300;
    doc.modified = true;
    const std::string question =
        "Файл\n\n" + path + "\n\nпомечен 'Только для чтения'. Перезаписать его ?";

    ScriptedPrompts no({Answer::No});
    const SaveResult declined = doc.Save(no);
    EXPECT_FALSE(declined.saved);
    EXPECT_TRUE(declined.cancelled);
    EXPECT_EQ(declined.message, "");
    EXPECT_EQ(no.questions, std::vector<std::string>{question});
    EXPECT_EQ(no.cancelOffered, std::vector<bool>{false});
    EXPECT_EQ(ReadBytes(path), oldBytes);
    EXPECT_TRUE(Modified(doc));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);

    ScriptedPrompts yes({Answer::Yes});
    const SaveResult accepted = doc.Save(yes);
    EXPECT_TRUE(accepted.saved);
    EXPECT_EQ(yes.questions, std::vector<std::string>{question});
    EXPECT_EQ(ReadBytes(path), doc.Serialize());
    EXPECT_FALSE(Modified(doc));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    // Writable now: no more questions.
    ScriptedPrompts silent;
    EXPECT_TRUE(doc.Save(silent).saved);
    EXPECT_TRUE(silent.questions.empty());
}

TEST(DocumentTest, SavePromptBeforeNewAndOpen) {
    struct Case {
        const char* what;
        bool modified;
        bool bound;
        std::deque<Answer> answers;
        bool proceed;
        bool written;
    };
    const Case cases[] = {
        {"unmodified: nothing asked", false, true, {}, true, false},
        {"No goes on without saving", true, true, {Answer::No}, true, false},
        {"Cancel stops", true, true, {Answer::Cancel}, false, false},
        {"Yes saves, then goes on", true, true, {Answer::Yes}, true, true},
        {"Yes on an untitled document with the dialog cancelled stops",
         true,
         false,
         {Answer::Yes},
         false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        Document doc;
        ScriptedPrompts setup;
        if (c.bound) {
            ASSERT_TRUE(doc.SaveAs(folder / "mine.scm", setup).saved);
        }
        const auto entriesBefore = folder.Entries();
        const auto bytesBefore = c.bound ? ReadBytes(folder / "mine.scm") : Bytes{};
        doc.view.centerX = 64;
        doc.modified = c.modified;

        ScriptedPrompts prompts(c.answers);
        const PromptResult r = doc.PromptToSave(prompts);
        EXPECT_EQ(r.proceed, c.proceed);
        EXPECT_EQ(r.save.saved, c.written);
        if (c.modified) {
            ASSERT_EQ(prompts.questions.size(), 1u);
            EXPECT_EQ(prompts.questions[0], std::string("Сохранить изменения в ") +
                                                (c.bound ? "mine.scm" : "Untitled.scm") + " ?");
            EXPECT_EQ(prompts.cancelOffered, std::vector<bool>{true});
        } else {
            EXPECT_TRUE(prompts.questions.empty());
        }
        EXPECT_EQ(folder.Entries(), entriesBefore);
        if (c.bound && !c.written) {
            EXPECT_EQ(ReadBytes(folder / "mine.scm"), bytesBefore);
        }
        if (c.written) {
            EXPECT_EQ(ReadBytes(folder / "mine.scm"), doc.Serialize());
        }
    }
}

TEST(DocumentTest, NewResetsEverything) {
    TempFolder folder;
    Document doc;
    BuildEveryKind(doc);
    ScriptedPrompts prompts;
    ASSERT_TRUE(doc.SaveAs(folder / "a.scm", prompts).saved);
    doc.view = {10, 20, 30, 40, 50};
    doc.settings.transient.partCount = 4;
    doc.settings.scheme.showNames = 0;
    doc.modified = true;
    doc.New();
    EXPECT_TRUE(doc.IsUntitled());
    EXPECT_EQ(doc.Path(), "Untitled.scm");
    EXPECT_FALSE(Modified(doc));
    EXPECT_EQ(doc.view, ViewState{});
    EXPECT_TRUE(doc.scheme.elements.empty());
    EXPECT_TRUE(doc.scheme.wires.empty());
    EXPECT_EQ(doc.scheme.nextElementId, 1);
    EXPECT_EQ(doc.scheme.nextWireId, 1);
    EXPECT_TRUE(doc.scheme.showNames);
    EXPECT_TRUE(SameBytes(doc.settings.transient, TransientSettings{}));
    EXPECT_TRUE(SameBytes(doc.settings.scheme, SchemeOptions{}));
}
