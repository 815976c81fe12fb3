// What the benchmarks share: the process's I/O counters, scratch files of
// generated MPEG audio, and ordinary tags to put on them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace bench_support {

using Bytes = std::vector<std::uint8_t>;

struct IoCounters {
    std::uint64_t rchar = 0;
    std::uint64_t wchar = 0;
    std::uint64_t ownRead = 0;  // what reading the counters added to rchar
};

// The bytes this process has read and written so far (/proc/self/io).
IoCounters readIoCounters();

[[noreturn]] void fail(const std::string& what);
void writeAt(const std::string& path, std::uint64_t offset, const Bytes& bytes);
void appendTo(const std::string& path, const Bytes& bytes);
Bytes readAt(const std::string& path, std::uint64_t offset, std::size_t count);
void syncPath(const std::string& path);
// Flushed, so that no later timed flush pays for these bytes.
void copyTo(const std::string& from, const std::string& to);
// The least a rewrite can cost: the file copied through a 64 KB buffer into a
// new file that is flushed to disk and renamed over it.
tags::TagResult plainRewrite(const std::string& path);
// MPEG-1 Layer III frames at 128 kbit/s and 44.1 kHz, 417 bytes each, with
// silent (zero) bodies, up to the given size.
void writeAudio(const std::string& path, std::int64_t size);

void setText(tags::V2Tag& tag, tags::FieldMask bit, std::string_view text, std::size_t skip = 1);
// An ordinary tag: the seven fields shared with ID3v1.1, the other five empty.
void fillV2(tags::V2Tag& tag, std::string_view title);
void fillV1(tags::V1Tag& tag, const char* title);

// A scratch folder under /tmp, the working directory while it lives.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// Runs the benchmarks the arguments select inside a ScratchFolder, after
// `prepare`; reports a failure with the program's name and returns 1.
int runInScratchFolder(int argc, char** argv, const char* program, const std::function<void()>& prepare = {});

}  // namespace bench_support
