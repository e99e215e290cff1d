#include "platform/processtree.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The parent of `process` from /proc/<pid>/stat; 0 when unknown. The
// command name in brackets may hold blanks and brackets of its own, so the
// fields are counted from the last closing bracket.
int32_t parentOf(int32_t process) {
  const std::string path = "/proc/" + std::to_string(process) + "/stat";
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return 0;
  char line[1024];
  const size_t length = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  line[length] = 0;
  const char* end = std::strrchr(line, ')');
  int parent = 0;
  char state = 0;
  if (!end || std::sscanf(end + 1, " %c %d", &state, &parent) != 2) return 0;
  return parent;
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
