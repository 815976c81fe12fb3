// Crash safety: a process that walks many files is killed (SIGKILL) at random
// moments; every file must then be its old or its new version, never anything
// between, once the program has started again (which rolls back the journals
// of overwrites in place). Walks of the real batch operations that receive a
// stop signal (SIGTERM, SIGHUP, SIGINT) must end by themselves after the file
// under work, with every file old or new and no LV3 file anywhere.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <thread>

#include "app/mainwindow.h"
#include "app/operations.h"
#include "app/program.h"
#include "platform/signals.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "res/resources.h"
#include "tags/journal.h"
#include "tags/tagfile.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/testfiles.h"

using namespace testing_support;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 24;
constexpr int kKills = 20;
constexpr std::size_t kAudioBytes = 150000;
// The large tags: a cover of 1.3 MB, and frames after it that a torn write would lose.
constexpr int kCoverFiles = 12;
constexpr std::size_t kCoverBytes = 1300 * 1024;
constexpr int kSignalsEach = 5;

// What an operation returns does not matter here: the kill decides.
using Operation = std::function<tags::TagOutcome(const std::string& path)>;

// The title is read and written anew at the given size: with no padding a
// larger one forces a rewrite through a temporary file, with padding a title
// of the same size is written in place.
tags::TagOutcome writeTitle(const std::string& path, std::uint32_t size) {
    tags::V2Tag tag;
    if (tags::TagOutcome read = tag.read(path.c_str()); !read.succeeded()) return read;
    tag.freeFields(tags::kFieldTitle);
    if (const tags::TagResult made = tag.allocFields(tags::kFieldTitle, size); made != tags::TagSuccess) return made;
    tag.slots[0].buffer[1] = 'G';
    return tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding);
}

const Operation kRewrites[] = {
    [](const std::string& path) { return writeTitle(path, 3000); },
    [](const std::string& path) { return tags::V2Tag().remove(path.c_str(), 0); },
    [](const std::string& path) { return tags::V1Tag().remove(path.c_str(), 0); },
};

const Operation kOverwrites[] = {
    [](const std::string& path) { return writeTitle(path, 12); },
    [](const std::string& path) { return tags::V2Tag().remove(path.c_str(), 1); },
};

Bytes smallSong(int index) {
    const Bytes frames = frame("TIT2", textBody("Song " + std::to_string(index)));
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.size())), frames, audio(kAudioBytes + index),
                   ByteBuilder().text("TAG").field("Old", 30).zeros(95)});
}

// A JPEG-like cover (FF D8 FF E0 at its start), then the frames other
// programs add after it; with padding or none.
Bytes coverSong(int index, std::size_t padding) {
    Bytes cover = ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0, 0xFF, 0xD8, 0xFF, 0xE0});
    for (std::size_t i = 0; i < kCoverBytes; ++i) cover.push_back(static_cast<std::uint8_t>((i * 13 + index) % 251));
    const Bytes frames = concat({frame("TIT2", textBody("Song " + std::to_string(index))), frame("APIC", cover),
                                 frame("TXXX", textBody(std::string("REPLAYGAIN_TRACK_GAIN") + '\0' + "-6.5 dB")),
                                 frame("TXXX", textBody(std::string("MusicBrainz Album Id") + '\0' + "0f1e2d"))});
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.size() + padding)), frames, Bytes(padding, 0),
                   audio(20000 + index)});
}

// Two digits: the list sorts its entries by name, and the walk goes by the list.
std::string songName(int index) {
    return "music/song" + std::string(index < 10 ? "0" : "") + std::to_string(index) + ".mp3";
}

std::string songPath(const TestFolder& folder, int index) { return (folder.path() / songName(index)).string(); }

using Songs = std::function<Bytes(int index)>;

// Each song made once: the rounds reset and compare them many times.
Songs remembered(const Songs& song, int count) {
    auto made = std::make_shared<std::vector<Bytes>>();
    for (int i = 0; i < count; ++i) made->push_back(song(i));
    return [made](int index) { return (*made)[static_cast<std::size_t>(index)]; };
}

void resetSongs(const TestFolder& folder, int count, const Songs& song) {
    fs::remove_all(folder.path() / "music");
    fs::create_directory(folder.path() / "music");
    for (int i = 0; i < count; ++i) {
        const std::string path = songPath(folder, i);
        const Bytes bytes = song(i);
        folder.make(songName(i), bytes);
        ::chmod(path.c_str(), 0600);  // a private file's copies must stay private
    }
}

