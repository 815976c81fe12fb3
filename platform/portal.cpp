#include "platform/portal.h"

#include <dbus/dbus.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace platform::portal {
namespace {

constexpr char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kChooserInterface[] = "org.freedesktop.portal.FileChooser";
constexpr char kRequestInterface[] = "org.freedesktop.portal.Request";
constexpr char kRequestPathPrefix[] = "/org/freedesktop/portal/desktop/request/";
constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr char kSystemdBus[] = "/bus";  // in XDG_RUNTIME_DIR
constexpr char kFileScheme[] = "file://";
constexpr char kEveryName[] = "*.*";
constexpr dbus_uint32_t kGlobFilter = 0;
constexpr dbus_uint32_t kResponseChosen = 0;
constexpr dbus_uint32_t kResponseCancelled = 1;
constexpr dbus_uint32_t kFolderModeVersion = 3;  // "directory" came with it
constexpr int kCallTimeoutMs = 10000;            // the portal may have to be started
constexpr int kWaitSliceMs = 30;
constexpr int kHexBase = 16;

struct ConnectionClose {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionClose>;
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// The session bus named by the environment, never one started for the
// asking: the address, or the systemd user bus where it exists.
std::string sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0') {
        return address;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return {};
    const std::string socket = std::string(runtime) + kSystemdBus;
    return ::access(socket.c_str(), R_OK | W_OK) == 0 ? "unix:path=" + socket : std::string();
}

Connection connectToSession() {
    const std::string address = sessionBusAddress();
    if (address.empty()) return {};
    DBusError error;
    dbus_error_init(&error);
    Connection connection(dbus_connection_open_private(address.c_str(), &error));
    if (connection) {
        dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
        if (!dbus_bus_register(connection.get(), &error)) connection.reset();
    }
    dbus_error_free(&error);
    return connection;
}

Message call(DBusConnection* connection, DBusMessage* message) {
    DBusError error;
    dbus_error_init(&error);
    Message reply(dbus_connection_send_with_reply_and_block(connection, message, kCallTimeoutMs, &error));
    dbus_error_free(&error);
    return reply;
}

// The version of the chooser interface; 0 when there is no chooser.
dbus_uint32_t chooserVersion(DBusConnection* connection) {
    const Message get(dbus_message_new_method_call(kPortalName, kPortalPath, kPropertiesInterface, "Get"));
    const char* interface = kChooserInterface;
    const char* property = "version";
    if (!get || !dbus_message_append_args(get.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                                          DBUS_TYPE_INVALID)) {
        return 0;
    }
    const Message reply = call(connection, get.get());
    DBusMessageIter top, variant;
    if (!reply || !dbus_message_iter_init(reply.get(), &top) ||
        dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_VARIANT) {
        return 0;
    }
    dbus_message_iter_recurse(&top, &variant);
    if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_UINT32) return 0;
    dbus_uint32_t version = 0;
    dbus_message_iter_get_basic(&variant, &version);
    return version;
}

void appendString(DBusMessageIter* to, const std::string& text) {
    const char* value = text.c_str();
    dbus_message_iter_append_basic(to, DBUS_TYPE_STRING, &value);
}

// One entry of an options dictionary: its key, and a value `fill` appends.
template <typename Fill>
void appendOption(DBusMessageIter* options, const char* key, const char* signature, Fill fill) {
    DBusMessageIter entry, value;
    dbus_message_iter_open_container(options, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, signature, &value);
    fill(&value);
    dbus_message_iter_close_container(&entry, &value);
    dbus_message_iter_close_container(options, &entry);
}

void appendFlag(DBusMessageIter* options, const char* key, bool on) {
    appendOption(options, key, "b", [on](DBusMessageIter* value) {
        const dbus_bool_t flag = on ? TRUE : FALSE;
        dbus_message_iter_append_basic(value, DBUS_TYPE_BOOLEAN, &flag);
    });
}

