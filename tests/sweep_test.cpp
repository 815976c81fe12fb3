// Fault injection through the file services: every operation that writes is
// run with a failure injected at each of its file-system calls in turn, with
// the working folder on the same file system and on another one, and with the
// disk filling up at many points. What must hold each time: the files are
// exactly as before or exactly the correct result, no LV3 file stays, a
// failure is reported (by the operation's failure result and a message naming
// the file), and a success means the correct result. Adding an operation is
// one row of sweptOperations().
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "app/filelist.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "res/resources.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/testfiles.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr platform::WindowHandle kNoOwner{};
constexpr char kMusic[] = "music";  // the files worked on; the working folder is the test folder
constexpr char kSettingsKey[] = "Software\\Orvisel\\Lirvane_v3";

struct SweptOperation {
    const char* name;
    std::function<void(const TestFolder&)> prepare;  // makes the files
    std::function<int(const TestFolder&)> run;
    int success;
    std::optional<int> failure;  // the result of every failed run; empty: any but success
    bool tellsUser;              // a failed run shows a message naming `file`
    const char* file;            // relative to the test folder
};

std::string pathIn(const TestFolder& folder, const std::string& relative) { return (folder.path() / relative).string(); }

Bytes v1Trailer() { return ByteBuilder().text("TAG").field("Song", 30).zeros(92).bytes({0, 1, 17}); }

// A tag with a title and a JPEG cover (FF D8 FF E0 inside), padding, audio.
Bytes v2Tagged(std::size_t padding) {
    const Bytes frames = concat({frame("TIT2", textBody("Song")),
                                 frame("APIC", ByteBuilder().bytes({0}).text("image/jpeg").bytes({0, 3, 0, 0xFF, 0xD8, 0xFF, 0xE0})
                                                   .zeros(300))});
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(frames.size() + padding)), frames, Bytes(padding, 0), audio(5000)});
}

void makeMusic(const TestFolder& folder, const Bytes& contents) {
    fs::create_directories(folder.path() / kMusic);
    folder.make(std::string(kMusic) + "/a.mp3", contents);
}

const char kSong[] = "music/a.mp3";

int writeV1(const TestFolder& folder, tags::FieldMask mask) {
    tags::V1Tag tag;
    std::strcpy(tag.title, "New");
    return tag.write(kNoOwner, pathIn(folder, kSong).c_str(), mask);
}

// What the batch write does: read, replace the title, write every field.
int writeV2Title(const TestFolder& folder, std::size_t titleSize) {
    const std::string path = pathIn(folder, kSong);
    tags::V2Tag tag;
    const int read = tag.read(kNoOwner, path.c_str());
    if (read != tags::TagSuccess && read != tags::TagNoV2Header) return read;
    tag.freeFields(tags::kFieldTitle);
    tag.allocFields(tags::kFieldTitle, static_cast<std::uint32_t>(titleSize));
    tag.slots[0].buffer[1] = 'N';
    return tag.write(kNoOwner, path.c_str(), tags::kAllFields, tags::kDefaultPadding);
}

// A dialog holding the program's file list with three entries.
platform::WindowHandle listWindow() {
    static const platform::WindowHandle dialog = [] {
        const auto window = platform::createDialogParam(res::lirvaneModule(), res::kMainDialog, {},
                                                        [](platform::WindowHandle, unsigned, platform::WParam, platform::LParam) {
                                                            return std::intptr_t{0};
                                                        },
                                                        0);
        for (const char* entry : {"/music/one.mp3", "/music/two.mp3", "/music/three.mp3"}) {
            platform::listAddString(platform::getDlgItem(window, res::kFileList), entry);
        }
        return window;
    }();
    return dialog;
}

int storeSetting(std::uint32_t value) {
    platform::RegKey key;
    if (const int error = platform::regCreateKeyEx(platform::HKEY_LOCAL_MACHINE, kSettingsKey, platform::KEY_ALL_ACCESS, key);
        error != 0) {
        return error;
    }
    const std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(value), 0, 0, 0};
    const int error = platform::regSetValueEx(key, "QuickV1", platform::REG_DWORD, bytes);
    platform::regCloseKey(key);
    return error;
}