std::vector<std::string> namesIn(const fs::path& folder, std::string_view prefix) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory() && name.starts_with(prefix)) names.push_back(entry.path().string());
    }
    return names;
}

std::vector<std::string> journalsLeft(const TestFolder& folder) { return namesIn(folder.path() / "state", ""); }

// Runs walk in a child and sends it `signal` after `moment` (none when the
// moment is negative); the child's wait status, and how long a walk that
// ended by itself took.
struct ChildEnd {
    int status = 0;
    long took = -1;  // microseconds
};

ChildEnd runChild(const std::function<void()>& walk, int signal, long moment) {
    int childSays[2];
    if (pipe(childSays) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        ::close(childSays[0]);
        const auto begun = std::chrono::steady_clock::now();
        const char go = 1;
        if (write(childSays[1], &go, 1) != 1) _exit(1);
        walk();
        const long took =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun).count();
        if (write(childSays[1], &took, sizeof took) != sizeof took) _exit(1);
        platform::endByCaughtSignal();
        _exit(0);
    }
    ::close(childSays[1]);
    char go = 0;
    ChildEnd end;
    if (read(childSays[0], &go, 1) == 1 && moment >= 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(moment));
        ::kill(child, signal);
    }
    waitpid(child, &end.status, 0);
    if (read(childSays[0], &end.took, sizeof end.took) != sizeof end.took) end.took = -1;
    ::close(childSays[0]);
    return end;
}

// Watches the folder while a child works: the widest mode a temporary file had.
class TemporaryWatch {
public:
    explicit TemporaryWatch(fs::path folder) : folder_(std::move(folder)), thread_([this] { watch(); }) {}
    ~TemporaryWatch() { stop(); }
    void stop() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
    }
    unsigned widestMode() const { return widest_; }
    int sightings() const { return sightings_; }

private:
    void watch() {
        while (!done_) {
            for (const std::string& path : namesIn(folder_, platform::kTempPrefix)) {
                struct stat st {};
                if (::lstat(path.c_str(), &st) != 0) continue;
                widest_ |= st.st_mode & 0777;
                ++sightings_;
            }
        }
    }

    fs::path folder_;
    std::atomic<bool> done_ = false;
    unsigned widest_ = 0;
    int sightings_ = 0;
    std::thread thread_;
};

// Kills walks at random moments within a walk's length and checks every file
// after each, once `restart` (what a new start of the program does) has run.
struct KillRound {
    int count;
    Songs song;
    std::function<void()> walk;
    std::function<void()> restart = [] {};
};

void expectOldOrNew(const TestFolder& folder, const KillRound& round, const std::vector<Bytes>& done) {
    for (int i = 0; i < round.count; ++i) {
        const Bytes now = readAll(songPath(folder, i));
        EXPECT_TRUE(now == round.song(i) || now == done[i]) << "song " << i << " is neither old nor new";
    }
}

std::vector<Bytes> walkedSongs(const TestFolder& folder, const KillRound& round, long& walkTime) {
    resetSongs(folder, round.count, round.song);
    walkTime = runChild(round.walk, 0, -1).took;
    std::vector<Bytes> done;
    for (int i = 0; i < round.count; ++i) done.push_back(readAll(songPath(folder, i)));
    return done;
}

int killWalks(const TestFolder& folder, const KillRound& round, int kills) {
    long walkTime = 0;
    const std::vector<Bytes> done = walkedSongs(folder, round, walkTime);
    EXPECT_GT(walkTime, 0);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, walkTime);
    // A kill that comes after the walk ended does not count; a walk that
    // ended tells how long it took, so that later moments fall within one.
    int midWalk = 0;
    for (int attempt = 0; attempt < 3 * kills && midWalk < kills; ++attempt) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", attempt " + std::to_string(attempt));
        resetSongs(folder, round.count, round.song);
        const ChildEnd end = runChild(round.walk, SIGKILL, moment(random));
        if (WIFSIGNALED(end.status)) ++midWalk;
        if (end.took > 0) moment = std::uniform_int_distribution<long>(0, end.took);
        round.restart();
        expectOldOrNew(folder, round, done);
        EXPECT_TRUE(journalsLeft(folder).empty()) << "the start left a journal";
    }
    EXPECT_EQ(midWalk, kills) << "too few kills landed in the walk";
    return midWalk;
}

void engineWalk(const TestFolder& folder, int count, std::span<const Operation> operations) {
    for (int i = 0; i < count; ++i) static_cast<void>(operations[i % operations.size()](songPath(folder, i)));
}

}  // namespace

