// Writes a folder of small MP3 files with known ID3v1.1 and ID3v2.3 tags, for
// the end-to-end test of the terminal front end; with a count, that many more
// files with an ID3v1.1 trailer only, for walks long enough to be cancelled.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace {

constexpr std::size_t kAudioBytes = 4096;

struct Fixture {
    const char* name;
    const char* v1Title;  // Windows-1252
    const char* v1Artist;
    unsigned char genre;
    const char* v2Title;
};

const Fixture kFixtures[] = {
    {"uno.mp3", "Canci\xF3n Uno", "Artista Uno", 17, "T\xEDtulo Dos"},
    {"zeta.mp3", "Segunda", "Otro", tags::NoGenre, "Segundo T\xEDtulo"},
};

bool writeAudio(const std::string& path) {
    std::vector<char> audio(kAudioBytes, 0x11);
    audio[0] = static_cast<char>(0xFF);
    audio[1] = static_cast<char>(0xFB);
    std::ofstream out(path, std::ios::binary);
    out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
    return static_cast<bool>(out);
}

bool writeTags(const std::string& path, const Fixture& fixture) {
    tags::V1Tag v1;
    std::strncpy(v1.title, fixture.v1Title, sizeof v1.title - 1);
    std::strncpy(v1.artist, fixture.v1Artist, sizeof v1.artist - 1);
    v1.genre = fixture.genre;
    constexpr char kYear[] = "1965";  // four digits that fill the year field
    std::memcpy(v1.year, kYear, sizeof kYear);
    if (v1.write(path.c_str(), tags::kAllFields) != tags::TagSuccess) return false;
    tags::V2Tag v2;
    const std::size_t length = std::strlen(fixture.v2Title) + 2;  // encoding byte, text, terminator
    if (v2.allocFields(tags::kFieldTitle, static_cast<std::uint32_t>(length)) != tags::TagSuccess) return false;
    std::memcpy(v2.slots[0].buffer.get() + 1, fixture.v2Title, length - 2);
    return v2.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding) == tags::TagSuccess;
}

bool writeTrailerOnly(const std::string& path) {
    tags::V1Tag v1;
    std::strncpy(v1.title, path.c_str() + path.rfind('/') + 1, sizeof v1.title - 1);
    return writeAudio(path) && v1.write(path.c_str(), tags::kAllFields) == tags::TagSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fputs("usage: make_fixtures FOLDER [COUNT]\n", stderr);
        return 2;
    }
    for (const Fixture& fixture : kFixtures) {
        const std::string path = std::string(argv[1]) + "/" + fixture.name;
        if (!writeAudio(path) || !writeTags(path, fixture)) return 1;
    }
    const int count = argc == 3 ? std::atoi(argv[2]) : 0;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%05d.mp3", i);
        if (!writeTrailerOnly(argv[1] + std::string(name))) return 1;
    }
    return 0;
}
