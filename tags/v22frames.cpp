#include "tags/v22frames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace tags::v2 {
namespace {

using Mapping = std::pair<std::string_view, std::string_view>;

// Linked information (LNK) names a frame by its ID inside its body, and an
// encrypted meta frame (CRM) has no counterpart: neither converts.
constexpr std::array<Mapping, 62> kV22ToV23 = {{
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"}, {"ETC", "ETCO"},
    {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"},
    {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
    {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
    {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"},
}};

// The image formats whose MIME type is not "image/" and the format in lower case.
constexpr std::array<Mapping, 2> kImageTypes = {{{"JPG", "image/jpeg"}, {"-->", "-->"}}};
constexpr std::string_view kImagePrefix = "image/";
constexpr std::size_t kImageFormatAt = 1;  // after the encoding byte
constexpr std::size_t kImageFormatSize = 3;

}  // namespace

std::optional<std::string_view> v23IdOf(std::span<const std::uint8_t> v22Id) {
    const std::string_view id(reinterpret_cast<const char*>(v22Id.data()), std::min(v22Id.size(), kImageFormatSize));
    const auto found = std::ranges::find(kV22ToV23, id, &Mapping::first);
    return found == kV22ToV23.end() ? std::nullopt : std::optional(found->second);
}

std::vector<std::uint8_t> v23BodyOf(std::string_view v23Id, std::span<const std::uint8_t> body) {
    if (v23Id != "APIC" || body.size() < kImageFormatAt + kImageFormatSize) return {body.begin(), body.end()};
    const std::string_view format(reinterpret_cast<const char*>(body.data()) + kImageFormatAt, kImageFormatSize);
    std::string mime;
    if (const auto known = std::ranges::find(kImageTypes, format, &Mapping::first); known != kImageTypes.end()) {
        mime = known->second;
    } else {
        mime = kImagePrefix;
        for (const char c : format) mime += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::vector<std::uint8_t> converted{body[0]};
    converted.insert(converted.end(), mime.begin(), mime.end());
    converted.push_back(0);  // a MIME type ends with its terminator
    converted.insert(converted.end(), body.begin() + kImageFormatAt + kImageFormatSize, body.end());
    return converted;
}

}  // namespace tags::v2