std::vector<SweptOperation> sweptOperations() {
    using tags::TagFileError;
    using tags::TagSuccess;
    const auto music = [](Bytes contents) { return [contents](const TestFolder& folder) { makeMusic(folder, contents); }; };
    const auto removeV1 = [](int soft) {
        return [soft](const TestFolder& folder) { return tags::V1Tag().remove(kNoOwner, pathIn(folder, kSong).c_str(), soft); };
    };
    const auto removeV2 = [](int soft) {
        return [soft](const TestFolder& folder) { return tags::V2Tag().remove(kNoOwner, pathIn(folder, kSong).c_str(), soft); };
    };
    const auto saveList = [](const TestFolder& folder) {
        return app::saveFileList(kNoOwner, pathIn(folder, "music/list.lv3").c_str(),
                                 platform::getDlgItem(listWindow(), res::kFileList));
    };
    const auto hive = [](const TestFolder& folder) {
        platform::setRegistryFolder(pathIn(folder, "config"));
        storeSetting(0);
    };
    return {
        {"V1 write appending a trailer", music(audio(3000)), [](auto& f) { return writeV1(f, tags::kFieldTitle); },
         TagSuccess, TagFileError, true, kSong},
        {"V1 write in place", music(concat({audio(3000), v1Trailer()})), [](auto& f) { return writeV1(f, tags::kAllFields); },
         TagSuccess, TagFileError, true, kSong},
        {"V1 soft removal", music(concat({audio(3000), v1Trailer()})), removeV1(1), TagSuccess, TagFileError, true, kSong},
        {"V1 full removal", music(concat({audio(3000), v1Trailer()})), removeV1(0), TagSuccess, TagFileError, true, kSong},
        {"V2 write in place", music(v2Tagged(600)), [](auto& f) { return writeV2Title(f, 20); }, TagSuccess, TagFileError,
         true, kSong},
        {"V2 write that grows the file", music(v2Tagged(0)), [](auto& f) { return writeV2Title(f, 2000); }, TagSuccess,
         TagFileError, true, kSong},
        {"V2 write to a file without a tag", music(audio(3000)), [](auto& f) { return writeV2Title(f, 20); }, TagSuccess,
         TagFileError, true, kSong},
        {"V2 soft removal", music(v2Tagged(600)), removeV2(1), TagSuccess, TagFileError, true, kSong},
        {"V2 full removal", music(v2Tagged(600)), removeV2(0), TagSuccess, TagFileError, true, kSong},
        {"list file saved anew", music(audio(10)), saveList, 1, 0, true, "music/list.lv3"},
        {"list file replaced",
         [](const TestFolder& folder) {
             makeMusic(folder, audio(10));
             folder.make("music/list.lv3", Bytes(260, 'x'));
         },
         saveList, 1, 0, true, "music/list.lv3"},
        {"settings hive", hive, [](auto&) { return storeSetting(1); }, 0, std::nullopt, false, "config"},
    };
}

using Snapshot = std::map<std::string, Bytes>;

bool isTemporary(const fs::path& file) { return file.filename().string().rfind(platform::kTempPrefix, 0) == 0; }

// Every file under the folder but the temporary ones, and their count.
Snapshot snapshot(const TestFolder& folder, int& temporaries) {
    Snapshot files;
    temporaries = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        if (!entry.is_regular_file()) continue;
        if (isTemporary(entry.path())) {
            ++temporaries;
        } else {
            files[fs::relative(entry.path(), folder.path()).string()] = readAll(entry.path().string());
        }
    }
    return files;
}

void emptyFolder(const TestFolder& folder) {
    for (const auto& entry : fs::directory_iterator(folder.path())) fs::remove_all(entry.path());
}

struct Outcome {
    Snapshot files;
    int temporaries = 0;
    int result = 0;
    std::string failedCall;
};

Outcome runWith(const TestFolder& folder, const SweptOperation& operation, const platform::FaultPlan& plan) {
    emptyFolder(folder);
    operation.prepare(folder);
    platform::clearShownMessageBoxes();
    platform::setFaults(plan);
    Outcome outcome;
    outcome.result = operation.run(folder);
    outcome.failedCall = platform::failedCallName();
    platform::clearFaults();
    outcome.files = snapshot(folder, outcome.temporaries);
    return outcome;
}

