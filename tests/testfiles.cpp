#include "tests/testfiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/fs.h"
#include "platform/ui/msgbox.h"
#include "tests/invariants.h"

namespace testing_support {
namespace {

constexpr char kStateVariable[] = "XDG_STATE_HOME";

}  // namespace

ByteBuilder& ByteBuilder::text(std::string_view s) {
    data_.insert(data_.end(), s.begin(), s.end());
    return *this;
}

ByteBuilder& ByteBuilder::bytes(std::initializer_list<int> values) {
    for (int v : values) data_.push_back(static_cast<std::uint8_t>(v));
    return *this;
}

ByteBuilder& ByteBuilder::append(const Bytes& more) {
    data_.insert(data_.end(), more.begin(), more.end());
    return *this;
}

ByteBuilder& ByteBuilder::zeros(std::size_t count) {
    data_.insert(data_.end(), count, 0);
    return *this;
}

ByteBuilder& ByteBuilder::be32(std::uint32_t value) {
    return bytes({static_cast<int>(value >> 24 & 0xFF), static_cast<int>(value >> 16 & 0xFF),
                  static_cast<int>(value >> 8 & 0xFF), static_cast<int>(value & 0xFF)});
}

ByteBuilder& ByteBuilder::field(std::string_view s, std::size_t width) {
    text(s.substr(0, width));
    return zeros(width - std::min(width, s.size()));
}

Bytes audio(std::size_t size) {
    Bytes data(size);
    const std::uint8_t sync[] = {0xFF, 0xFB, 0x90, 0x00};
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = i < sizeof sync ? sync[i] : static_cast<std::uint8_t>((i * 7 + 3) % 251);
    }
    return data;
}

Bytes frame(std::string_view id, const Bytes& body, std::uint8_t flag1, std::uint8_t flag2) {
    return ByteBuilder().text(id).be32(static_cast<std::uint32_t>(body.size())).bytes({flag1, flag2}).append(body);
}

Bytes v2Header(std::uint8_t version, std::uint8_t flags, std::uint32_t declaredSize) {
    return ByteBuilder()
        .text("ID3")
        .bytes({version, 0, flags})
        .bytes({static_cast<int>(declaredSize >> 21 & 0x7F), static_cast<int>(declaredSize >> 14 & 0x7F),
                static_cast<int>(declaredSize >> 7 & 0x7F), static_cast<int>(declaredSize & 0x7F)});
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes textBody(std::string_view text) { return ByteBuilder().bytes({0}).text(text); }

Bytes v23Tag(std::initializer_list<Bytes> frames) {
    constexpr std::size_t kPadding = 16;
    ByteBuilder body;
    for (const Bytes& f : frames) body.append(f);
    body.zeros(kPadding);
    return concat({v2Header(3, 0, static_cast<std::uint32_t>(body.build().size())), body});
}

void expectFailure(const tags::TagOutcome& outcome, tags::TagResult result, const std::string& message) {
    EXPECT_EQ(outcome.result, result);
    EXPECT_EQ(outcome.message, message);
}

TestFolder::TestFolder() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "lirvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::current_path(path_);
    // The overwrite journals go to the folder's own state folder, where a
    // journal that stays is seen with the other files.
    if (const char* state = std::getenv(kStateVariable)) previousState_ = state;
    setenv(kStateVariable, (path_ / "state").c_str(), 1);
    platform::clearShownMessageBoxes();
    platform::clearFaults();
}

TestFolder::~TestFolder() {
    platform::clearFaults();
    std::filesystem::current_path(previous_);
    if (previousState_)
        setenv(kStateVariable, previousState_->c_str(), 1);
    else
        unsetenv(kStateVariable);
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TestFolder::make(const std::string& name, const Bytes& contents) const {
    const std::string full = (path_ / name).string();
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
    return full;
}

std::vector<std::string> TestFolder::strayTempFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("LV3", 0) == 0) names.push_back(name);
    }
    return names;
}

Bytes readAll(const std::string& path) { return invariants::fileBytes(path); }

Bytes fixture(const std::string& name) { return readAll(std::string(LIRVANE_FIXTURES) + "/" + name); }

ForeignLock::ForeignLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0 || flock(fd_, LOCK_EX | LOCK_NB) != 0) throw std::runtime_error("cannot lock " + path);
}

ForeignLock::~ForeignLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace testing_support
