// The program over collections of 1,000 to 150,000 files (the tree of
// bench/make_collection.py), driven by the scripted input with no terminal:
// the real main window, folder browser, list file dialogs, progress window
// and its pump. Each round visits every size, and each figure stands beside
// the plain work that bounds it, measured in the same round:
//
//   "Añadir Carpeta" of the tree       find | sort over the same tree
//   saving the list file                writing its bytes (durably, as the save does)
//   loading it                          reading its bytes
//   an "Aplicar ID3v1.1" walk           a C loop: open, pread and pwrite the trailer, close
//
// and then what must not grow with the list: a selection showing its tag,
// PgDn, End, a redraw, "Borrar Todo", and Cancel at three points of a walk.
// Costs that scale with the list are printed per entry at each size with
// their growth from 10,000 to 150,000 entries, which should stay under 30%.
//
// Usage: lirvane_collection_bench [TREE [ROUNDS [LARGEST]]]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ranges>
#include <string>
#include <vector>

#include "app/program.h"
#include "bench/support.h"
#include "platform/registry.h"
#include "platform/ui/script.h"
#include "platform/ui/term/painter.h"
#include "platform/ui/window.h"
#include "res/resources.h"
#include "walk/progress.h"

namespace {

namespace fs = std::filesystem;
namespace script = platform::script;
using Clock = std::chrono::steady_clock;
using platform::Key;
using platform::WindowHandle;

constexpr char kDefaultTree[] = "/tmp/lirvane-collection";
constexpr int kDefaultRounds = 3;
constexpr char kNested[] = "more";
// The tree's sizes, largest first: each nested folder holds the next.
constexpr int kSizes[] = {150000, 50000, 10000, 1000};
constexpr int kGrowthFrom = 10000;
constexpr double kGrowthLimit = 1.30;
constexpr int kRepeats = 15;  // selections, key presses and redraws per size and round
constexpr double kCancelPoints[] = {0.05, 0.5, 0.95};
constexpr char kMainCaption[] = "Lirvane v3.0";
constexpr char kBrowserCaption[] = "Buscar carpeta";
constexpr char kSaveCaption[] = "Save Filelist...";
constexpr char kLoadCaption[] = "Load Filelist...";
constexpr int kNameEdit = 1103;  // the common dialogs' name field
constexpr char kListFile[] = "collection.lv3";
constexpr std::size_t kRecordSize = 260;
constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kTrailerSize = 128;
constexpr double kMega = 1e6;

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One figure's samples over the rounds.
struct Samples {
    std::vector<double> values;

