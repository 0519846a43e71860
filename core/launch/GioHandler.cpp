// Kept apart from every Qt header: gio.h uses the word `signals`, which Qt defines as a macro.
#include "core/launch/GioHandler.h"

#include <gio/gio.h>

#include <cstring>

namespace quorvel::launch {

namespace {

bool declaresHtml(GAppInfo* info)
{
    const char* const* types = g_app_info_get_supported_types(info);
    if (types == nullptr) {
        return false;
    }
    for (; *types != nullptr; ++types) {
        if (std::strcmp(*types, "text/html") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string gioHtmlHandler(const std::string& file)
{
    GFile* gfile = g_file_new_for_path(file.c_str());
    GError* error = nullptr;
    GAppInfo* info = g_file_query_default_handler(gfile, nullptr, &error);
    g_object_unref(gfile);
    if (error != nullptr) {
        g_error_free(error);
    }
    if (info == nullptr) {
        return {};
    }
    std::string path;
    if (declaresHtml(info)) {
        const char* executable = g_app_info_get_executable(info);
        if (executable != nullptr && *executable != '\0') {
            gchar* full = g_find_program_in_path(executable);
            if (full != nullptr) {
                path = full;
                g_free(full);
            }
        }
    }
    g_object_unref(info);
    return path;
}

} // namespace quorvel::launch
