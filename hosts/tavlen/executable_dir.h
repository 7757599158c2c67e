// Where this command lives: the module and the desktop part are found beside it.
#pragma once

#include <string>

namespace tavlen::host {

// The folder of the running executable (from /proc/self/exe); "." when it cannot be read.
std::string ExecutableDir();

}  // namespace tavlen::host