    double median() const {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double low() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double high() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

// Every figure by its name, then by the list size.
using Figures = std::map<std::string, std::map<int, Samples>>;

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// --- The plain work --------------------------------------------------------------

double findAndSort(const std::string& tree) {
    const std::string command = "LC_ALL=C find '" + tree + "' -name '*.mp3' | LC_ALL=C sort > /dev/null";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) bench_support::fail("find | sort failed");
    return since(start);
}

// The bytes of the list file into a new file, flushed and renamed over the
// old one, with its folder flushed: what a save must do at the least.
double writeBytes(std::size_t bytes) {
    const std::vector<char> block(kBlock, 'x');
    const auto start = Clock::now();
    const int fd = ::open("plain.tmp", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (std::size_t done = 0; done < bytes;) {
        const std::size_t count = std::min(kBlock, bytes - done);
        if (::write(fd, block.data(), count) != static_cast<ssize_t>(count)) bench_support::fail("write failed");
        done += count;
    }
    ::fsync(fd);
    ::close(fd);
    ::rename("plain.tmp", "plain.lv3");
    const int folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(folder);
    ::close(folder);
    return since(start);
}

double readBytes(const char* path) {
    std::vector<char> block(kBlock);
    const auto start = Clock::now();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    while (::read(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    return since(start);
}

// What an ID3v1.1 walk must do per file at the least, over the files in the
// walk's order: from the last entry to the first.
double trailerLoop(const std::vector<std::string>& paths) {
    unsigned char trailer[kTrailerSize];
    const auto start = Clock::now();
    for (const std::string& path : std::views::reverse(paths)) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) bench_support::fail("cannot open " + path);
        const off_t at = st.st_size - static_cast<off_t>(kTrailerSize);
        if (::pread(fd, trailer, sizeof trailer, at) != static_cast<ssize_t>(sizeof trailer) ||
            ::pwrite(fd, trailer, sizeof trailer, at) != static_cast<ssize_t>(sizeof trailer)) {
            bench_support::fail("cannot rewrite the trailer of " + path);
        }
        ::close(fd);
    }
    return since(start);
}

// --- The program -----------------------------------------------------------------

// The steps of one program run, fed to the script one at a time so that a
// step may wait through any number of pumps before the next is due. A timed
// step's clock runs from its input until the program waits again.
class Session {
public:
    Session() : steps_([](const std::string& why) { bench_support::fail(why); }) {}

    void then(std::string name, std::function<void()> action) {
        plan_.push_back({std::move(name),
                         [action] {
                             action();
                             return true;
                         },
                         false});
    }
    void timed(std::string name, Samples& samples, std::function<void()> action) {
        then(std::move(name), [this, &samples, action] {
            started_ = Clock::now();
            action();
            pending_ = &samples;
        });
    }
    // Waits through `pumps` pumps of a walk, then does the action.
    void afterPumps(std::string name, long pumps, std::function<void()> action) {
        auto left = std::make_shared<long>(pumps);
        plan_.push_back({std::move(name),
                         [left, action] {
                             if (--*left > 0) return false;
                             action();
                             return true;
                         },
                         true});
    }
    void startClock(Samples& samples) {
        started_ = Clock::now();
        pending_ = &samples;
    }

    void run() {
        feed();
        app::runProgram(res::lirvaneModule());
    }

private:
    struct Planned {
        std::string name;
        std::function<bool()> action;  // true when the step is done
        bool duringPump;
    };

    void feed() {
        if (plan_.empty()) return;
        Planned next = std::move(plan_.front());
        plan_.pop_front();
        auto action = [this, next] {
            settle();
            if (!next.action()) plan_.push_front(next);
            feed();
        };
        if (next.duringPump)
            steps_.whilePumping(next.name, action);
        else
            steps_.then(next.name, action);
    }
    void settle() {
        if (pending_ != nullptr) pending_->values.push_back(since(started_));
        pending_ = nullptr;
    }

    platform::Script steps_;
    std::deque<Planned> plan_;
    Samples* pending_ = nullptr;
    Clock::time_point started_;
};

WindowHandle mainWindow() { return script::window(kMainCaption); }
WindowHandle fileList() { return platform::getDlgItem(mainWindow(), res::kFileList); }

// The panel of an ID3v1.1 walk over every entry that sets the comment: the
// titles stay those of the tree, which the terminal run reads back.
void prepareV1Walk() {
    const WindowHandle main = mainWindow();
    platform::checkDlgButton(main, res::kScopeSelected, platform::BST_UNCHECKED);
    platform::checkDlgButton(main, res::kScopeAll, platform::BST_CHECKED);
    for (int check = res::kTitleCheck; check <= res::kCommentCheck; ++check) {
        platform::checkDlgButton(main, check, platform::BST_UNCHECKED);
    }
    platform::checkDlgButton(main, res::kCommentCheck, platform::BST_CHECKED);
    platform::setDlgItemText(main, res::kCommentEdit, "walked");
}

double paintMainWindow() {
    platform::term::Canvas canvas(platform::term::kMinColumns, platform::term::kMinRows);
    platform::term::Painter painter(canvas);
    const auto start = Clock::now();
    painter.paint({{mainWindow(), {0, 0, platform::term::kMinColumns, platform::term::kMinRows}}}, {}, "");
    return since(start);
}

void typeIntoDialog(const char* caption, const std::string& text) {
    const WindowHandle dialog = script::window(caption);
    if (!dialog) bench_support::fail(std::string("no dialog ") + caption);
    script::typeInto(dialog, kNameEdit, text);
}

// A file dialog that takes the path typed into it, timed from its Enter.
void chooseListFile(Session& session, int command, const char* caption, Samples& samples) {
    session.then(std::string("choose ") + caption, [command] { script::menu(mainWindow(), command); });
    session.then("type the list file's path",
                 [caption] { typeIntoDialog(caption, (fs::current_path() / kListFile).string()); });
    session.timed(std::string("Enter in ") + caption, samples, [] { script::key(Key::Enter); });
}

// Repeats a timed input, each time after an untimed one that sets it up.
void repeatTimed(Session& session, const std::string& name, Samples& samples, const std::function<void(int)>& setUp,
                 const std::function<void(int)>& input) {
    for (int i = 0; i < kRepeats; ++i) {
        session.then("before " + name, [setUp, i] { setUp(i); });
        session.timed(name, samples, [input, i] { input(i); });
    }
}

// One size in one round: every figure of the program and of the plain work.
void measureSize(const std::string& tree, int size, Figures& figures) {
    app::resetProgramState();
    platform::resetDesktop();
    Session session;
    std::vector<std::string> paths;
    const auto f = [&](const char* name) -> Samples& { return figures[name][size]; };
    session.then("open the folder browser", [] { script::click(mainWindow(), res::kAddFolder); });
    session.then("type the tree's path", [&] {
        typeIntoDialog(kBrowserCaption, tree);
        script::key(Key::Enter);
    });
    session.timed("accept the tree", f("add"), [] { script::key(Key::Enter); });
    session.then("the list holds the tree", [&, size] {
        const int count = platform::listGetCount(fileList());
        if (count != size) bench_support::fail("the list holds " + std::to_string(count) + " entries");
        f("resident MB").values.push_back(static_cast<double>(residentKilobytes()) / 1e3);
        for (int i = 0; i < count; ++i) paths.push_back(platform::listGetText(fileList(), i));
        platform::setFocus(fileList());
    });
    const int spacing = size / kRepeats;
    repeatTimed(
        session, "click a row", f("selection"), [](int) {},
        [spacing](int i) { script::clickRow(mainWindow(), res::kFileList, i * spacing + 1); });
    repeatTimed(
        session, "PgDn", f("PgDn"), [](int) { platform::setFocus(fileList()); },
        [](int) { script::key(Key::PageDown); });
    repeatTimed(
        session, "End", f("End"), [spacing](int i) { platform::listSetCurSel(fileList(), i * spacing); },
        [](int) { script::key(Key::End); });
    session.then("redraw the main window", [&] {
        for (int i = 0; i < kRepeats; ++i) f("redraw").values.push_back(paintMainWindow());
    });
    chooseListFile(session, res::kMenuSaveList, kSaveCaption, f("save"));
    session.timed("Borrar Todo", f("Borrar Todo"), [] { script::click(mainWindow(), res::kRemoveAll); });
    chooseListFile(session, res::kMenuLoadList, kLoadCaption, f("load"));
    session.then("the list file's bytes, written and read", [&, size] {
        if (platform::listGetCount(fileList()) != size) bench_support::fail("the list file did not load");
        f("write its bytes").values.push_back(writeBytes(static_cast<std::size_t>(size) * kRecordSize));
        f("read its bytes").values.push_back(readBytes(kListFile));
        prepareV1Walk();
    });
    session.timed("Aplicar ID3v1.1", f("v1 walk"), [] { script::click(mainWindow(), res::kApplyV1); });
    session.then("the C loop over the same files", [&] {
        f("C loop").values.push_back(trailerLoop(paths));
        f("find | sort").values.push_back(findAndSort(tree));
    });
    for (const double point : kCancelPoints) {
        session.then("start a walk", [] { script::click(mainWindow(), res::kApplyV1); });
        session.afterPumps("press Cancel", static_cast<long>(point * size) + 1, [&] {
            script::click(walking::ProgressWindowHandle, platform::IDCANCEL);
            session.startClock(f("Cancel"));
        });
    }
    session.then("close the program", [] { script::close(mainWindow()); });
    session.run();
}

// --- The report ------------------------------------------------------------------

struct Row {
    const char* name;
    bool perEntry;  // printed per entry, and its growth checked
    double unit;    // what a second is in the printed unit
    const char* unitName;
};

constexpr Row kRows[] = {
    {"add", true, 1e6, "us/entry"},
    {"find | sort", true, 1e6, "us/entry"},
    {"save", true, 1e6, "us/entry"},
    {"write its bytes", true, 1e6, "us/entry"},
    {"load", true, 1e6, "us/entry"},
    {"read its bytes", true, 1e6, "us/entry"},
    {"Borrar Todo", true, 1e6, "us/entry"},
    {"v1 walk", true, 1e6, "us/entry"},
    {"C loop", true, 1e6, "us/entry"},
    {"selection", false, 1e3, "ms"},
    {"PgDn", false, 1e3, "ms"},
    {"End", false, 1e3, "ms"},
    {"redraw", false, 1e3, "ms"},
    {"Cancel", false, 1e3, "ms"},
    {"resident MB", false, 1, "MB"},
};

void printFigures(const Figures& figures, const std::vector<int>& sizes) {
    std::printf("%-16s %-9s", "figure", "unit");
    for (int size : sizes) std::printf(" %24d", size);
    std::printf("   growth %d..%d\n", kGrowthFrom, sizes.back());
    for (const Row& row : kRows) {
        const auto found = figures.find(row.name);
        if (found == figures.end()) continue;
        std::printf("%-16s %-9s", row.name, row.unitName);
        std::map<int, double> medians;
        for (int size : sizes) {
            const Samples& s = found->second.at(size);
            const double scale = row.unit / (row.perEntry ? size : 1);
            medians[size] = s.median() * scale;
            std::printf("   %7.3f [%7.3f-%7.3f]", s.median() * scale, s.low() * scale, s.high() * scale);
        }
        if (row.perEntry && medians.count(kGrowthFrom) != 0 && medians[kGrowthFrom] > 0) {
            const double growth = medians[sizes.back()] / medians[kGrowthFrom];
            std::printf("   %+5.0f%%%s", (growth - 1) * 100, growth > kGrowthLimit ? "  FAULT" : "");
        }
        std::printf("\n");
    }
}

void printRatio(const Figures& figures, const char* name, const char* limit, int size, const char* target) {
    const double ratio = figures.at(name).at(size).median() / figures.at(limit).at(size).median();
    std::printf("%-16s / %-16s at %6d: %.2fx (%s)\n", name, limit, size, ratio, target);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string tree = argc > 1 ? argv[1] : kDefaultTree;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : kDefaultRounds;
    const int largest = argc > 3 ? std::atoi(argv[3]) : kSizes[0];
    std::map<int, std::string> folders;
    std::string folder = tree;
    for (int size : kSizes) {
        if (size <= largest) folders[size] = folder;
        folder += std::string("/") + kNested;
    }
    if (!fs::exists(folders.begin()->second)) bench_support::fail("no tree at " + tree + " (bench/make_collection.py)");
    bench_support::ScratchFolder scratch;
    platform::setRegistryFolder((fs::current_path() / "config").string());
    Figures figures;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& [size, path] : folders) {
            std::fprintf(stderr, "round %d, %d entries\n", round + 1, size);
            measureSize(path, size, figures);
        }
    }
    std::vector<int> sizes;
    for (const auto& [size, path] : folders) sizes.push_back(size);
    std::printf("%d rounds, medians [least-most]\n", rounds);
    printFigures(figures, sizes);
    const int top = sizes.back();
    printRatio(figures, "add", "find | sort", top, "at most 1.5x");
    printRatio(figures, "save", "write its bytes", top, "at most 2x");
    printRatio(figures, "load", "read its bytes", top, "at most 2x");
    printRatio(figures, "C loop", "v1 walk", top, "the walk's share of the loop's throughput, at least 0.8");
    return 0;
}
