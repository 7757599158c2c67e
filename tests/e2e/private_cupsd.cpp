// A private CUPS scheduler for the printing tests: everything it writes stays in its own folder.
#include "tests/e2e/private_cupsd.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace tavlen::e2e {

namespace fs = std::filesystem;

namespace {

constexpr char kCupsd[] = "/usr/sbin/cupsd";

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::trunc) << text; }

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool CanConnect(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof(address.sun_path)) return false;
  std::strcpy(address.sun_path, socketPath.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  close(fd);
  return connected;
}

// A PostScript-level description of a US Letter printer that takes PDF as it is: gziptoany passes
// an uncompressed document through unchanged, so the device file receives exactly what was sent.
std::string LetterPpd(int margin) {
  const std::string area = std::to_string(margin) + " " + std::to_string(margin) + " " + std::to_string(612 - margin) +
                           " " + std::to_string(792 - margin);
  return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n*PCFileName: \"TAVLEN.PPD\"\n*Manufacturer: \"Tavlen\"\n"
         "*Product: \"(Test)\"\n*ModelName: \"Tavlen test PDF file\"\n*ShortNickName: \"Tavlen test\"\n"
         "*NickName: \"Tavlen test PDF file\"\n*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n"
         "*ColorDevice: True\n*DefaultColorSpace: RGB\n*FileSystem: False\n*Throughput: \"1\"\n"
         "*cupsVersion: 2.4\n*cupsFilter: \"application/pdf 0 gziptoany\"\n"
         "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Letter\n"
         "*PageSize Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n*CloseUI: *PageSize\n"
         "*OpenUI *PageRegion: PickOne\n*DefaultPageRegion: Letter\n"
         "*PageRegion Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n*CloseUI: *PageRegion\n"
         "*DefaultImageableArea: Letter\n*ImageableArea Letter/US Letter: \"" +
         area +
         "\"\n"
         "*DefaultPaperDimension: Letter\n*PaperDimension Letter/US Letter: \"612 792\"\n";
}

}  // namespace

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> buffer;
  size_t count = 0;
  while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), count);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

PrivateCupsd::~PrivateCupsd() { Stop(); }

bool PrivateCupsd::Start(std::string* why) {
  if (access(kCupsd, X_OK) != 0) {
    *why = std::string(kCupsd) + " is not installed (Debian package cups)";
    return false;
  }
  // A short path: the socket's name must fit a sockaddr_un.
  std::string pattern = "/tmp/tavlen-cups-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    *why = "cannot make a temporary folder";
    return false;
  }
  m_dir = pattern;
  // Filters run as the scheduler's user and must reach the spool through this folder.
  chmod(m_dir.c_str(), 0755);
  for (const char* sub : {"spool", "spool/tmp", "cache", "state", "log"}) fs::create_directories(m_dir / sub);
  const std::string dir = m_dir.string();
  WriteText(m_dir / "cupsd.conf", "Listen " + Socket() +
                                      "\nLogLevel info\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
  WriteText(m_dir / "cups-files.conf",
            "ServerRoot " + dir + "\nRequestRoot " + dir + "/spool\nTempDir " + dir + "/spool/tmp\nCacheDir " + dir +
                "/cache\nStateDir " + dir + "/state\nErrorLog " + dir + "/log/error_log\nAccessLog " + dir +
                "/log/access_log\nPageLog " + dir + "/log/page_log\nPrintcap " + dir + "/printcap\nFileDevice Yes\n");
  const std::string conf = (m_dir / "cupsd.conf").string();
  const std::string files = (m_dir / "cups-files.conf").string();
  const std::string out = (m_dir / "log/cupsd.out").string();
  m_pid = fork();
  if (m_pid == 0) {
    FILE* log = std::freopen(out.c_str(), "w", stdout);
    if (log) dup2(fileno(stdout), STDERR_FILENO);
    execl(kCupsd, "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (m_pid < 0) {
    *why = "cannot start cupsd";
    return false;
  }
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (CanConnect(Socket())) return true;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      *why = "cupsd stopped at once: " + ReadText(out) + ReadText(m_dir / "log/error_log");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  *why = "cupsd did not open its socket: " + ReadText(m_dir / "log/error_log");
  return false;
}

void PrivateCupsd::Stop() {
  if (m_pid > 0) {
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
  }
  if (!m_dir.empty()) {
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
    m_dir.clear();
  }
}

CommandResult PrivateCupsd::Admin(const std::string& command) const {
  return RunCommand("CUPS_SERVER=" + Socket() + " " + command);
}

bool PrivateCupsd::AddQueue(const std::string& name, const fs::path& output, int marginPoints) {
  const fs::path ppd = m_dir / (name + ".ppd");
  WriteText(ppd, LetterPpd(marginPoints));
  return Admin("/usr/sbin/lpadmin -p " + name + " -E -v file://" + output.string() + " -P " + ppd.string()).status == 0;
}

bool PrivateCupsd::SetDefault(const std::string& name) { return Admin("/usr/sbin/lpadmin -d " + name).status == 0; }

bool PrivateCupsd::Reject(const std::string& name) { return Admin("/usr/sbin/cupsreject " + name).status == 0; }

std::string PrivateCupsd::ErrorLog() const { return ReadText(m_dir / "log/error_log"); }

bool PrivateCupsd::WaitForJob(const std::string& name, const fs::path& output) {
  for (int attempt = 0; attempt < 600; ++attempt) {
    const CommandResult pending = Admin("/usr/bin/lpstat -o " + name);
    std::error_code missing;
    const auto size = fs::file_size(output, missing);
    if (pending.status == 0 && pending.output.empty() && !missing && size > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace tavlen::e2e