// The promise for one run that may have met a failure.
void expectSafe(const TestFolder& folder, const SweptOperation& operation, const Outcome& outcome, const Snapshot& before,
                const Snapshot& after, std::set<std::string>& tolerated) {
    EXPECT_EQ(outcome.temporaries, 0);
    const bool unchanged = outcome.files == before;
    const bool done = outcome.files == after;
    EXPECT_TRUE(unchanged || done) << "the files are neither as before nor the correct result";
    if (outcome.result == operation.success) {
        EXPECT_TRUE(done) << "success without the correct result";
        if (!outcome.failedCall.empty()) tolerated.insert(outcome.failedCall);
        return;
    }
    EXPECT_FALSE(outcome.failedCall.empty()) << "a failure nothing caused";
    if (operation.failure) EXPECT_EQ(outcome.result, *operation.failure);
    EXPECT_TRUE(unchanged) << "a failure reported, yet the file changed";
    if (!operation.tellsUser) return;
    const auto shown = platform::shownMessageBoxes();
    const std::string file = pathIn(folder, operation.file);
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const auto& box) { return box.text.find(file) != std::string::npos; }))
        << "no message names " << file;
}

class FaultSweep : public ::testing::TestWithParam<bool> {
protected:
    ~FaultSweep() override {
        platform::setRegistryFolder("");
        platform::resetDesktop();
    }
};

TEST_P(FaultSweep, EveryFailedCallOfEveryWritingOperationLeavesTheFileWholeAndIsReported) {
    const bool crossDevice = GetParam();
    TestFolder folder;
    std::set<std::string> tolerated;
    for (const SweptOperation& operation : sweptOperations()) {
        SCOPED_TRACE(operation.name);
        platform::clearShownMessageBoxes();
        emptyFolder(folder);
        operation.prepare(folder);
        int temporaries = 0;
        const Snapshot before = snapshot(folder, temporaries);
        const Outcome clean = runWith(folder, operation, {.crossDevice = crossDevice});
        ASSERT_EQ(clean.result, operation.success);
        ASSERT_NE(clean.files, before);
        EXPECT_EQ(clean.temporaries, 0);
        int call = 1;
        for (;; ++call) {
            SCOPED_TRACE("failed call " + std::to_string(call));
            const Outcome outcome = runWith(folder, operation, {.failCall = call, .crossDevice = crossDevice});
            if (outcome.failedCall.empty()) break;  // past the last call
            expectSafe(folder, operation, outcome, before, clean.files, tolerated);
        }
        EXPECT_GT(call, 3);
    }
    // Failures that change nothing for the outcome: another owner that cannot
    // be kept, closing a file that was only read, the folder sync after a rename.
    const std::set<std::string> harmless = {"fchown", "close", "open folder", "fsync folder"};
    for (const std::string& call : tolerated) EXPECT_TRUE(harmless.contains(call)) << call;
}

TEST_P(FaultSweep, AFullDiskLeavesTheFileWholeAndIsReported) {
    const bool crossDevice = GetParam();
    TestFolder folder;
    std::set<std::string> tolerated;
    for (const SweptOperation& operation : sweptOperations()) {
        SCOPED_TRACE(operation.name);
        emptyFolder(folder);
        operation.prepare(folder);
        int temporaries = 0;
        const Snapshot before = snapshot(folder, temporaries);
        const Outcome clean = runWith(folder, operation, {.crossDevice = crossDevice});
        for (std::int64_t space : {0, 1, 9, 100, 127, 1000, 4000, 8000}) {
            SCOPED_TRACE("bytes left " + std::to_string(space));
            Outcome outcome = runWith(folder, operation, {.spaceLeft = space, .crossDevice = crossDevice});
            if (outcome.result != operation.success) outcome.failedCall = "write";
            expectSafe(folder, operation, outcome, before, clean.files, tolerated);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WorkingFolder, FaultSweep, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "OnAnotherFileSystem" : "Beside"; });

// The working folder really on another file system (a RAM disk): the result
// is the same, and nothing stays in either folder.
TEST(OtherFileSystem, RewritesThroughARamDiskWorkingFolderGiveTheSameFilesAndLeaveNothing) {
    struct stat shm {};
    struct stat tmp {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev) {
        GTEST_SKIP() << "no second file system";
    }
    TestFolder folder;
    char pattern[] = "/dev/shm/lirvane-cwd-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    for (const SweptOperation& operation : sweptOperations()) {
        SCOPED_TRACE(operation.name);
        fs::current_path(folder.path());
        const Outcome beside = runWith(folder, operation, {});
        fs::current_path(pattern);
        const Outcome across = runWith(folder, operation, {});
        EXPECT_EQ(across.result, beside.result);
        EXPECT_EQ(across.files, beside.files);
        EXPECT_EQ(across.temporaries, 0);
        EXPECT_TRUE(fs::is_empty(pattern));
    }
    fs::current_path(folder.path());
    fs::remove_all(pattern);
    platform::setRegistryFolder("");
    platform::resetDesktop();
}

}  // namespace
