// The desktop's own file chooser, where the session bus offers one: the file
// chooser portal, asked over D-Bus. It knows nothing of the window layer: the
// caller says what to ask, and keeps its windows alive while the chooser is open.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::portal {

struct Filter {
    std::string name;
    std::vector<std::string> patterns;  // globs, such as "*.mp3"
};

struct FileQuestion {
    enum class Kind { Open, Save, Folder } kind = Kind::Open;
    std::string title;
    std::string parentWindow;  // the window system's name of the owner ("x11:3a00004"), or empty
    std::vector<Filter> filters;
    std::size_t currentFilter = 0;
    bool multiple = false;
    std::string folder;  // where the chooser starts
};

enum class Outcome { Chosen, Cancelled, Unavailable };

struct FileAnswer {
    Outcome outcome = Outcome::Unavailable;
    std::vector<std::string> paths;  // the file system's bytes
};

// Asks the chooser and waits for its answer, running whileWaiting every few
// hundredths of a second; when that returns false the chooser is closed and
// the answer is a cancel. Unavailable when there is no session bus, no
// chooser on it, or the chooser cannot do what is asked (the caller then
// shows a dialog of its own).
FileAnswer ask(const FileQuestion& question, const std::function<bool()>& whileWaiting);

// The path of a file: URI, its escapes decoded; empty for any other URI.
std::string pathOfUri(std::string_view uri);

// The globs of a case-blind pattern as a chooser that matches case takes
// them: "*.mp3" becomes "*.[mM][pP]3"; "*.*" is every name.
std::string caseBlindGlob(std::string_view pattern);

}  // namespace platform::portal
