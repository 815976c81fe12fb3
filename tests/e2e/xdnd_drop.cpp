// Drops files on a window as a file manager does, through the XDND protocol:
// enter, position, drop, the URI list handed over as the selection, and the
// target's finish awaited. Exits 0 when the target took the drop.
// Usage: xdnd_drop WINDOW-ID X Y PATH...   (X, Y: on the screen)
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr long kXdndVersion = 5;
constexpr int kVersionShift = 24;
constexpr int kCoordinateShift = 16;
constexpr auto kPatience = std::chrono::seconds(10);
constexpr int kFirstPath = 4;

struct Atoms {
    Atom aware, enter, position, status, drop, finished, selection, copy, uriList;
    explicit Atoms(Display* display)
        : aware(XInternAtom(display, "XdndAware", False)),
          enter(XInternAtom(display, "XdndEnter", False)),
          position(XInternAtom(display, "XdndPosition", False)),
          status(XInternAtom(display, "XdndStatus", False)),
          drop(XInternAtom(display, "XdndDrop", False)),
          finished(XInternAtom(display, "XdndFinished", False)),
          selection(XInternAtom(display, "XdndSelection", False)),
          copy(XInternAtom(display, "XdndActionCopy", False)),
          uriList(XInternAtom(display, "text/uri-list", False)) {}
};

void sendToTarget(Display* display, Window target, Atom type, Window source, long l1, long l2, long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(source);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// A path as a file URI, every byte but the unreserved ones escaped.
std::string uriOf(const std::string& path) {
    std::string uri = "file://";
    for (const char byte : path) {
        const auto c = static_cast<unsigned char>(byte);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '-' || c == '_' || c == '.' || c == '~';
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        uri += plain ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    return uri;
}

void answerSelection(Display* display, const XSelectionRequestEvent& request, const std::string& uris, Atom uriList) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    if (request.target == uriList) {
        const Atom property = request.property != None ? request.property : request.target;
        XChangeProperty(display, request.requestor, property, uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
        reply.xselection.property = property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= kFirstPath) {
        std::fputs("usage: xdnd_drop WINDOW-ID X Y PATH...\n", stderr);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 2;
    const Atoms atoms(display);
    const Window target = std::strtoul(argv[1], nullptr, 0);
    const long x = std::strtol(argv[2], nullptr, 10), y = std::strtol(argv[3], nullptr, 10);
    std::string uris;
    for (int i = kFirstPath; i < argc; ++i) uris += uriOf(argv[i]) + "\r\n";

    const Window source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, atoms.selection, source, CurrentTime);
    sendToTarget(display, target, atoms.enter, source, kXdndVersion << kVersionShift, static_cast<long>(atoms.uriList),
                 0, 0);
    sendToTarget(display, target, atoms.position, source, 0, (x << kCoordinateShift) | y, CurrentTime,
                 static_cast<long>(atoms.copy));
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    bool dropped = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!XPending(display)) {
            struct timespec pause {
                0, 10'000'000
            };
            nanosleep(&pause, nullptr);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest) answerSelection(display, event.xselectionrequest, uris, atoms.uriList);
        if (event.type != ClientMessage) continue;
        const Atom type = event.xclient.message_type;
        if (type == atoms.status && !dropped) {
            if (!(event.xclient.data.l[1] & 1)) {
                std::fputs("xdnd_drop: the window refuses the drop\n", stderr);
                return 1;
            }
            sendToTarget(display, target, atoms.drop, source, 0, CurrentTime, 0, 0);
            dropped = true;
        }
        if (type == atoms.finished) {
            XCloseDisplay(display);
            return 0;
        }
    }
    std::fputs("xdnd_drop: the window did not finish the drop\n", stderr);
    return 1;
}
