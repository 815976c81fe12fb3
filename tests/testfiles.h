// Test support: a temporary folder per test that is also the working
// directory (so the temporary LV3 files land in it), and byte builders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/handle.h"
#include "tags/tagresult.h"

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// Concatenates pieces: text, byte lists and other Bytes.
class ByteBuilder {
public:
    ByteBuilder& text(std::string_view s);
    ByteBuilder& bytes(std::initializer_list<int> values);
    ByteBuilder& append(const Bytes& more);
    ByteBuilder& zeros(std::size_t count);
    ByteBuilder& be32(std::uint32_t value);
    // A text field padded with zero bytes to its width.
    ByteBuilder& field(std::string_view s, std::size_t width);
    Bytes build() const { return data_; }
    operator Bytes() const { return data_; }

private:
    Bytes data_;
};

// Audio-like bytes: a frame sync FF FB 90 00, then a repeating pattern without
// 0xFF, so that the only frame sync in the data is at its start.
Bytes audio(std::size_t size);

// A 10-byte frame header and its body.
Bytes frame(std::string_view id, const Bytes& body, std::uint8_t flag1 = 0, std::uint8_t flag2 = 0);

// An ID3v2 header of the given version, flags and declared size (syncsafe).
Bytes v2Header(std::uint8_t version, std::uint8_t flags, std::uint32_t declaredSize);

Bytes concat(std::initializer_list<Bytes> parts);

// The body of a text frame: encoding byte 0 and the text, without terminator.
Bytes textBody(std::string_view text);

// An ID3v2.3 tag of these frames and some padding.
Bytes v23Tag(std::initializer_list<Bytes> frames);

// Exactly one message box was shown: this text, titled "ERROR", owned by owner.
// The operation failed with this result and this message for the user.
void expectFailure(const tags::TagOutcome& outcome, tags::TagResult result, const std::string& message);

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Creates a file in the folder and returns its path as the engine takes it.
    std::string make(const std::string& name, const Bytes& contents) const;
    // Names of the files in the folder that begin with "LV3".
    std::vector<std::string> strayTempFiles() const;

private:
    std::filesystem::path previous_;
    std::optional<std::string> previousState_;
    std::filesystem::path path_;
};

Bytes readAll(const std::string& path);
// A file of tests/fixtures, such as "faults/no-sync-text-file.mp3".
Bytes fixture(const std::string& name);

// Holds an exclusive lock on a file, as another program working on it would.
class ForeignLock {
public:
    explicit ForeignLock(const std::string& path);
    ~ForeignLock();
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace testing_support
