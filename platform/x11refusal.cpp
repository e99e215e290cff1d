#include "platform/x11refusal.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

// The display number of a name that means this machine's Unix socket
// (":N", "unix:N", "unix/:N", each maybe with ".screen"); "" for any other.
std::string localDisplayNumber(std::string name) {
  if (name.rfind("unix/", 0) == 0) name.erase(0, 5);
  const size_t colon = name.find(':');
  if (colon == std::string::npos) return "";
  const std::string host = name.substr(0, colon);
  if (!host.empty() && host != "unix") return "";
  const std::string rest = name.substr(colon + 1);
  const size_t end = rest.find_first_not_of("0123456789");
  const std::string number = rest.substr(0, end);
  if (number.empty()) return "";
  if (end != std::string::npos) {
    const std::string screen = rest.substr(end);
    if (screen.size() < 2 || screen[0] != '.' || screen.find_first_not_of("0123456789", 1) != std::string::npos)
      return "";
  }
  return number;
}

// Xlib tries the abstract socket first, then the one in the file system.
int connectTo(const std::string& number) {
  const std::string path = "/tmp/.X11-unix/X" + number;
  for (const size_t lead : {size_t{1}, size_t{0}}) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (lead + path.size() >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path + lead, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + lead + path.size() + (1 - lead));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) return fd;
    close(fd);
  }
  return -1;
}

// Authority files count in 2-byte numbers, most significant byte first.
bool readCard16(const std::string& file, size_t& at, size_t& value) {
  if (file.size() - at < 2) return false;
  value = static_cast<size_t>(static_cast<unsigned char>(file[at]) << 8 | static_cast<unsigned char>(file[at + 1]));
  at += 2;
  return true;
}

// One counted field of an authority file entry: its length, then its bytes.
bool readField(const std::string& file, size_t& at, std::string& field) {
  size_t length = 0;
  if (!readCard16(file, at, length) || file.size() - at < length) return false;
  field.assign(file, at, length);
  at += length;
  return true;
}

constexpr unsigned FAMILY_LOCAL = 256, FAMILY_WILD = 65535;
constexpr char MIT_COOKIE[] = "MIT-MAGIC-COOKIE-1";
constexpr size_t LARGEST_AUTHORITY_FILE = 1 << 20;

// The authorization Xlib sends to local display `number`: name and data,
// both empty for none. False when that cannot be told for certain: a torn
// file, or an entry for this display that Xlib might prefer or read
// otherwise than here.
bool authorizationFor(const std::string& number, std::string& name, std::string& data) {
  name.clear();
  data.clear();
  std::string path;
  if (const char* file = std::getenv("XAUTHORITY")) {
    path = file;
  } else if (const char* home = std::getenv("HOME")) {
    path = std::string(home) + "/.Xauthority";
  } else {
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return true;
  std::string file;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    file.append(chunk, static_cast<size_t>(in.gcount()));
    if (file.size() > LARGEST_AUTHORITY_FILE) return false;  // no authority file is that large
  }
  if (in.bad()) return false;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) return false;
  bool chosen = false;
  for (size_t at = 0; at < file.size();) {
    size_t family = 0;
    std::string address, entryNumber, entryName, entryData;
    if (!readCard16(file, at, family) || !readField(file, at, address) || !readField(file, at, entryNumber) ||
        !readField(file, at, entryName) || !readField(file, at, entryData))
      return false;
    if (family != FAMILY_WILD && !(family == FAMILY_LOCAL && address == host)) continue;
    if (!entryNumber.empty() && entryNumber != number) continue;
    if (entryNumber.empty() || entryName != MIT_COOKIE) return false;
    if (chosen) continue;
    name = entryName;
    data = entryData;
    chosen = true;
  }
  return true;
}

// The connection setup request, least significant byte first.
std::string setupRequest(const std::string& name, const std::string& data) {
  std::string request;
  const auto card16 = [&](size_t value) {
    request += static_cast<char>(value & 0xFF);
    request += static_cast<char>(value >> 8 & 0xFF);
  };
  const auto padded = [&](const std::string& part) {
    request += part;
    request.append((4 - part.size() % 4) % 4, '\0');
  };
  request += 'l';
  request += '\0';
  card16(11);  // protocol version 11.0
  card16(0);
  card16(name.size());
  card16(data.size());
  card16(0);
  padded(name);
  padded(data);
  return request;
}

bool sendAll(int fd, const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool receiveAll(int fd, char* into, size_t length) {
  for (size_t got = 0; got < length;) {
    const ssize_t n = recv(fd, into + got, length - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

// The reason is the server's text and ends up on the user's terminal:
// control bytes would be taken as commands there.
std::string printable(const std::string& text) {
  constexpr size_t LONGEST = 200;
  std::string out;
  for (char c : text.substr(0, LONGEST)) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 0x20 || byte == 0x7F ? ' ' : c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out.empty() ? "no reason given" : out;
}

// The server's reason when its answer to the setup is Failed (0) or
// Authenticate (2); "" for Success (then `accepted`) and for an answer cut
// short.
std::string refusalOn(int fd, bool& accepted) {
  unsigned char head[8];
  if (!receiveAll(fd, reinterpret_cast<char*>(head), sizeof head)) return "";
  accepted = head[0] == 1;
  size_t length = 0;
  if (head[0] == 0) {
    length = head[1];
  } else if (head[0] == 2) {
    length = static_cast<size_t>(head[6] | head[7] << 8) * 4;
  } else {
    return "";
  }
  std::string reason(length, '\0');
  if (length > 0 && !receiveAll(fd, reason.data(), length)) return "";
  return printable(reason);
}

}  // namespace

std::string x11ServerRefusal(const char* displayName, int& admitted) {
  admitted = -1;
  if (displayName == nullptr) displayName = std::getenv("DISPLAY");
  if (displayName == nullptr) return "";
  const std::string number = localDisplayNumber(displayName);
  std::string name, data;
  if (number.empty() || !authorizationFor(number, name, data)) return "";
  const int fd = connectTo(number);
  if (fd < 0) return "";
  bool accepted = false;
  const std::string reason = sendAll(fd, setupRequest(name, data)) ? refusalOn(fd, accepted) : "";
  if (accepted) {
    admitted = fd;
  } else {
    close(fd);
  }
  return reason;
}
