#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tags/tagfile.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"
#include "tests/testfiles.h"

namespace {

using namespace testing_support;

// What a walk step did: each operation's result and message, and the file after it.
struct StepRecord {
    std::vector<std::pair<tags::TagResult, std::string>> outcomes;
    Bytes after;

    void note(const tags::TagOutcome& outcome) { outcomes.emplace_back(outcome.result, outcome.message); }
    bool operator==(const StepRecord&) const = default;
    friend void PrintTo(const StepRecord& record, std::ostream* out) {
        for (const auto& [result, message] : record.outcomes) *out << result << " '" << message << "' ";
        *out << record.after.size() << " bytes";
    }
};

void retitle(tags::V2Tag& tag) {
    tag.freeFields(tags::kFieldTitle);
    ASSERT_EQ(tag.allocFields(tags::kFieldTitle, 5), tags::TagSuccess);
    std::memcpy(tag.slots[0].buffer.get() + 1, "New", 3);
}

// A step as the walks do it, given how each operation reaches the file.
struct Access {
    std::function<tags::TagOutcome(tags::V2Tag&)> readV2;
    std::function<tags::TagOutcome(tags::V2Tag&)> writeV2;
    std::function<tags::TagOutcome(tags::V1Tag&)> writeV1;
    std::function<tags::TagOutcome(tags::V2Tag&)> removeV2;
};

using Step = std::function<void(const Access&, StepRecord&)>;

const Step kTitleWrite = [](const Access& access, StepRecord& record) {
    tags::V2Tag tag;
    record.note(access.readV2(tag));
    retitle(tag);
    record.note(access.writeV2(tag));
};
const Step kCopyV2ToV1 = [](const Access& access, StepRecord& record) {
    tags::V2Tag tag;
    record.note(access.readV2(tag));
    tags::V1Tag v1;
    std::strcpy(v1.title, "Copied");
    record.note(access.writeV1(v1));
};
const Step kFullRemoval = [](const Access& access, StepRecord& record) {
    tags::V2Tag tag;
    record.note(access.removeV2(tag));
};

// The walk's one open gives the same bytes, results and messages as an open per operation.
TEST(TagFileHandle, AStepThroughOneOpenDoesWhatSeparateOpensDo) {
    TestFolder folder;
    const Bytes small = concat({v23Tag({frame("TIT2", textBody("Old")), frame("TPE1", textBody("A"))}), audio(3000)});
    const Bytes tight = concat({v2Header(3, 0, 13), frame("TIT2", textBody("Ol")), audio(3000)});
    struct Case {
        const char* name;
        Bytes contents;
        mode_t mode;
    };
    const Case cases[] = {
        {"in place", small, 0644},  {"rewritten", tight, 0644}, {"no tag", audio(3000), 0644},
        {"read-only", small, 0444}, {"missing", {}, 0},
    };
    for (const Case& c : cases) {
        for (const Step& step : {kTitleWrite, kCopyV2ToV1, kFullRemoval}) {
            SCOPED_TRACE(c.name);
            const auto run = [&](bool oneOpen) {
                const std::string path = folder.make("f.mp3", c.contents);
                if (c.mode == 0)
                    std::remove(path.c_str());
                else
                    chmod(path.c_str(), c.mode);
                tags::TagFile file;
                if (oneOpen) file.open(path, true);
                const char* name = path.c_str();
                const Access access =
                    oneOpen ? Access{[&](auto& t) { return t.read(file); },
                                     [&](auto& t) { return t.write(file, tags::kAllFields, tags::kDefaultPadding); },
                                     [&](auto& t) { return t.write(file, tags::kAllFields); },
                                     [&](auto& t) { return t.remove(file, 0); }}
                            : Access{[&](auto& t) { return t.read(name); },
                                     [&](auto& t) { return t.write(name, tags::kAllFields, tags::kDefaultPadding); },
                                     [&](auto& t) { return t.write(name, tags::kAllFields); },
                                     [&](auto& t) { return t.remove(name, 0); }};
                StepRecord record;
                step(access, record);
                if (c.mode != 0) {
                    record.after = readAll(path);
                    chmod(path.c_str(), 0644);
                }
                return record;
            };
            EXPECT_EQ(run(true), run(false));
        }
    }
}

// After a rewrite put another file under the name, the handle reads that one.
TEST(TagFileHandle, AReadAfterARewriteSeesTheNewFile) {
    TestFolder folder;
    const std::string path =
        folder.make("f.mp3", concat({v2Header(3, 0, 13), frame("TIT2", textBody("Ol")), audio(3000)}));
    tags::TagFile file;
    file.open(path, true);
    tags::V2Tag tag;
    ASSERT_EQ(tag.read(file), tags::TagSuccess);
    retitle(tag);
    ASSERT_EQ(tag.write(file, tags::kAllFields, tags::kDefaultPadding), tags::TagSuccess);
    tags::V2Tag again;
    ASSERT_EQ(again.read(file), tags::TagSuccess);
    EXPECT_EQ(again.audioStart, tag.declaredSize + 10u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(again.slots[0].buffer.get()) + 1), "New");
}

}  // namespace
