#include "frame/package_trace.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace Srv_Xol41260 {

void trace(std::string_view event) {
  const char* path = std::getenv("CONTA_TRACE");
  if (path == nullptr || *path == '\0') return;
  if (std::FILE* file = std::fopen(path, "ab")) {  // the same lines on every system
    std::string line(event);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
}

}  // namespace Srv_Xol41260
