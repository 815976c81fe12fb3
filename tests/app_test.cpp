// Scenarios that drive the real main window through the scripted input.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/program.h"
#include "platform/registry.h"
#include "platform/ui/msgbox.h"
#include "platform/ui/script.h"
#include "platform/ui/window.h"
#include "res/resources.h"
#include "tests/testfiles.h"

using namespace testing_support;
namespace script = platform::script;

namespace {

class AppScenario : public ::testing::Test {
protected:
    AppScenario() {
        platform::resetDesktop();
        app::resetProgramState();
        platform::setRegistryFolder((folder.path() / "config").string());
    }
    ~AppScenario() override {
        platform::setRegistryFolder("");
        platform::resetDesktop();
        app::resetProgramState();
    }

    platform::WindowHandle main() const { return script::window("Lirvane v3.0"); }
    void run() { EXPECT_EQ(app::runProgram(res::lirvaneModule()), 0); }

    TestFolder folder;
    platform::Script steps{[](const std::string& why) { ADD_FAILURE() << why; }};
};

}  // namespace

TEST_F(AppScenario, StartsInTheV1ViewWithEveryBoxCheckedAndEndsWithTheCloseBox) {
    steps.then("look at the start state", [&] {
        const auto w = main();
        ASSERT_TRUE(w);
        EXPECT_TRUE(script::checked(w, res::kViewV1));
        EXPECT_TRUE(script::checked(w, res::kScopeSelected));
        EXPECT_TRUE(script::checked(w, res::kTitleCheck));
        EXPECT_FALSE(script::enabled(w, res::kApplyV2));
        EXPECT_FALSE(script::enabled(w, res::kComposerEdit));
        EXPECT_TRUE(script::focused(w, res::kTitleEdit));
        EXPECT_EQ(script::items(w, res::kGenreCombo).size(), 80u);
        script::close(w);
    });
    run();
}
