#include "services/DocumentInteractionController.hpp"

#include <gio/gio.h>

#include <cstdlib>
#include <mutex>

#include "platform/ui/Application.hpp"

namespace svc {

namespace {

std::mutex& slotMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<DocumentInteractionController>& slot() {
  static std::shared_ptr<DocumentInteractionController> installed;
  return installed;
}

}  // namespace

std::shared_ptr<DocumentInteractionController> DocumentInteractionController::shared() {
  std::lock_guard lock(slotMutex());
  if (!slot()) slot() = std::make_shared<DesktopDocumentInteraction>();
  return slot();
}

void DocumentInteractionController::install(std::shared_ptr<DocumentInteractionController> controller) {
  std::lock_guard lock(slotMutex());
  slot() = std::move(controller);
}

std::string DocumentInteractionController::mediaTypeForIdentifier(const std::string& typeIdentifier) {
  if (typeIdentifier == "com.adobe.pdf") return "application/pdf";
  if (typeIdentifier == "org.idpf.epub-container") return "application/epub+zip";
  return {};
}

bool DesktopDocumentInteraction::hasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

bool DesktopDocumentInteraction::presentOpenInMenu(const std::filesystem::path& file,
                                                   const std::string& typeIdentifier) {
  std::error_code ec;
  if (!hasDisplay() || !std::filesystem::is_regular_file(file, ec)) return false;
  std::string type = mediaTypeForIdentifier(typeIdentifier);
  gchar* guessed = nullptr;
  if (type.empty()) {
    guessed = g_content_type_guess(file.c_str(), nullptr, 0, nullptr);
    if (guessed) type = guessed;
  }
  GAppInfo* app = type.empty() ? nullptr : g_app_info_get_default_for_type(type.c_str(), FALSE);
  g_free(guessed);
  if (!app) return false;
  GFile* gfile = g_file_new_for_path(file.c_str());
  GList* files = g_list_append(nullptr, gfile);
  GError* error = nullptr;
  gboolean launched = g_app_info_launch(app, files, nullptr, &error);
  if (error) g_error_free(error);
  g_list_free(files);
  g_object_unref(gfile);
  g_object_unref(app);
  return launched;
}

bool URLOpener::openOnDesktop(const std::string& url) {
  if (url.empty() || !DesktopDocumentInteraction::hasDisplay()) return false;
  GError* error = nullptr;
  gboolean opened = g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return opened;
}

void URLOpener::install() { ui::Application::sharedInstance().setOpenURLHandler(&URLOpener::openOnDesktop); }

}  // namespace svc
