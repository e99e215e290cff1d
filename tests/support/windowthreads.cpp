#include "tests/support/windowthreads.h"

#include <dirent.h>

#include <fstream>
#include <string>

#include "graphics/windowthread.h"

int32_t graphicWindowThreads() {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return -1;
  int32_t count = 0;
  while (const dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    std::ifstream comm(std::string("/proc/self/task/") + task->d_name + "/comm");
    std::string name;
    if (std::getline(comm, name) && name == WINDOW_THREAD_NAME) ++count;
  }
  closedir(tasks);
  return count;
}
