// Recovery copies: what one run writes another must read back exactly, tell
// apart per document and per run, and refuse when anything in it is off.
#include "TempFolder.h"

#include "document/Document.h"
#include "document/EditSession.h"
#include "document/RecoveryStore.h"
#include "model/Element.h"
#include "model/ElementKind.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace korvanix::document {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The image of a document with one resistor.
std::vector<uint8_t> OneResistorImage() {
    Document doc;
    auto resistor = model::ElementFactory(model::kind::Resistor, doc.scheme.TakeElementId());
    resistor->x = 1000;
    resistor->y = 1000;
    doc.scheme.AddElement(std::move(resistor));
    return doc.Serialize();
}

// Sets a file's modification time `seconds` from now.
void SetModifiedIn(const std::string& path, int seconds) {
    struct timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec += seconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(RecoveryStoreTest, ACopyReadsBackWithItsDocumentAndTellsWhetherItIsNewer) {
    TempFolder folder;
    const std::string docPath = folder / "a b Схема.scm";
    WriteBytes(docPath, {1, 2, 3});
    const std::vector<uint8_t> image = OneResistorImage();
    RecoveryStore store(folder / "recovery", "run1");

    ASSERT_EQ(store.Write(docPath, image), WriteOutcome::Written);
    ASSERT_EQ(store.Write("", image), WriteOutcome::Written);
    EXPECT_EQ(::access(docPath.c_str(), F_OK), 0);
    EXPECT_EQ(ReadBytes(docPath), (std::vector<uint8_t>{1, 2, 3}))
        << "the user's file is untouched";
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a b Схема.scm", "recovery"}))
        << "nothing beside the document";
    struct stat st {};
    ASSERT_EQ(::stat(store.Folder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "the copies are the user's alone";

    SetModifiedIn(store.FileFor(""), -10); // the untitled copy is the older one
    std::vector<RecoveryCopy> copies = store.List();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].documentPath, docPath) << "newest first";
    EXPECT_EQ(copies[1].documentPath, "");
    for (const RecoveryCopy& copy : copies) {
        EXPECT_TRUE(copy.readable);
        EXPECT_TRUE(copy.newerThanDocument);
        std::string path;
        std::vector<uint8_t> read;
        ASSERT_TRUE(RecoveryStore::Read(copy.file, path, read));
        EXPECT_EQ(path, copy.documentPath);
        EXPECT_EQ(read, image);
    }

    // The document saved since the copy: it holds everything the copy does.
    SetModifiedIn(docPath, 10);
    copies = store.List();
    EXPECT_FALSE(copies[0].newerThanDocument);
    // The document gone: the copy is all there is.
    std::filesystem::remove(docPath);
    EXPECT_TRUE(store.List()[0].newerThanDocument);
}

TEST(RecoveryStoreTest, CopiesAreKeyedByFullPathAndByRun) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "one");
    std::filesystem::create_directories(folder / "two");
    const std::vector<uint8_t> image = OneResistorImage();
    RecoveryStore run1(folder / "recovery", "run1");
    RecoveryStore run2(folder / "recovery", "run2");

    ASSERT_EQ(run1.Write(folder / "one/x.scm", image), WriteOutcome::Written);
    ASSERT_EQ(run1.Write(folder / "two/x.scm", image), WriteOutcome::Written);
    ASSERT_EQ(run1.Write(folder / "two/x.scm", {}), WriteOutcome::Written); // replaces its own
    ASSERT_EQ(run2.Write(folder / "two/x.scm", image), WriteOutcome::Written);
    EXPECT_NE(run1.FileFor(folder / "one/x.scm"), run1.FileFor(folder / "two/x.scm"));

    const std::vector<RecoveryCopy> copies = run1.List();
    ASSERT_EQ(copies.size(), 3u) << "another run's copy is never overwritten";
    std::string path;
    std::vector<uint8_t> read;
    ASSERT_TRUE(RecoveryStore::Read(run1.FileFor(folder / "two/x.scm"), path, read));
    EXPECT_TRUE(read.empty());
    ASSERT_TRUE(RecoveryStore::Read(run2.FileFor(folder / "two/x.scm"), path, read));
    EXPECT_EQ(read, image);

    RecoveryStore::Remove(run1.FileFor(folder / "one/x.scm"));
    RecoveryStore::Remove(run1.FileFor(folder / "one/x.scm")); // gone already: harmless
    EXPECT_EQ(run1.List().size(), 2u);
}

