#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string_view>
#include <vector>

#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/folderwatch.h"
#include "platform/fs.h"
#include "tags/messages.h"
#include "tags/rewrite.h"
#include "tests/testfiles.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {
constexpr uid_t kNobody = 65534;
}  // namespace

TEST(Files, EveryOpenIsExclusive) {
    TestFolder folder;
    const std::string path = folder.make("a.mp3", audio(10));
    platform::File first;
    ASSERT_EQ(first.open(path, platform::Access::Read), 0);
    platform::File second;
    EXPECT_EQ(second.open(path, platform::Access::Read), EWOULDBLOCK);
    EXPECT_EQ(second.open(path, platform::Access::ReadWrite), EWOULDBLOCK);
    first.close();
    EXPECT_EQ(second.open(path, platform::Access::ReadWrite), 0);
}

TEST(Files, AFileWithoutWriteBitsIsRefusedForWritingWhoeverAsks) {
    TestFolder folder;
    const std::string path = folder.make("ro.mp3", audio(100));
    ::chmod(path.c_str(), 0444);
    platform::File file;
    EXPECT_EQ(file.open(path, platform::Access::ReadWrite), EACCES);
    EXPECT_EQ(file.open(path, platform::Access::WriteTruncate), EACCES);
    EXPECT_EQ(readAll(path), audio(100));  // not emptied by the refused open
    EXPECT_EQ(file.open(path, platform::Access::Read), 0);
}

TEST(Files, PathsAreTheFileSystemsBytesUnchanged) {
    TestFolder folder;
    platform::File file;
    for (const std::string name : {"café €.mp3", "日本.mp3", "latin1 caf\xE9.mp3"}) {
        ASSERT_EQ(file.open(name, platform::Access::WriteTruncate), 0) << name;
        file.close();
        EXPECT_TRUE(fs::exists(folder.path() / name)) << name;
        EXPECT_EQ(platform::moveFileNoReplace(name, name + ".old"), 0);
        EXPECT_EQ(platform::pathKind(name + ".old"), platform::PathKind::File);
        EXPECT_EQ(platform::deleteFile(name + ".old"), 0);
    }
    EXPECT_EQ(file.open(std::string(platform::kMaxPath + 1, 'a'), platform::Access::WriteTruncate), ENAMETOOLONG);
}

TEST(Files, TemporaryFilesAreUniqueCarryThePrefixAndVanishUnlessUsed) {
    TestFolder folder;
    std::set<std::string> names;
    {
        platform::TempFile a, b;
        ASSERT_EQ(a.create(".", "LV3"), 0);
        ASSERT_EQ(b.create(".", "LV3"), 0);
        names = {a.path(), b.path()};
        EXPECT_EQ(folder.strayTempFiles().size(), 2u);
    }
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind("./LV3", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    }
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(Files, ReplacingTakesTheOriginalsPermissionsAndLeavesNoTemporaryFile) {
    TestFolder folder;
    fs::create_directory(folder.path() / "music");
    const std::string target = folder.make("music/a.mp3", audio(50));
    ::chmod(target.c_str(), 0604);
    platform::File original;
    ASSERT_EQ(original.open(target, platform::Access::ReadWrite), 0);
    platform::TempFile temp;
    ASSERT_EQ(temp.create(platform::folderOf(target)), 0);
    struct stat st {};
    ::stat(temp.path().c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "a temporary file is private until it is whole";
    ASSERT_TRUE(temp.file().write(audio(20)));
    ASSERT_EQ(temp.replace(original), 0);
    EXPECT_EQ(readAll(target), audio(20));
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "music"), fs::directory_iterator()), 1);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(Files, AFailedReplaceLeavesTheOriginalAndRemovesEveryCopy) {
    TestFolder folder;
    fs::create_directory(folder.path() / "music");
    const std::string target = folder.make("music/a.mp3", audio(50));
    platform::File original;
    ASSERT_EQ(original.open(target, platform::Access::ReadWrite), 0);
    {
        platform::TempFile temp;
        ASSERT_EQ(temp.create(platform::folderOf(target)), 0);
        ASSERT_TRUE(temp.file().write(audio(20)));
        platform::setFaults({.failReplace = true});
        EXPECT_NE(temp.replace(original), 0);
    }
    EXPECT_EQ(readAll(target), audio(50));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "music"), fs::directory_iterator()), 1);
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

