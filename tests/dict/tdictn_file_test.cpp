// SPDX-License-Identifier: GPL-3.0-or-later
// The dictionary's working file: when it is created, used as found, refused, and
// removed.

#include "recordfile.h"
#include "tdictn.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

const std::string kNotFound = "English.dic dictionary not found!";

struct Recorder {
    int loads = 0;
    std::vector<std::string> reports;
};

TDictn::ResourceLoader loaderOf(Recorder& rec, std::optional<std::string> bytes) {
    return [&rec, bytes]() {
        ++rec.loads;
        return bytes;
    };
}

TDictn::NotFoundReporter reporterOf(Recorder& rec) {
    return [&rec](const std::string& message) { rec.reports.push_back(message); };
}

class WorkingFile : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    std::string dir = tmp.path().toStdString();
    std::string english = dir + "/English";
    Recorder rec;
};

TEST_F(WorkingFile, IsCopiedFromTheResourceByteForByteAndRemovedAtDestruction) {
    const std::string list = makeRecords({"AB", "CAT", "DOG"});
    {
        TDictn dict(dir, loaderOf(rec, list), reporterOf(rec));
        EXPECT_EQ(dict.workingFile(), english);
        EXPECT_EQ(readFile(english), list);
        EXPECT_TRUE(dict.Available());
        EXPECT_EQ(dict.LastIndex(), 2);
        EXPECT_TRUE(dict.IsWord("dog"));
        EXPECT_EQ(rec.loads, 1);
        EXPECT_TRUE(rec.reports.empty());
    }
    EXPECT_FALSE(fs::exists(english));
}

TEST_F(WorkingFile, ExistingFileIsUsedUnchangedAndTheResourceIsNotRead) {
    const std::string existing = makeRecords({"EMU", "OWL"});
    writeFile(english, existing);
    {
        TDictn dict(dir, loaderOf(rec, makeRecords({"CAT"})), reporterOf(rec));
        EXPECT_EQ(rec.loads, 0);
        EXPECT_TRUE(dict.IsWord("OWL"));
        EXPECT_FALSE(dict.IsWord("CAT"));
        EXPECT_EQ(readFile(english), existing);
    }
    // Deleted at the end all the same: it was the working copy of this run.
    EXPECT_FALSE(fs::exists(english));
}

TEST_F(WorkingFile, EmptyFileHasNoRecordsAndFindsNothing) {
    writeFile(english, "");
    TDictn dict(dir, loaderOf(rec, std::nullopt), reporterOf(rec));
    EXPECT_TRUE(dict.Available());
    EXPECT_EQ(dict.LastIndex(), -1);
    EXPECT_FALSE(dict.IsWord("CAT"));
    EXPECT_FALSE(dict.IsWord(""));
    EXPECT_TRUE(rec.reports.empty());
}

TEST_F(WorkingFile, EmptyResourceGivesAnEmptyButAvailableList) {
    TDictn dict(dir, loaderOf(rec, std::string()), reporterOf(rec));
    EXPECT_TRUE(fs::exists(english));
    EXPECT_TRUE(dict.Available());
    EXPECT_EQ(dict.LastIndex(), -1);
    EXPECT_FALSE(dict.IsWord("A"));
}

TEST_F(WorkingFile, BytesThatDoNotFillARecordAreNotARecord) {
    // Two whole records and the first 14 bytes of a third.
    writeFile(english, makeRecords({"CAT", "DOG"}) + makeRecords({"EMU"}).substr(0, 14));
    TDictn dict(dir, loaderOf(rec, std::nullopt), reporterOf(rec));
    EXPECT_EQ(dict.LastIndex(), 1);
    EXPECT_TRUE(dict.IsWord("CAT"));
    EXPECT_TRUE(dict.IsWord("DOG"));
    EXPECT_FALSE(dict.IsWord("EMU"));
}

TEST_F(WorkingFile, MissingResourceAndNoFileReportsOnceAndFindsNothing) {
    {
        TDictn dict(dir, loaderOf(rec, std::nullopt), reporterOf(rec));
        EXPECT_FALSE(fs::exists(english));
        EXPECT_FALSE(dict.Available());
        EXPECT_EQ(dict.LastIndex(), -1);
        EXPECT_FALSE(dict.IsWord("CAT"));
        EXPECT_FALSE(dict.IsWord("cat"));
    }
    EXPECT_EQ(rec.reports, std::vector<std::string>{kNotFound});
}

TEST_F(WorkingFile, UnopenableFileReportsOnceAndFindsNothing) {
    // A folder stands where the file should be: it exists, so nothing is copied, and
    // it cannot be read as a list.
    fs::create_directory(english);
    {
        TDictn dict(dir, loaderOf(rec, makeRecords({"CAT"})), reporterOf(rec));
        EXPECT_EQ(rec.loads, 0);
        EXPECT_FALSE(dict.Available());
        EXPECT_FALSE(dict.IsWord("CAT"));
        EXPECT_FALSE(dict.IsWord("cat"));
    }
    EXPECT_EQ(rec.reports, std::vector<std::string>{kNotFound});
    EXPECT_TRUE(fs::is_directory(english));
}

TEST_F(WorkingFile, DanglingLinkIsNeitherFollowedNorReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "making a symbolic link takes a privilege on Windows that tests don't have";
#endif
    const std::string target = dir + "/elsewhere";
    fs::create_symlink(target, english);
    {
        TDictn dict(dir, loaderOf(rec, makeRecords({"CAT"})), reporterOf(rec));
        EXPECT_FALSE(dict.Available());
        EXPECT_FALSE(dict.IsWord("CAT"));
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(rec.reports, std::vector<std::string>{kNotFound});
}

TEST_F(WorkingFile, WorksWithoutAReporter) {
    TDictn dict(dir, loaderOf(rec, std::nullopt));
    EXPECT_FALSE(dict.Available());
    EXPECT_FALSE(dict.IsWord("CAT"));
}

TEST_F(WorkingFile, FileThatCannotBeCreatedRaisesAndLeavesNothing) {
    const std::string missingDir = dir + "/no/such/folder";
    EXPECT_THROW(TDictn(missingDir, loaderOf(rec, makeRecords({"CAT"})), reporterOf(rec)),
                 std::system_error);
    EXPECT_FALSE(fs::exists(missingDir));
    EXPECT_TRUE(rec.reports.empty());
}

TEST_F(WorkingFile, ListThatCannotBeWrittenWholeRaisesAndLeavesNoTruncatedCopy) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit to stand in for a full disk";
#else
    // A file size limit stands in for a full disk: the write stops part way.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 150;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    std::vector<std::string> words;
    for (char c = 'A'; c <= 'Z'; ++c)
        words.push_back(std::string(3, c));
    bool threw = false;
    try {
        TDictn dict(dir, loaderOf(rec, makeRecords(words)), reporterOf(rec));
    } catch (const std::system_error&) {
        threw = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    EXPECT_FALSE(fs::exists(english));
#endif
}

TEST_F(WorkingFile, TwoDirectoriesKeepTheirOwnLists) {
    QTemporaryDir other;
    TDictn first(dir, loaderOf(rec, makeRecords({"CAT"})));
    TDictn second(other.path().toStdString(), loaderOf(rec, makeRecords({"DOG"})));
    EXPECT_TRUE(first.IsWord("CAT"));
    EXPECT_FALSE(first.IsWord("DOG"));
    EXPECT_TRUE(second.IsWord("DOG"));
    EXPECT_FALSE(second.IsWord("CAT"));
}

} // namespace