// A filter as (sa(us)): its name and its globs.
void appendFilter(DBusMessageIter* to, const Filter& filter) {
    DBusMessageIter pair, globs, glob;
    dbus_message_iter_open_container(to, DBUS_TYPE_STRUCT, nullptr, &pair);
    appendString(&pair, filter.name);
    dbus_message_iter_open_container(&pair, DBUS_TYPE_ARRAY, "(us)", &globs);
    for (const std::string& pattern : filter.patterns) {
        dbus_message_iter_open_container(&globs, DBUS_TYPE_STRUCT, nullptr, &glob);
        dbus_message_iter_append_basic(&glob, DBUS_TYPE_UINT32, &kGlobFilter);
        appendString(&glob, caseBlindGlob(pattern));
        dbus_message_iter_close_container(&globs, &glob);
    }
    dbus_message_iter_close_container(&pair, &globs);
    dbus_message_iter_close_container(to, &pair);
}

// Paths go as bytes, with their terminator.
void appendPath(DBusMessageIter* options, const char* key, const std::string& path) {
    appendOption(options, key, "ay", [&](DBusMessageIter* value) {
        DBusMessageIter bytes;
        const char* data = path.c_str();
        dbus_message_iter_open_container(value, DBUS_TYPE_ARRAY, "y", &bytes);
        dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, static_cast<int>(path.size() + 1));
        dbus_message_iter_close_container(value, &bytes);
    });
}

void appendOptions(DBusMessageIter* args, const FileQuestion& question, const std::string& token) {
    DBusMessageIter options;
    dbus_message_iter_open_container(args, DBUS_TYPE_ARRAY, "{sv}", &options);
    appendOption(&options, "handle_token", "s", [&](DBusMessageIter* value) { appendString(value, token); });
    appendFlag(&options, "modal", true);
    if (question.kind == FileQuestion::Kind::Open) appendFlag(&options, "multiple", question.multiple);
    if (question.kind == FileQuestion::Kind::Folder) appendFlag(&options, "directory", true);
    if (!question.filters.empty()) {
        appendOption(&options, "filters", "a(sa(us))", [&](DBusMessageIter* value) {
            DBusMessageIter list;
            dbus_message_iter_open_container(value, DBUS_TYPE_ARRAY, "(sa(us))", &list);
            for (const Filter& filter : question.filters) appendFilter(&list, filter);
            dbus_message_iter_close_container(value, &list);
        });
        const std::size_t chosen = question.currentFilter < question.filters.size() ? question.currentFilter : 0;
        appendOption(&options, "current_filter", "(sa(us))",
                     [&](DBusMessageIter* value) { appendFilter(value, question.filters[chosen]); });
    }
    if (!question.folder.empty()) appendPath(&options, "current_folder", question.folder);
    dbus_message_iter_close_container(args, &options);
}

// Where the answer will come: the portal names the request after the
// caller's unique name and the token.
std::string requestPath(DBusConnection* connection, const std::string& token) {
    std::string sender = dbus_bus_get_unique_name(connection);
    if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
    for (char& c : sender) {
        if (c == '.') c = '_';
    }
    return kRequestPathPrefix + sender + "/" + token;
}

void listenTo(DBusConnection* connection, const std::string& path) {
    const std::string rule =
        std::string("type='signal',interface='") + kRequestInterface + "',member='Response',path='" + path + "'";
    dbus_bus_add_match(connection, rule.c_str(), nullptr);
}

// The object path of the request the portal made for a call; empty on failure.
std::string startRequest(DBusConnection* connection, const FileQuestion& question, const std::string& token) {
    const char* method = question.kind == FileQuestion::Kind::Save ? "SaveFile" : "OpenFile";
    const Message ask(dbus_message_new_method_call(kPortalName, kPortalPath, kChooserInterface, method));
    if (!ask) return {};
    DBusMessageIter args;
    dbus_message_iter_init_append(ask.get(), &args);
    appendString(&args, question.parentWindow);
    appendString(&args, question.title);
    appendOptions(&args, question, token);
    const Message reply = call(connection, ask.get());
    const char* handle = nullptr;
    if (!reply || !dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_OBJECT_PATH, &handle, DBUS_TYPE_INVALID)) {
        return {};
    }
    return handle;
}

