#include "app/desktop.h"

#include <gio/gio.h>

namespace tnw::gui::desktop {

namespace {

// Owns one reference of a GObject.
template <typename T>
struct Ref {
  T* p = nullptr;
  explicit Ref(T* object) : p(object) {}
  ~Ref() {
    if (p) g_object_unref(p);
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
};

std::string text(const char* s) { return s ? s : ""; }

// GIO's own answer for the executable splits the Exec line at the first blank even inside
// quotes ("/home/me/My Programs/tarnwell" comes back as "\"/home/me/My"), so the line is
// parsed the way it is run.
std::string executableOf(GAppInfo* info) {
  const char* line = g_app_info_get_commandline(info);
  gchar** argv = nullptr;
  std::string executable;
  if (line && g_shell_parse_argv(line, nullptr, &argv, nullptr) && argv[0]) executable = argv[0];
  g_strfreev(argv);
  // A literal percent sign is written twice in an Exec line.
  for (size_t at = executable.find("%%"); at != std::string::npos; at = executable.find("%%", at + 1))
    executable.erase(at, 1);
  return executable.empty() ? text(g_app_info_get_executable(info)) : executable;
}

// GIO's default for a type falls back to the defaults of its parent types.
GAppInfo* defaultFor(const std::string& mimeType, bool exactType) {
  g_autofree char* contentType = g_content_type_from_mime_type(mimeType.c_str());
  const char* type = contentType ? contentType : mimeType.c_str();
  GAppInfo* info = g_app_info_get_default_for_type(type, FALSE);
  if (!info || !exactType) return info;
  for (const char* const* named = g_app_info_get_supported_types(info); named && *named; ++named)
    if (g_content_type_equals(*named, type)) return info;
  g_object_unref(info);
  return nullptr;
}

}  // namespace

std::optional<Program> defaultProgram(const std::string& mimeType, bool exactType) {
  Ref<GAppInfo> info(defaultFor(mimeType, exactType));
  if (!info.p) return std::nullopt;
  return Program{text(g_app_info_get_id(info.p)), text(g_app_info_get_name(info.p)), executableOf(info.p)};
}

Launch openWithDefault(const std::string& mimeType, const std::string& path, bool exactType) {
  Launch launch;
  Ref<GAppInfo> info(defaultFor(mimeType, exactType));
  if (!info.p) return launch;
  launch.program = text(g_app_info_get_name(info.p));
  Ref<GFile> file(g_file_new_for_path(path.c_str()));
  GList files = {file.p, nullptr, nullptr};
  GError* error = nullptr;
  if (g_app_info_launch(info.p, &files, nullptr, &error)) {
    launch.outcome = Launch::kStarted;
  } else {
    launch.outcome = Launch::kFailed;
    launch.error = error ? error->message : "the program could not be started";
    g_clear_error(&error);
  }
  return launch;
}

std::string documentsFolder() {
  const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
  // xdg-user-dirs names the home folder itself where the user has no folder for documents.
  if (documents && g_file_test(documents, G_FILE_TEST_IS_DIR)) return documents;
  return text(g_get_home_dir());
}

bool runProgram(const std::vector<std::string>& argv, std::string* err) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  GError* error = nullptr;
  gint status = 0;
  g_autofree char* errors = nullptr;
  bool ran = g_spawn_sync(nullptr, args.data(), nullptr,
                          static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL), nullptr,
                          nullptr, nullptr, &errors, &status, &error);
  if (!ran) {
    *err = error ? error->message : "cannot run " + argv.front();
    g_clear_error(&error);
    return false;
  }
  if (!g_spawn_check_wait_status(status, &error)) {
    std::string said = errors ? errors : "";
    while (!said.empty() && (said.back() == '\n' || said.back() == ' ')) said.pop_back();
    *err = argv.front() + ": " + (said.empty() ? std::string(error ? error->message : "failed") : said);
    g_clear_error(&error);
    return false;
  }
  return true;
}

}  // namespace tnw::gui::desktop