TEST(RecoveryStoreTest, TheKeyIsTheFullPathWithLinksResolved) {
    TempFolder folder;
    WriteBytes(folder / "real.scm", {1});
    std::filesystem::create_symlink(folder / "real.scm", folder / "link.scm");
    const std::string real = std::filesystem::canonical(folder / "real.scm").string();

    EXPECT_EQ(RecoveryStore::KeyOf(folder / "link.scm", false), real);
    EXPECT_EQ(RecoveryStore::KeyOf(folder / "sub/../real.scm", false), real);
    EXPECT_EQ(RecoveryStore::KeyOf(folder / "real.scm", true), "") << "untitled";
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(RecoveryStore::KeyOf("not-there.scm", false),
              std::filesystem::weakly_canonical(cwd + "/not-there.scm").string());
}

TEST(RecoveryStoreTest, DamagedCopiesAreRefusedAndOtherFilesIgnored) {
    TempFolder folder;
    RecoveryStore store(folder / "recovery", "run1");
    const std::vector<uint8_t> image = OneResistorImage();
    ASSERT_EQ(store.Write(folder / "a.scm", image), WriteOutcome::Written);
    const std::vector<uint8_t> good = ReadBytes(store.FileFor(folder / "a.scm"));
    const std::string header = "KORVANIX recovery 1\n";

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    auto bytes = [](const std::string& text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    };
    std::vector<Case> cases = {
        {"empty", {}},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 5)},
        {"one byte more", good},
        {"another format", bytes("KORVANIX recovery 2\n1\n1\nab")},
        {"lengths past the end", bytes(header + "99999999999999999\n3\n/a.scmabc0000000000000000")},
        {"a length of 20 digits", bytes(header + "99999999999999999999\n0\n")},
        {"no length", bytes(header + "\n0\n")},
        {"a sign", bytes(header + "-1\n0\n")},
        {"a flipped image byte", good},
    };
    cases[2].bytes.push_back('0');
    cases.back().bytes[good.size() - 20] ^= 0x40;

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = folder / "recovery/x-y.korvanix-recovery";
        WriteBytes(file, c.bytes);
        std::string path = "kept";
        std::vector<uint8_t> read = {7};
        EXPECT_FALSE(RecoveryStore::Read(file, path, read));
        EXPECT_EQ(path, "kept");
        EXPECT_EQ(read, std::vector<uint8_t>{7});
        int damaged = 0;
        for (const RecoveryCopy& copy : store.List())
            damaged += copy.readable ? 0 : 1;
        EXPECT_EQ(damaged, 1);
    }
    // Neither a writer's temporary file, nor anything not named as a copy, nor
    // a folder, nor a link is one.
    std::filesystem::remove(folder / "recovery/x-y.korvanix-recovery");
    WriteBytes(folder / "recovery/.a.korvanix-recovery.XXXXXX", {1});
    WriteBytes(folder / "recovery/notes.txt", {1});
    std::filesystem::create_directories(folder / "recovery/d.korvanix-recovery");
    std::filesystem::create_symlink("/dev/zero", folder / "recovery/z.korvanix-recovery");
    ASSERT_EQ(store.List().size(), 1u);
    EXPECT_TRUE(store.List()[0].readable);
}

TEST(RecoveryStoreTest, AFolderThatCannotBeMadeFailsTheWrite) {
    TempFolder folder;
    WriteBytes(folder / "file", {1});
    RecoveryStore store(folder / "file/recovery", "run1");
    EXPECT_EQ(store.Write("", OneResistorImage()), WriteOutcome::CannotOpen);
    EXPECT_TRUE(store.List().empty());
}

TEST(RecoveryStoreTest, ARecoveredDocumentIsModifiedUntilSaved) {
    TempFolder folder;
    const std::vector<uint8_t> image = OneResistorImage();

    EditSession session;
    Document& doc = session.Doc();
    OpenResult result = doc.Recover(image, folder / "a.scm");
    ASSERT_TRUE(result.read);
    EXPECT_TRUE(result.message.empty());
    session.ResetUnsaved();
    EXPECT_EQ(doc.Path(), folder / "a.scm");
    EXPECT_EQ(doc.Name(), "a.scm");
    EXPECT_EQ(doc.scheme.elements.size(), 1u);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(session.IsModified());
    EXPECT_FALSE(session.History().CanUndo());
    session.MarkSaved();
    EXPECT_FALSE(session.UpdateModified());

    result = doc.Recover(image, "");
    ASSERT_TRUE(result.read);
    EXPECT_TRUE(doc.IsUntitled());
    EXPECT_TRUE(doc.IsModified());

    // An image the copy's hash let through but the document reader refuses
    // leaves the open document as it was.
    result = doc.Recover({1, 1, 0, 1, 9}, folder / "b.scm");
    EXPECT_FALSE(result.read);
    EXPECT_FALSE(result.reset);
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(doc.IsUntitled());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.scheme.elements.size(), 1u);
}

} // namespace
} // namespace korvanix::document