std::vector<std::string> urisOf(DBusMessageIter* results) {
    std::vector<std::string> uris;
    DBusMessageIter entry, value, list;
    for (; dbus_message_iter_get_arg_type(results) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(results)) {
        dbus_message_iter_recurse(results, &entry);
        const char* key = nullptr;
        dbus_message_iter_get_basic(&entry, &key);
        if (std::string_view(key) != "uris" || !dbus_message_iter_next(&entry)) continue;
        dbus_message_iter_recurse(&entry, &value);
        if (dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_ARRAY) continue;
        dbus_message_iter_recurse(&value, &list);
        for (; dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRING; dbus_message_iter_next(&list)) {
            const char* uri = nullptr;
            dbus_message_iter_get_basic(&list, &uri);
            uris.emplace_back(uri);
        }
    }
    return uris;
}

FileAnswer answerOf(DBusMessage* response) {
    DBusMessageIter args, results;
    dbus_uint32_t code = kResponseCancelled;
    if (!dbus_message_iter_init(response, &args) || dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_UINT32) {
        return {};
    }
    dbus_message_iter_get_basic(&args, &code);
    if (code == kResponseCancelled) return {Outcome::Cancelled, {}};
    if (code != kResponseChosen || !dbus_message_iter_next(&args) ||
        dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_ARRAY) {
        return {};
    }
    dbus_message_iter_recurse(&args, &results);
    FileAnswer answer{Outcome::Chosen, {}};
    for (const std::string& uri : urisOf(&results)) {
        if (std::string path = pathOfUri(uri); !path.empty()) answer.paths.push_back(std::move(path));
    }
    // A choice of nothing this program can open is no choice.
    if (answer.paths.empty()) answer.outcome = Outcome::Cancelled;
    return answer;
}

void closeRequest(DBusConnection* connection, const std::string& handle) {
    const Message close(dbus_message_new_method_call(kPortalName, handle.c_str(), kRequestInterface, "Close"));
    if (close) call(connection, close.get());
}

FileAnswer awaitResponse(DBusConnection* connection, const std::string& handle,
                         const std::function<bool()>& whileWaiting) {
    for (;;) {
        if (!whileWaiting()) {
            closeRequest(connection, handle);
            return {Outcome::Cancelled, {}};
        }
        if (!dbus_connection_read_write(connection, kWaitSliceMs)) return {};  // the bus went away
        while (const Message message{dbus_connection_pop_message(connection)}) {
            if (dbus_message_is_signal(message.get(), kRequestInterface, "Response") &&
                handle == dbus_message_get_path(message.get())) {
                return answerOf(message.get());
            }
        }
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

FileAnswer ask(const FileQuestion& question, const std::function<bool()>& whileWaiting) {
    const Connection connection = connectToSession();
    if (!connection) return {};
    const dbus_uint32_t version = chooserVersion(connection.get());
    if (version == 0 || (question.kind == FileQuestion::Kind::Folder && version < kFolderModeVersion)) return {};
    // A token of its own for every request: the portal keeps finished ones a while.
    const std::string token = "lirvane" + std::to_string(::getpid()) + "_" +
                              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string expected = requestPath(connection.get(), token);
    listenTo(connection.get(), expected);
    const std::string handle = startRequest(connection.get(), question, token);
    if (handle.empty()) return {};
    if (handle != expected) listenTo(connection.get(), handle);  // a portal older than handle tokens
    return awaitResponse(connection.get(), handle, whileWaiting);
}

std::string pathOfUri(std::string_view uri) {
    if (!uri.starts_with(kFileScheme)) return {};
    uri.remove_prefix(sizeof kFileScheme - 1);
    if (!uri.starts_with('/')) return {};  // a file on another host
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const int high = uri[i] == '%' && i + 2 < uri.size() ? hexDigit(uri[i + 1]) : -1;
        const int low = high >= 0 ? hexDigit(uri[i + 2]) : -1;
        if (low < 0) {
            path += uri[i];
            continue;
        }
        path += static_cast<char>(high * kHexBase + low);
        i += 2;
    }
    return path;
}

std::string caseBlindGlob(std::string_view pattern) {
    if (pattern == kEveryName) return "*";
    std::string glob;
    for (const char c : pattern) {
        const bool lower = c >= 'a' && c <= 'z', upper = c >= 'A' && c <= 'Z';
        if (!lower && !upper) {
            glob += c;
            continue;
        }
        const char other = static_cast<char>(lower ? c - 'a' + 'A' : c - 'A' + 'a');
        glob += {'[', lower ? c : other, lower ? other : c, ']'};
    }
    return glob;
}

}  // namespace platform::portal
