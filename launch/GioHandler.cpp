// Kept apart from every Qt header: gio.h uses the word `signals`, which Qt defines as a macro.
#include "launch/GioHandler.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <cstring>
#include <memory>

namespace quorvel::launch {

namespace {

struct ObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct AppInfoListFree
{
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

constexpr const char* HtmlType = "text/html";

bool declaresHtml(GAppInfo* info)
{
    const char* const* types = g_app_info_get_supported_types(info);
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
    const std::unique_ptr<GList, AppInfoListFree> recommended(g_app_info_get_recommended_for_type(HtmlType));
    for (GList* item = recommended.get(); item != nullptr; item = item->next) {
        if (g_app_info_equal(info, static_cast<GAppInfo*>(item->data))) {
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
    if (const char* commandLine = g_app_info_get_commandline(info)) {
        if (const auto words = splitCommandLine(commandLine)) {
            program = words->front();
        }
    }
    if (program.empty()) {
        if (const char* executable = g_app_info_get_executable(info)) {
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
    gchar* full = g_find_program_in_path(program.c_str());
    if (full == nullptr) {
        return {};
    }
    std::string path = full;
    g_free(full);
    return path;
}

} // namespace

// What the entry says about starting its program; none for a program GIO knows without a desktop entry.
std::optional<DesktopEntry> entryOf(GAppInfo* info)
{
    const char* commandLine = g_app_info_get_commandline(info);
    if (commandLine == nullptr || !G_IS_DESKTOP_APP_INFO(info)) {
        return std::nullopt;
    }
    auto* desktop = G_DESKTOP_APP_INFO(info);
    DesktopEntry entry;
    entry.commandLine = commandLine;
    if (gchar* icon = g_desktop_app_info_get_string(desktop, G_KEY_FILE_DESKTOP_KEY_ICON)) {
        entry.icon = icon;
        g_free(icon);
    }
    if (const char* name = g_app_info_get_name(info)) {
        entry.name = name;
    }
    if (const char* location = g_desktop_app_info_get_filename(desktop)) {
        entry.location = location;
    }
    return entry;
}

GioHtmlHandler gioHtmlHandler(const std::string& file)
{
    // Asked by content type rather than with g_file_query_default_handler: that one first takes whatever
    // program claims the "file" URI scheme (a file manager, say), which is not the program for .htm files.
    const GObjectPtr<GFile> gfile(g_file_new_for_path(file.c_str()));
    const GObjectPtr<GFileInfo> fileInfo(g_file_query_info(gfile.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                           G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (!fileInfo) {
        return {}; // the file is gone or unreadable
    }
    const char* contentType = g_file_info_get_attribute_string(fileInfo.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE);
    if (contentType == nullptr) {
        return {};
    }
    const GObjectPtr<GAppInfo> info(g_app_info_get_default_for_type(contentType, FALSE));
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
