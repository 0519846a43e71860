// Kept apart from every Qt header: gio.h uses the word `signals`, which Qt defines as a macro.
//
// GIO is opened the first time a program is looked up, not linked: the library and the ones it brings (mount
// tables, SELinux, block devices) would otherwise be loaded and relocated at every start, before the first
// window, which needs none of them. The headers give the functions' types; the addresses come from dlsym.
#include "launch/GioHandler.h"

#include <dlfcn.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace quorvel::launch {

namespace {

struct Gio
{
    decltype(&::g_file_new_for_path) file_new_for_path = nullptr;
    decltype(&::g_file_query_info) file_query_info = nullptr;
    decltype(&::g_file_info_get_attribute_string) file_info_get_attribute_string = nullptr;
    decltype(&::g_app_info_get_default_for_type) app_info_get_default_for_type = nullptr;
    decltype(&::g_app_info_get_supported_types) app_info_get_supported_types = nullptr;
    decltype(&::g_app_info_get_recommended_for_type) app_info_get_recommended_for_type = nullptr;
    decltype(&::g_app_info_equal) app_info_equal = nullptr;
    decltype(&::g_app_info_get_commandline) app_info_get_commandline = nullptr;
    decltype(&::g_app_info_get_executable) app_info_get_executable = nullptr;
    decltype(&::g_app_info_get_name) app_info_get_name = nullptr;
    decltype(&::g_desktop_app_info_get_type) desktop_app_info_get_type = nullptr;
    decltype(&::g_desktop_app_info_get_string) desktop_app_info_get_string = nullptr;
    decltype(&::g_desktop_app_info_get_filename) desktop_app_info_get_filename = nullptr;
    decltype(&::g_type_check_instance_is_a) type_check_instance_is_a = nullptr;
    decltype(&::g_object_unref) object_unref = nullptr;
    decltype(&::g_list_free_full) list_free_full = nullptr;
    decltype(&::g_find_program_in_path) find_program_in_path = nullptr;
    decltype(&::g_free) free = nullptr;
};

template <typename Function>
bool bind(void* library, Function& slot, const char* name)
{
    slot = reinterpret_cast<Function>(dlsym(library, name));
    return slot != nullptr;
}

// GIO's functions, opened once; nullptr when the library cannot be opened (the look-up then finds nothing).
const Gio* gio()
{
    static const std::unique_ptr<Gio> loaded = []() -> std::unique_ptr<Gio> {
        // Never closed: GIO registers types and keeps threads that outlive any one look-up.
        void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            std::fprintf(stderr, "quorvel: cannot open GIO to find the program for web pages: %s\n", dlerror());
            return nullptr;
        }
        auto table = std::make_unique<Gio>();
        const bool bound =
            bind(library, table->file_new_for_path, "g_file_new_for_path") &&
            bind(library, table->file_query_info, "g_file_query_info") &&
            bind(library, table->file_info_get_attribute_string, "g_file_info_get_attribute_string") &&
            bind(library, table->app_info_get_default_for_type, "g_app_info_get_default_for_type") &&
            bind(library, table->app_info_get_supported_types, "g_app_info_get_supported_types") &&
            bind(library, table->app_info_get_recommended_for_type, "g_app_info_get_recommended_for_type") &&
            bind(library, table->app_info_equal, "g_app_info_equal") &&
            bind(library, table->app_info_get_commandline, "g_app_info_get_commandline") &&
            bind(library, table->app_info_get_executable, "g_app_info_get_executable") &&
            bind(library, table->app_info_get_name, "g_app_info_get_name") &&
            bind(library, table->desktop_app_info_get_type, "g_desktop_app_info_get_type") &&
            bind(library, table->desktop_app_info_get_string, "g_desktop_app_info_get_string") &&
            bind(library, table->desktop_app_info_get_filename, "g_desktop_app_info_get_filename") &&
            bind(library, table->type_check_instance_is_a, "g_type_check_instance_is_a") &&
            bind(library, table->object_unref, "g_object_unref") &&
            bind(library, table->list_free_full, "g_list_free_full") &&
            bind(library, table->find_program_in_path, "g_find_program_in_path") &&
            bind(library, table->free, "g_free");
        if (!bound) {
            std::fprintf(stderr, "quorvel: the GIO library lacks a function it should have: %s\n", dlerror());
            return nullptr;
        }
        return table;
    }();
    return loaded.get();
}

