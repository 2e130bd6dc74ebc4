// Whether Qt's display plugins will find a display. They end the process when
// they do not, so the program asks first and can say why it cannot start.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/qt_internal.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool Connects(const std::string& path, bool abstract) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // cannot tell: let the window system try
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof address.sun_path) {
    close(fd);
    return true;
  }
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() +
                                             (abstract ? 0 : 1));
  const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(fd);
  return ok;
}

// A local X display (":0", ":1.0", "unix:2") answers on its socket; remote
// ones are left to the window system.
bool XDisplayAnswers(const std::string& display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  std::string number = display.substr(colon + 1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string socketPath = "/tmp/.X11-unix/X" + number;
  return Connects(socketPath, true) || Connects(socketPath, false);
}

std::string XProblem(const std::string& display) {
  if (display.empty()) return "Keine Anzeige: DISPLAY ist nicht gesetzt.";
  if (!XDisplayAnswers(display)) return "Die X-Anzeige " + display + " ist nicht erreichbar.";
  return {};
}

}  // namespace

namespace platqt {

std::string DisplayProblem() {
  std::string plugin = Env("QT_QPA_PLATFORM");
  plugin = plugin.substr(0, plugin.find_first_of(";:"));
  const std::string display = Env("DISPLAY");
  const std::string wayland = Env("WAYLAND_DISPLAY");
  if (plugin.empty()) {
    if (display.empty() && wayland.empty())
      return "Keine Anzeige: weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt.";
    return wayland.empty() ? XProblem(display) : std::string();
  }
  if (plugin == "xcb") return XProblem(display);
  if (plugin.rfind("wayland", 0) == 0 && wayland.empty())
    return "Keine Anzeige: WAYLAND_DISPLAY ist nicht gesetzt.";
  return {};  // offscreen, vnc, ...: no display needed
}

}  // namespace platqt
