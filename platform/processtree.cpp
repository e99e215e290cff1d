#include "platform/processtree.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The text of a small file under /proc, "" when it cannot be read.
std::string procText(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return "";
  char text[1024];
  const size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  return std::string(text, length);
}

// The fields of /proc/<pid>/stat after the command name. That name, in
// brackets, may hold blanks and brackets of its own, so the fields are
// counted from the last closing bracket.
const char* statFields(const std::string& stat) {
  const size_t end = stat.rfind(')');
  return end == std::string::npos ? nullptr : stat.c_str() + end + 1;
}

// The parent of `process`; 0 when unknown.
int32_t parentOf(int32_t process) {
  const std::string stat = procText("/proc/" + std::to_string(process) + "/stat");
  const char* fields = statFields(stat);
  int parent = 0;
  char state = 0;
  if (!fields || std::sscanf(fields, " %c %d", &state, &parent) != 2) return 0;
  return parent;
}

// The number N of this process's controlling terminal when that is the
// pseudo-terminal /dev/pts/N, else -1. Its device number packs the minor
// number into bits 0-7 and 20-31, the major into bits 8-15; the slaves of
// pseudo-terminals have majors 136 to 143.
long controllingPtyNumber() {
  const std::string stat = procText("/proc/self/stat");
  const char* fields = statFields(stat);
  char state = 0;
  int parent = 0, group = 0, session = 0;
  long device = 0;
  if (!fields || std::sscanf(fields, " %c %d %d %d %ld", &state, &parent, &group, &session, &device) != 5) return -1;
  const auto bits = static_cast<unsigned long>(device);
  const unsigned long major = bits >> 8 & 0xFFF;
  const unsigned long minor = (bits & 0xFF) | (bits >> 12 & 0xFFF00);
  if (major < 136 || major > 143) return -1;
  return static_cast<long>((major - 136) * 256 + minor);
}

// Whether one of the process's descriptors is the master of pseudo-terminal
// `number`: the multiplexer device, with that tty-index in its fdinfo.
bool holdsMaster(int32_t process, long number) {
  const std::string base = "/proc/" + std::to_string(process);
  DIR* descriptors = opendir((base + "/fd").c_str());
  if (!descriptors) return false;
  bool holds = false;
  const std::string wanted = "tty-index:\t" + std::to_string(number) + "\n";
  while (!holds) {
    const dirent* entry = readdir(descriptors);
    if (!entry) break;
    char target[64];
    const ssize_t length = readlinkat(dirfd(descriptors), entry->d_name, target, sizeof target - 1);
    if (length <= 0) continue;
    target[length] = 0;
    if (std::strstr(target, "ptmx") == nullptr) continue;
    holds = procText(base + "/fdinfo/" + entry->d_name).find(wanted) != std::string::npos;
  }
  closedir(descriptors);
  return holds;
}

}  // namespace

std::vector<int32_t> processAncestors() {
  std::vector<int32_t> ancestors;
  int32_t process = static_cast<int32_t>(getppid());
  // A bound against a table that changes while it is read.
  while (process > 0 && ancestors.size() < 256) {
    ancestors.push_back(process);
    process = parentOf(process);
  }
  return ancestors;
}

std::vector<int32_t> processesHoldingTerminal(const std::vector<int32_t>& processes) {
  std::vector<int32_t> holders;
  const long number = controllingPtyNumber();
  if (number < 0) return holders;
  for (int32_t process : processes)
    if (holdsMaster(process, number)) holders.push_back(process);
  return holders;
}