struct ObjectUnref
{
    void operator()(gpointer object) const { gio()->object_unref(object); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct AppInfoListFree
{
    void operator()(GList* list) const { gio()->list_free_full(list, gio()->object_unref); }
};

constexpr const char* HtmlType = "text/html";

bool declaresHtml(GAppInfo* info)
{
    const char* const* types = gio()->app_info_get_supported_types(info);
    if (types == nullptr) {
        return false;
    }
    for (; *types != nullptr; ++types) {
        if (std::strcmp(*types, HtmlType) == 0) {
            return true;
        }
    }
    return false;
}

// A program the user associated with text/html by hand (mimeapps.list "Added Associations") need not list the
// type in its own desktop entry; GIO counts it among the programs recommended for the type. The plain-text
// editor GIO falls back to through the type's parent text/plain is never among them.
bool recommendedForHtml(GAppInfo* info)
{
    const std::unique_ptr<GList, AppInfoListFree> recommended(gio()->app_info_get_recommended_for_type(HtmlType));
    for (GList* item = recommended.get(); item != nullptr; item = item->next) {
        if (gio()->app_info_equal(info, static_cast<GAppInfo*>(item->data))) {
            return true;
        }
    }
    return false;
}

// The program of the desktop entry's Exec line. g_app_info_get_executable merely cuts the line at its first blank
// and keeps the quotes, which breaks a quoted path and cuts one with blanks inside in two; the line is split the
// way form A splits it when it starts the entry.
std::string programOf(GAppInfo* info)
{
    std::string program;
    if (const char* commandLine = gio()->app_info_get_commandline(info)) {
        if (const auto words = splitCommandLine(commandLine)) {
            program = words->front();
        }
    }
    if (program.empty()) {
        if (const char* executable = gio()->app_info_get_executable(info)) {
            program = executable;
        }
    }
    return program;
}

std::string executablePath(GAppInfo* info)
{
    const std::string program = programOf(info);
    if (program.empty()) {
        return {};
    }
    // The desktop entry may name the program bare ("firefox"); the launch needs the full path.
    gchar* full = gio()->find_program_in_path(program.c_str());
    if (full == nullptr) {
        return {};
    }
    std::string path = full;
    gio()->free(full);
    return path;
}

// What the entry says about starting its program; none for a program GIO knows without a desktop entry.
std::optional<DesktopEntry> entryOf(GAppInfo* info)
{
    const char* commandLine = gio()->app_info_get_commandline(info);
    if (commandLine == nullptr ||
        !gio()->type_check_instance_is_a(reinterpret_cast<GTypeInstance*>(info), gio()->desktop_app_info_get_type())) {
        return std::nullopt;
    }
    auto* desktop = reinterpret_cast<GDesktopAppInfo*>(info);
    DesktopEntry entry;
    entry.commandLine = commandLine;
    if (gchar* icon = gio()->desktop_app_info_get_string(desktop, G_KEY_FILE_DESKTOP_KEY_ICON)) {
        entry.icon = icon;
        gio()->free(icon);
    }
    if (const char* name = gio()->app_info_get_name(info)) {
        entry.name = name;
    }
    if (const char* location = gio()->desktop_app_info_get_filename(desktop)) {
        entry.location = location;
    }
    return entry;
}

} // namespace

GioHtmlHandler gioHtmlHandler(const std::string& file)
{
    if (gio() == nullptr) {
        return {};
    }
    // Asked by content type rather than with g_file_query_default_handler: that one first takes whatever
    // program claims the "file" URI scheme (a file manager, say), which is not the program for .htm files.
    const GObjectPtr<GFile> gfile(gio()->file_new_for_path(file.c_str()));
    const GObjectPtr<GFileInfo> fileInfo(gio()->file_query_info(gfile.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                                G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (!fileInfo) {
        return {}; // the file is gone or unreadable
    }
    const char* contentType =
        gio()->file_info_get_attribute_string(fileInfo.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE);
    if (contentType == nullptr) {
        return {};
    }
    const GObjectPtr<GAppInfo> info(gio()->app_info_get_default_for_type(contentType, FALSE));
    if (!info || !(declaresHtml(info.get()) || recommendedForHtml(info.get()))) {
        return {};
    }
    GioHtmlHandler found{executablePath(info.get()), std::nullopt};
    if (!found.program.empty()) {
        found.entry = entryOf(info.get());
    }
    return found;
}

} // namespace quorvel::launch