TEST(CrashSafety, AKilledWalkLeavesEveryFileOldOrNew) {
    TestFolder folder;
    const KillRound round{kFiles, remembered(smallSong, kFiles), [&] { engineWalk(folder, kFiles, kRewrites); }};
    const int kills = killWalks(folder, round, kKills);
    std::cout << "[ KILLS    ] " << kills << " kills in the middle of a walk, " << kills * kFiles << " file checks\n";
}

// Titles written in place over tags with a 1.3 MB cover, and soft removals of
// them: many writes each, which a kill tears without the journal.
TEST(CrashSafety, AKilledWalkOfOverwritesInPlaceIsOldOrNewOnceTheProgramStartsAgain) {
    TestFolder folder;
    const KillRound round{kCoverFiles, remembered([](int i) { return coverSong(i, 2048); }, kCoverFiles),
                          [&] { engineWalk(folder, kCoverFiles, kOverwrites); },
                          [] { static_cast<void>(tags::rollBackJournals()); }};
    const int kills = killWalks(folder, round, kKills);
    std::cout << "[ KILLS    ] " << kills << " kills of overwrites in place, " << kills * kCoverFiles
              << " file checks\n";
}

// Writers killed in the middle of an overwrite while a walk runs: the walk
// puts each file back when it comes to it, whether the journal was there
// before the walk's first file or came later, and in a short walk (journals
// looked up by name) as in a long one (the journal folder watched).
TEST(CrashSafety, AJournalLeftDuringAWalkIsRolledBackWhenTheWalkReachesItsFile) {
    TestFolder folder;
    static_cast<void>(tags::rollBackJournals());  // the start, which makes the folder
    constexpr int kSongs = 4;
    const auto leaveJournal = [&](int song, const Bytes& old) {
        const ChildEnd killed = runChild(
            [&] {
                platform::File file;
                if (file.open(songPath(folder, song), platform::Access::ReadWrite) != 0) _exit(1);
                tags::Journal journal(file);
                const std::size_t half = old.size() / 2;
                if (journal.save(0, half, old.size()) != 0 || !file.writeAt(0, Bytes(half, 0xEE))) _exit(1);
                _exit(0);  // as a kill would: the journal stays
            },
            0, -1);
        ASSERT_TRUE(WIFEXITED(killed.status) && WEXITSTATUS(killed.status) == 0);
    };
    for (const std::size_t walkLength : {std::size_t{kSongs}, tags::JournalFolder::kWatchPaysFrom}) {
        SCOPED_TRACE("a walk of " + std::to_string(walkLength));
        resetSongs(folder, kSongs, [](int i) { return smallSong(i); });
        std::vector<Bytes> old;
        for (int i = 0; i < kSongs; ++i) old.push_back(readAll(songPath(folder, i)));
        tags::TagFile walk(walkLength);
        const auto reach = [&](int song) {
            walk.open(songPath(folder, song), true);
            EXPECT_TRUE(walk.ready(true, "").succeeded()) << song;
            EXPECT_EQ(readAll(songPath(folder, song)), old[song]) << song;
        };
        leaveJournal(0, old[0]);
        reach(0);
        leaveJournal(2, old[2]);
        reach(1);  // a long walk lists the folder here
        leaveJournal(3, old[3]);
        reach(2);
        reach(3);  // a long walk is told by its watch
        EXPECT_TRUE(journalsLeft(folder).empty());
    }
}

namespace {

// The real batch walk over the list in a child: a main window without input,
// every entry in scope, the stop signals caught as the program catches them.
std::function<void()> batchWalk(const TestFolder& folder, int command) {
    return [&folder, command] {
        platform::catchStopSignals();
        platform::resetDesktop();
        app::resetProgramState();
        app::ModuleInstance = &res::lirvaneModule();
        app::QuickV2 = 0;
        const auto main = platform::createDialogParam(res::lirvaneModule(), res::kMainDialog, {}, app::MainWindow, 0);
        const auto list = platform::getDlgItem(main, res::kFileList);
        for (int i = 0; i < kCoverFiles; ++i) platform::listAddString(list, songPath(folder, i));
        platform::checkDlgButton(main, res::kScopeSelected, platform::BST_UNCHECKED);
        platform::checkDlgButton(main, res::kScopeAll, platform::BST_CHECKED);
        platform::setDlgItemText(main, res::kTitleEdit, "New title");
        app::runTagOperation(command);
    };
}

// Songs with padding get their tag in place, the others through a temporary file.
Bytes mixedSong(int index) { return coverSong(index, index % 2 == 0 ? 2048 : 0); }

}  // namespace

