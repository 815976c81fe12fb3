#include "app/terminalfront.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>

#include "app/program.h"
#include "platform/ui/term/renderer.h"
#include "res/resources.h"

namespace app {
namespace {

constexpr char kUtf8Locale[] = "C.UTF-8";

// The terminal shows UTF-8: without a UTF-8 locale the accents would be lost.
void useUtf8Locale() {
    std::setlocale(LC_ALL, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, kUtf8Locale);
}

}  // namespace

int runInTerminal() {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        std::fputs("Lirvane runs in a terminal or on a graphical display: start it from either.\n", stderr);
        return 1;
    }
    useUtf8Locale();
    return platform::term::runInTerminal([] { return runProgram(res::lirvaneModule()); });
}

}  // namespace app
