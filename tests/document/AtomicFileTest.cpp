#include "document/AtomicFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace korvanix::document;
using namespace korvanix::document::testing;

namespace {

const std::vector<uint8_t> kOld = {'o', 'l', 'd', '\n'};

bool Put(AtomicFile& file, const std::string& text) {
    return file.Write(text.data(), text.size());
}

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(AtomicFileTest, CommitReplacesTheTargetOnlyThenAndKeepsItsMode) {
    TempFolder folder;
    const std::string path = folder / "data.txt";
    WriteBytes(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    AtomicFile file(path);
    ASSERT_EQ(file.Open(), WriteOutcome::Written);
    EXPECT_TRUE(Put(file, "first line\n"));
    EXPECT_TRUE(Put(file, "second line\n"));
    EXPECT_EQ(ReadBytes(path), kOld) << "nothing shows before the commit";
    EXPECT_EQ(folder.Entries().size(), 2u) << "the temporary file sits beside the target";

    EXPECT_EQ(file.Commit(), WriteOutcome::Written);
    EXPECT_EQ(Text(path), "first line\nsecond line\n");
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.txt"});
}

TEST(AtomicFileTest, UncommittedWritesLeaveTheOldFile) {
    TempFolder folder;
    const std::string path = folder / "data.txt";
    WriteBytes(path, kOld);
    {
        AtomicFile abandoned(path);
        ASSERT_EQ(abandoned.Open(), WriteOutcome::Written);
        ASSERT_TRUE(Put(abandoned, "stopped half way"));
        abandoned.Abandon();
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.txt"});
        // What comes after a stop is no commit either.
        EXPECT_FALSE(Put(abandoned, "more"));
        EXPECT_EQ(abandoned.Commit(), WriteOutcome::WriteFailed);
    }
    {
        AtomicFile forgotten(path);
        ASSERT_EQ(forgotten.Open(), WriteOutcome::Written);
        ASSERT_TRUE(Put(forgotten, "never committed"));
    }
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.txt"});
}

TEST(AtomicFileTest, OpenFailsWhereNoFileCanBeMade) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "taken");
    for (const std::string& path : {folder / "no such folder/a.txt", folder / "taken"}) {
        SCOPED_TRACE(path);
        AtomicFile file(path);
        EXPECT_EQ(file.Open(), WriteOutcome::CannotOpen);
        EXPECT_FALSE(Put(file, "x"));
        EXPECT_EQ(file.Commit(), WriteOutcome::WriteFailed);
    }
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"taken"});
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken"));
}

TEST(AtomicFileTest, AFailedWriteFailsTheCommit) {
    TempFolder folder;
    const std::string path = folder / "data.txt";
    WriteBytes(path, kOld);

    // A child process whose files may not grow past 100 bytes: the second line
    // fails part way, and the writer stays failed even for nothing at all.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        AtomicFile file(path);
        if (file.Open() != WriteOutcome::Written || !Put(file, std::string(60, 'a')))
            ::_exit(10);
        if (Put(file, std::string(60, 'b')) || Put(file, ""))
            ::_exit(11);
        ::_exit(file.Commit() == WriteOutcome::WriteFailed ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: the start failed, 11: a write passed, 12: committed";
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.txt"});
}

} // namespace