TEST(CrashSafety, AStopSignalEndsAWalkAfterTheFileUnderWorkAndLeavesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    // A forked walk that takes signals can hang in the sanitizer's own
    // handlers; the normal build runs this test.
    GTEST_SKIP() << "not under AddressSanitizer";
#endif
    TestFolder folder;
    int sent = 0;
    int stoppedEarly = 0;
    int temporariesSeen = 0;
    for (int command : {res::kApplyV2, res::kRemoveV2}) {
        const KillRound round{kCoverFiles, remembered(mixedSong, kCoverFiles), batchWalk(folder, command)};
        long walkTime = 0;
        const std::vector<Bytes> done = walkedSongs(folder, round, walkTime);
        std::mt19937 random(std::random_device{}());
        std::uniform_int_distribution<long> moment(0, walkTime);
        for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
            for (int n = 0; n < kSignalsEach; ++n) {
                SCOPED_TRACE("command " + std::to_string(command) + ", signal " + std::to_string(signal));
                resetSongs(folder, round.count, round.song);
                TemporaryWatch watch(folder.path());
                const ChildEnd end = runChild(round.walk, signal, moment(random));
                watch.stop();
                ++sent;
                temporariesSeen += watch.sightings();
                // Ended by the signal, after winding down; or done before it came.
                EXPECT_TRUE((WIFSIGNALED(end.status) && WTERMSIG(end.status) == signal) ||
                            (WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0));
                EXPECT_EQ(watch.widestMode() & 077, 0u) << "a temporary file was readable by others";
                EXPECT_TRUE(namesIn(folder.path(), platform::kTempPrefix).empty()) << "a temporary file stayed";
                EXPECT_TRUE(journalsLeft(folder).empty()) << "a journal stayed";
                expectOldOrNew(folder, round, done);
                // The walk goes from the last entry to the first: the files it
                // did are the last ones, and it stopped after one of them.
                int firstDone = round.count;
                while (firstDone > 0 && readAll(songPath(folder, firstDone - 1)) == done[firstDone - 1]) --firstDone;
                for (int i = 0; i < firstDone; ++i) EXPECT_NE(readAll(songPath(folder, i)), done[i]) << "song " << i;
                if (firstDone > 0) ++stoppedEarly;
            }
        }
    }
    EXPECT_GT(stoppedEarly, 0) << "no signal came during a walk";
    std::cout << "[ SIGNALS  ] " << sent << " stop signals, " << stoppedEarly << " walks stopped early, "
              << sent * kCoverFiles << " file checks, " << temporariesSeen << " sightings of temporary files\n";
}

// A second stop signal does not wait for the file under work: a rewrite held
// up just before its rename ends at once, its temporary file removed and the
// file old.
TEST(CrashSafety, ASecondStopSignalEndsTheProgramAtOnceAndLeavesNothing) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "not under AddressSanitizer";
#endif
    TestFolder folder;
    resetSongs(folder, 1, smallSong);
    const std::string path = songPath(folder, 0);
    const Bytes old = readAll(path);
    // Which call of the rewrite is its rename, found by failing each in turn.
    int rename = 0;
    for (int call = 1; call < 100 && rename == 0; ++call) {
        resetSongs(folder, 1, smallSong);
        platform::setFaults({.failCall = call});
        static_cast<void>(writeTitle(path, 3000));
        if (std::string_view(platform::failedCallName()).starts_with("renameat2")) rename = call;
        platform::clearFaults();
    }
    ASSERT_GT(rename, 0);
    resetSongs(folder, 1, smallSong);
    const auto begun = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        platform::catchStopSignals();
        platform::setFaults({.interveneAt = rename, .intervene = [] { std::this_thread::sleep_for(10s); }});
        static_cast<void>(writeTitle(path, 3000));
        platform::endByCaughtSignal();
        _exit(0);
    }
    std::this_thread::sleep_for(300ms);  // the rewrite is held up by then
    ASSERT_FALSE(namesIn(folder.path() / "music", platform::kTempPrefix).empty());
    for (int n = 0; n < 2; ++n) {
        ::kill(child, SIGTERM);
        std::this_thread::sleep_for(50ms);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(namesIn(folder.path() / "music", platform::kTempPrefix).empty()) << "a temporary file stayed";
    EXPECT_EQ(readAll(path), old);
}