TEST(Files, MovingNeverReplacesAnExistingFile) {
    TestFolder folder;
    const std::string from = folder.make("from.mp3", audio(5));
    const std::string to = folder.make("to.mp3", audio(6));
    EXPECT_EQ(platform::moveFileNoReplace(from, to), EEXIST);
    EXPECT_EQ(readAll(to), audio(6));
    const std::string fresh = (folder.path() / "fresh.mp3").string();
    EXPECT_EQ(platform::moveFileNoReplace(from, fresh), 0);
    EXPECT_EQ(readAll(fresh), audio(5));
    EXPECT_FALSE(fs::exists(from));
}

TEST(Folders, EntriesIncludeTheDotsAndLinksToFoldersAreNotFolders) {
    TestFolder folder;
    fs::create_directory(folder.path() / "sub");
    folder.make("x\xC3\xA9.mp3", {});
    folder.make("\xE6\x97\xA5.mp3", {});
    folder.make("\xFF.mp3", {});  // no UTF-8 at all
    fs::create_directory_symlink(folder.path(), folder.path() / "loop");
    platform::FolderReader reader;
    ASSERT_EQ(reader.open(folder.path().string()), 0);
    std::set<std::pair<std::string, bool>> seen;
    platform::FolderEntry entry;
    int result = 0;
    while ((result = reader.next(entry)) == 1) seen.insert({entry.name, entry.isFolder});
    EXPECT_EQ(result, 0);
    const std::set<std::pair<std::string, bool>> expected = {
        {".", true},
        {"..", true},
        {"sub", true},
        {"loop", false},
        {"x\xC3\xA9.mp3", false},
        {"\xE6\x97\xA5.mp3", false},
        {"\xFF.mp3", false},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_NE(reader.open((folder.path() / "none").string()), 0);
}

TEST(Folders, AWatchTellsWhatCameAndWentUntilTheFolderGoes) {
    TestFolder folder;
    const fs::path watched = folder.path() / "watched";
    fs::create_directory(watched);
    platform::FolderWatch watch;
    ASSERT_EQ(watch.open(watched.string()), 0);
    std::vector<std::pair<std::string, bool>> changes;
    const auto take = [&] {
        changes.clear();
        return watch.takeChanges([&](std::string_view name, bool added) { changes.emplace_back(name, added); });
    };
    EXPECT_TRUE(take());
    EXPECT_TRUE(changes.empty());
    folder.make("watched/a.journal", {1});
    fs::rename(watched / "a.journal", watched / "b.journal");
    fs::remove(watched / "b.journal");
    folder.make("elsewhere", {});
    fs::rename(folder.path() / "elsewhere", watched / "c");
    EXPECT_TRUE(take());
    const std::vector<std::pair<std::string, bool>> expected = {
        {"a.journal", true}, {"a.journal", false}, {"b.journal", true}, {"b.journal", false}, {"c", true}};
    EXPECT_EQ(changes, expected);
    fs::remove_all(watched);
    EXPECT_FALSE(take());
    EXPECT_FALSE(watch.isOpen());
    EXPECT_NE(watch.open((folder.path() / "none").string()), 0);
}

// Reading a file opened to be changed leaves its access time; another user's
// file, whose access time only its owner may keep, opens all the same.
TEST(Files, AFileOpenedToBeChangedKeepsItsAccessTimeWhereItMay) {
    TestFolder folder;
    const std::string song = folder.make("a.mp3", audio(50));
    const timespec times[2] = {{1000000, 0}, {UTIME_OMIT, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, song.c_str(), times, 0), 0);
    platform::File file;
    ASSERT_EQ(file.open(song, platform::Access::ReadWrite), 0);
    std::array<std::uint8_t, 50> bytes{};
    EXPECT_EQ(file.readAt(0, bytes), 50);
    file.close();
    struct stat st {};
    ::stat(song.c_str(), &st);
    EXPECT_EQ(st.st_atim.tv_sec, 1000000);
    if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
    ::chmod(folder.path().c_str(), 0755);
    ::chmod(song.c_str(), 0666);
    const pid_t child = fork();
    if (child == 0) {
        platform::File theirs;
        _exit(::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 ? theirs.open(song, platform::Access::ReadWrite) : 99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Files, PipesAndFoldersAreRefusedWithoutWaiting) {
    TestFolder folder;
    ASSERT_EQ(::mkfifo((folder.path() / "pipe.mp3").c_str(), 0644), 0);
    fs::create_directory(folder.path() / "dir.mp3");
    platform::File file;
    EXPECT_EQ(file.open("pipe.mp3", platform::Access::Read), ENODEV);
    EXPECT_EQ(file.open("pipe.mp3", platform::Access::ReadWrite), ENODEV);
    EXPECT_EQ(file.open("dir.mp3", platform::Access::Read), EISDIR);
}

TEST(Files, ReplacingThroughASymbolicLinkReplacesWhatItPointsTo) {
    TestFolder folder;
    fs::create_directory(folder.path() / "store");
    const std::string real = folder.make("store/real.mp3", audio(40));
    fs::create_symlink(real, folder.path() / "link.mp3");
    const std::string link = (folder.path() / "link.mp3").string();
    platform::File original;
    ASSERT_EQ(original.open(link, platform::Access::ReadWrite), 0);
    platform::TempFile temp;
    ASSERT_EQ(temp.create(platform::folderOf(original.path())), 0);
    ASSERT_TRUE(temp.file().write(audio(10)));
    ASSERT_EQ(temp.replace(original), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readAll(real), audio(10));
    EXPECT_TRUE(folder.strayTempFiles().empty());
}

// A rewrite keeps the extended attributes and the access control list, and
// the mode does not widen; a file with two names gets the new contents under both.
TEST(Files, ARewriteKeepsAttributesAndEveryName) {
    TestFolder folder;
    const std::string song = folder.make("a.mp3", audio(50));
    const std::string other = (folder.path() / "b.mp3").string();
    ASSERT_EQ(::link(song.c_str(), other.c_str()), 0);
    ::chmod(song.c_str(), 0640);
    ASSERT_EQ(::setxattr(song.c_str(), "user.rating", "5", 1, 0), 0);
    const bool acl = std::system(("setfacl -m u:nobody:r-x " + song + " 2>/dev/null").c_str()) == 0;
    struct stat before {};
    ::stat(song.c_str(), &before);
    const auto attribute = [](const std::string& path, const char* name) {
        char value[256];
        const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
        return size < 0 ? std::string() : std::string(value, static_cast<std::size_t>(size));
    };
    const std::string aclBefore = attribute(song, "system.posix_acl_access");
    for (bool twoNames : {true, false}) {
        if (!twoNames) std::filesystem::remove(other);
        platform::File original;
        ASSERT_EQ(original.open(song, platform::Access::ReadWrite), 0);
        const tags::TagOutcome written = tags::rewriteFile(song, original, {0, 50}, tags::msg::kTempForWrite,
                                                           [](tags::StreamWriter& out) { out.putZeros(7); });
        original.close();
        EXPECT_TRUE(written.succeeded()) << written.message;
        struct stat after {};
        ::stat(song.c_str(), &after);
        EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
        EXPECT_EQ(attribute(song, "user.rating"), "5");
        if (acl) {
            EXPECT_EQ(attribute(song, "system.posix_acl_access"), aclBefore);
        }
        if (twoNames) {
            EXPECT_EQ(readAll(other), readAll(song)) << "the second name kept the old contents";
        }
        EXPECT_TRUE(folder.strayTempFiles().empty());
    }
}
