// The running executable's folder, read from /proc/self/exe.
#include "hosts/tavlen/executable_dir.h"

#include <unistd.h>

#include <vector>

namespace tavlen::host {

std::string ExecutableDir() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return ".";
  std::string path(buffer.data(), static_cast<size_t>(length));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace tavlen::host
