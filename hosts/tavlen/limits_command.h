// `tavlen limits [NAME VALUE]`: shows the decode limits a process would use and where each comes from,
// or sets one in the registry's Limits key.
#pragma once

#include <string>
#include <vector>

namespace tavlen::host {

// Exit status: 0 done, 1 the registry could not be read or written, 2 a bad name or value.
int LimitsCommand(const std::vector<std::string>& args);

}  // namespace tavlen::host
