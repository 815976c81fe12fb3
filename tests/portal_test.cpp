// The desktop's file chooser behind the common dialogs, against a fake
// portal on a private session bus: what is asked, and how the answers come
// back in the dialogs' own result form.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "platform/portal.h"
#include "platform/ui/filedialogs.h"
#include "platform/ui/script.h"
#include "testfiles.h"
#include "ui_probe.h"

extern char** environ;

namespace {

using namespace ui_testing;
namespace portal = platform::portal;
namespace fs = std::filesystem;

constexpr char kFilters[] = "MP3s (*.mp3)\0*.mp3\0All files (*.*)\0*.*\0";
constexpr char kParent[] = "x11:2a00004";
constexpr char kChooserVersion[] = "3";
// Only the sockets: no services to start, so nothing but the fake answers.
constexpr char kBusConfig[] = R"(<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

TEST(Portal, FileUrisGiveTheirPathsAndPatternsMatchEitherCase) {
    const std::pair<const char*, const char*> uris[] = {
        {"file:///home/m%C3%BAsica/uno%20dos.mp3", "/home/música/uno dos.mp3"},
        {"file:///raw/%FF%zz", "/raw/\xFF%zz"},  // a stray byte stays a byte; no escape stays as it is
        {"file://otherhost/x.mp3", ""},
        {"https://example.org/x.mp3", ""},
    };
    for (const auto& [uri, path] : uris) EXPECT_EQ(portal::pathOfUri(uri), path) << uri;
    EXPECT_EQ(portal::caseBlindGlob("*.mp3"), "*.[mM][pP]3");
    EXPECT_EQ(portal::caseBlindGlob("*.LV3"), "*.[lL][vV]3");
    EXPECT_EQ(portal::caseBlindGlob("*.*"), "*");
}

// An input source of windows on a desktop, whose dialogs the chooser may serve.
class DesktopScript : public Script {
public:
    DesktopScript() : Script(reportFailure) {}
    bool offersDesktopDialogs() const override { return true; }
    std::string windowSystemName(WindowHandle) const override { return kParent; }
};

// A private session bus with the fake portal on it, for the whole suite.
class PortalDialogs : public UiTest {
protected:
    static void SetUpTestSuite() {
        scratch = fs::temp_directory_path() / ("lirvane-portal-" + std::to_string(::getpid()));
        fs::create_directories(scratch);
        std::ofstream(scratch / "bus.conf") << kBusConfig;
        const std::string address = startBus();
        ASSERT_FALSE(address.empty()) << "dbus-daemon did not start (make installs dbus-daemon)";
        savedAddress = std::getenv("DBUS_SESSION_BUS_ADDRESS") ? std::getenv("DBUS_SESSION_BUS_ADDRESS") : "";
        setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        const std::string fake = LIRVANE_FAKE_PORTAL;
        const std::vector<std::string> args = {"/usr/bin/python3", fake,
                                               log().string(),     answerFile().string(),
                                               kChooserVersion,    (scratch / "ready").string()};
        fakePid = spawn(args);
        for (int i = 0; i < 100 && !fs::exists(scratch / "ready"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(fs::exists(scratch / "ready"))
            << "the fake portal did not start (make installs python3-dbus, python3-gi)";
    }
    static void TearDownTestSuite() {
        for (const pid_t pid : {fakePid, busPid}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
        fakePid = busPid = 0;
        if (savedAddress.empty())
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            setenv("DBUS_SESSION_BUS_ADDRESS", savedAddress.c_str(), 1);
        fs::remove_all(scratch);
    }

    void SetUp() override {
        UiTest::SetUp();
        fs::remove(log());
    }

    static pid_t spawn(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        return ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
    }
    // The daemon prints its address, then stays in the foreground as our child.
    static std::string startBus() {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return {};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        const std::string config = "--config-file=" + (scratch / "bus.conf").string();
        std::array<char*, 5> argv = {const_cast<char*>("dbus-daemon"), const_cast<char*>(config.c_str()),
                                     const_cast<char*>("--nofork"), const_cast<char*>("--print-address=1"), nullptr};
        if (::posix_spawnp(&busPid, argv[0], &actions, nullptr, argv.data(), environ) != 0) busPid = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        std::string address;
        char c = 0;
        while (busPid > 0 && ::read(pipeEnds[0], &c, 1) == 1 && c != '\n') address += c;
        ::close(pipeEnds[0]);
        return address;
    }

    static fs::path log() { return scratch / "calls.log"; }
    static fs::path answerFile() { return scratch / "answer"; }
    static void answer(int code, const std::vector<std::string>& uris) {
        std::ofstream out(answerFile());
        out << code << "\n";
        for (const std::string& uri : uris) out << uri << "\n";
    }
    // The calls the fake portal took since the last look.
    static std::vector<std::string> calls() {
        std::vector<std::string> lines;
        std::ifstream in(log());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        fs::remove(log());
        return lines;
    }
    std::string uriOf(const std::string& name) const { return "file://" + base + "/" + name; }
    // The result of a file dialog up to the empty string that ends it.
    std::string result() const {
        std::string text;
        for (std::size_t at = 0; at < file.size() && file[at] != '\0'; at += std::string(&file[at]).size() + 1) {
            text += std::string(&file[at]) + '|';
        }
        return text;
    }
    bool open(const char* title, unsigned flags, bool saving = false) {
        OpenFileName request;
        request.filter = kFilters;
        request.file = file;
        request.initialDir = ".";
        request.title = title;
        request.flags = OFN_EXPLORER | OFN_HIDEREADONLY | flags;
        return saving ? getSaveFileName(request) : getOpenFileName(request);
    }

    static inline fs::path scratch;
    static inline std::string savedAddress;
    static inline pid_t busPid = 0, fakePid = 0;
    testing_support::TestFolder folder;
    const std::string base = currentFolder();
    std::array<char, 512> file{};
};

TEST_F(PortalDialogs, OpenAsksForSeveralFilesWithTheFiltersAndGivesTheFolderThenTheNames) {
    DesktopScript script;
    fs::create_directories(folder.path() / "music");
    answer(0, {uriOf("music/a.mp3"), uriOf("music/b%20c.mp3")});
    ASSERT_TRUE(open("Open...", OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT));
    EXPECT_EQ(result(), base + "/music|a.mp3|b c.mp3|");
    EXPECT_EQ(currentFolder(), base + "/music");  // as a choice in the layer's dialog leaves it
    EXPECT_EQ(calls(), std::vector<std::string>{"OpenFile|" + std::string(kParent) +
                                                "|Open...|multiple=1|directory=0|MP3s (*.mp3):*.[mM][pP]3;All files "
                                                "(*.*):*|current=MP3s (*.mp3)|folder=" +
                                                base});
    // Files from two folders: the folder that holds both, and the rest of each path.
    changeFolder(base);
    answer(0, {uriOf("music/a.mp3"), uriOf("other/x.mp3")});
    ASSERT_TRUE(open("Open...", OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT));
    EXPECT_EQ(result(), base + "|music/a.mp3|other/x.mp3|");
}

TEST_F(PortalDialogs, SaveAndTheFolderBrowserAskTheChooserAndACancelIsACancel) {
    DesktopScript script;
    answer(0, {uriOf("nueva%20lista.lv3")});
    ASSERT_TRUE(open("Save Filelist...", OFN_PATHMUSTEXIST, true));
    EXPECT_EQ(result(), base + "/nueva lista.lv3|");
    answer(0, {uriOf("music")});
    std::array<char, 260> chosen{};
    ASSERT_TRUE(browseForFolder({}, "Choose a folder", chosen));
    EXPECT_EQ(std::string(chosen.data()), base + "/music");
    answer(1, {});
    EXPECT_FALSE(open("Open...", OFN_FILEMUSTEXIST));
    EXPECT_EQ(commDlgExtendedError(), 0u);
    const std::vector<std::string> asked = calls();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_TRUE(asked[0].starts_with("SaveFile|" + std::string(kParent) + "|Save Filelist...|multiple=0|")) << asked[0];
    EXPECT_TRUE(asked[1].starts_with("OpenFile|" + std::string(kParent) + "|Choose a folder|multiple=0|directory=1|"))
        << asked[1];
}

TEST_F(PortalDialogs, WithoutDesktopWindowsOrWithoutABusTheLayersDialogServes) {
    const auto cancelTheLayersDialog = [](Script& script) {
        script.then("the layer's dialog is open", [] {
            EXPECT_TRUE(script::window("Open..."));
            script::key(Key::Escape);
        });
    };
    {
        Script terminal(reportFailure);  // a terminal's windows: the bus is there, but not asked
        cancelTheLayersDialog(terminal);
        EXPECT_FALSE(open("Open...", OFN_FILEMUSTEXIST));
    }
    const std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", scratch.c_str(), 1);  // no bus socket there
    {
        DesktopScript desktop;
        cancelTheLayersDialog(desktop);
        EXPECT_FALSE(open("Open...", OFN_FILEMUSTEXIST));
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    if (savedRuntime.empty())
        unsetenv("XDG_RUNTIME_DIR");
    else
        setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    EXPECT_TRUE(calls().empty());
}

}  // namespace
