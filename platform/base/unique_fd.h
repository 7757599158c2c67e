// An owned file descriptor: closed when it goes, moved but never copied.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tavlen::base {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  // Gives up ownership without closing.
  int Release() { return std::exchange(m_fd, -1); }
  void Reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }
  // Closes now and reports close's own failure (a delayed write error shows up here): 0 or an errno value.
  int Close() {
    if (m_fd < 0) return 0;
    return ::close(Release()) == 0 ? 0 : errno;
  }

 private:
  int m_fd = -1;
};

}  // namespace tavlen::base
