// Crash safety: a process that walks many files with full removals and
// growing ID3v2 rewrites is killed (SIGKILL) at random moments; every file
// must then be its old or its new version, never anything between.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <thread>

#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/testfiles.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 24;
constexpr int kKills = 20;
constexpr std::size_t kAudioBytes = 150000;

// What an operation returns does not matter here: the kill decides.
using Operation = std::function<tags::TagOutcome(const std::string& path)>;

// A grown title forces a rewrite through a temporary file: the tag has no padding.
tags::TagOutcome growTitle(const std::string& path) {
    tags::V2Tag tag;
    if (tags::TagOutcome read = tag.read(path.c_str()); !read.succeeded()) return read;
    tag.freeFields(tags::kFieldTitle);
    if (const tags::TagResult made = tag.allocFields(tags::kFieldTitle, 3000); made != tags::TagSuccess) return made;
    tag.slots[0].buffer[1] = 'G';
    return tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding);
}

const Operation kOperations[] = {
    growTitle,
    [](const std::string& path) { return tags::V2Tag().remove(path.c_str(), 0); },
    [](const std::string& path) { return tags::V1Tag().remove(path.c_str(), 0); },
};

Bytes original(int index) {
    const Bytes frames = frame("TIT2", textBody("Song " + std::to_string(index)));
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.size())), frames, audio(kAudioBytes + static_cast<std::size_t>(index)),
                   ByteBuilder().text("TAG").field("Old", 30).zeros(95)});
}

std::string songPath(const TestFolder& folder, int index) { return (folder.path() / ("song" + std::to_string(index) + ".mp3")).string(); }

void resetSongs(const TestFolder& folder) {
    for (const auto& entry : fs::directory_iterator(folder.path())) fs::remove(entry.path());
    for (int i = 0; i < kFiles; ++i) folder.make("song" + std::to_string(i) + ".mp3", original(i));
}

void walk(const TestFolder& folder) {
    for (int i = 0; i < kFiles; ++i) static_cast<void>(kOperations[static_cast<std::size_t>(i) % std::size(kOperations)](songPath(folder, i)));
}

}  // namespace

TEST(CrashSafety, AKilledWalkLeavesEveryFileOldOrNew) {
    TestFolder folder;
    resetSongs(folder);
    const auto started = std::chrono::steady_clock::now();
    walk(folder);
    const auto walkTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::vector<Bytes> done;
    for (int i = 0; i < kFiles; ++i) done.push_back(readAll(songPath(folder, i)));

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> moment(0, walkTime.count());
    // A kill that comes after the walk ended does not count; the child says
    // when it starts, so that the moment is measured from there, and how long
    // a walk it finished took, so that later moments fall within one.
    int midWalk = 0;
    for (int attempt = 0; attempt < 3 * kKills && midWalk < kKills; ++attempt) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", attempt " + std::to_string(attempt));
        resetSongs(folder);
        int childSays[2];
        ASSERT_EQ(pipe(childSays), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const auto begun = std::chrono::steady_clock::now();
            const char go = 1;
            if (write(childSays[1], &go, 1) != 1) _exit(1);
            walk(folder);
            const long took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun).count();
            _exit(write(childSays[1], &took, sizeof took) == sizeof took ? 0 : 1);
        }
        ::close(childSays[1]);
        char go = 0;
        ASSERT_EQ(read(childSays[0], &go, 1), 1);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        long took = 0;
        if (WIFSIGNALED(status)) {
            ++midWalk;
        } else if (read(childSays[0], &took, sizeof took) == sizeof took) {
            moment = std::uniform_int_distribution<long>(0, took);
        }
        ::close(childSays[0]);
        for (int i = 0; i < kFiles; ++i) {
            const Bytes now = readAll(songPath(folder, i));
            EXPECT_TRUE(now == original(i) || now == done[static_cast<std::size_t>(i)]) << "song " << i << " is neither old nor new";
        }
    }
    EXPECT_EQ(midWalk, kKills) << "too few kills landed in the walk";
    std::cout << "[ KILLS    ] " << midWalk << " kills in the middle of a walk, " << midWalk * kFiles << " file checks\n";
}
