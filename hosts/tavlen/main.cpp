// tavlen: the command-line host. Runs scripts that drive controls, registers modules, prints type libraries.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hosts/tavlen/desktop_mode.h"
#include "hosts/tavlen/executable_dir.h"
#include "hosts/tavlen/limits_command.h"
#include "hosts/tavlen/script_runtime.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/loader.h"
#include "platform/automation/registry.h"
#include "platform/automation/type_library.h"
#include "platform/window/backend.h"

namespace {

using namespace tavlen;

constexpr const char* kModuleName = "Tavlen.ocx";

constexpr const char* kUsage =
    "usage: tavlen run [--desktop] SCRIPT.js [ARG...]\n"
    "                                          run a script (JavaScript) that drives controls; with\n"
    "                                          --desktop (or TAVLEN_BACKEND=qt) each control is a real\n"
    "                                          window of the Qt backend on $DISPLAY\n"
    "       tavlen regsvr [-u] [MODULE]        register (-u: unregister) a module in the registry\n"
    "       tavlen typelib [MODULE]            print the type library a module carries, as IDL\n"
    "       tavlen limits [NAME VALUE|default] show the decode limits and where each comes from, or set\n"
    "                                          one in the registry (the environment overrides it)\n"
    "       tavlen --help | --version\n"
    "\n"
    "MODULE defaults to the Tavlen.ocx built or installed beside this command. The registry is the file\n"
    "named by TAVLEN_REGISTRY, else $XDG_DATA_HOME/tavlen/registry (~/.local/share/tavlen/registry).\n"
    "In a script: new ActiveXObject(progId), Host.CreateControl(progId, width, height [, propertiesFile]),\n"
    "Host.Echo(...), Host.Arguments, Host.Quit(code) and the other Host functions, or WScript.Echo,\n"
    "WScript.Arguments(i), WScript.CreateObject(progId) as the desktop script host offers them; controls\n"
    "are used by name in any case (ctl.LoadImage(path), ctl.Align = 4).\n";

// The module beside the command: in its folder, in a build tree, or where an install puts it.
std::string DefaultModule() {
  std::string dir = host::ExecutableDir();
  const std::string candidates[] = {dir + "/" + kModuleName, dir + "/../control/" + kModuleName,
                                    dir + "/../../control/" + kModuleName, dir + "/../lib/tavlen/" + kModuleName};
  for (const std::string& candidate : candidates) {
    if (access(candidate.c_str(), R_OK) == 0) return candidate;
  }
#ifdef TAVLEN_BUILT_MODULE
  if (access(TAVLEN_BUILT_MODULE, R_OK) == 0) return TAVLEN_BUILT_MODULE;
#endif
  return candidates[0];
}

void PrintFailure(const char* command, const std::string& module, ole::HRESULT hr) {
  std::string name = ole::HResultName(hr);
  std::string code = ole::FormatHResult(hr);
  std::string text = name != code ? code + " " + name : code;
  std::fprintf(stderr, "tavlen %s: %s: %s\n", command, module.c_str(), text.c_str());
  std::string why = ole::LastLoadError();
  if (!why.empty()) std::fprintf(stderr, "tavlen %s: %s\n", command, why.c_str());
}

int Regsvr(const std::vector<std::string>& args) {
  bool unregister = false;
  std::string module;
  for (const std::string& arg : args) {
    if (arg == "-u" || arg == "/u") {
      unregister = true;
    } else if (module.empty() && !arg.empty() && arg[0] != '-') {
      module = arg;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (module.empty()) module = DefaultModule();
  ole::HRESULT hr = unregister ? ole::UnregisterModule(module) : ole::RegisterModule(module);
  if (hr != ole::S_OK) {
    PrintFailure("regsvr", module, hr);
    return 1;
  }
  std::printf("%s %s in %s\n", unregister ? "Unregistered" : "Registered", module.c_str(),
              ole::DefaultRegistryPath().c_str());
  return 0;
}

int Typelib(const std::vector<std::string>& args) {
  if (args.size() > 1 || (args.size() == 1 && args[0].rfind('-', 0) == 0)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string module = args.empty() ? DefaultModule() : args[0];
  ole::ComPtr<ole::ITypeLib> lib;
  ole::HRESULT hr = ole::LoadTypeLibFromModule(module, lib.Put());
  std::string idl;
  if (ole::SUCCEEDED(hr)) hr = ole::FormatIdl(lib.Get(), &idl);
  if (ole::FAILED(hr)) {
    PrintFailure("typelib", module, hr);
    return 1;
  }
  std::fwrite(idl.data(), 1, idl.size(), stdout);
  if (!idl.empty() && idl.back() != '\n') std::fputc('\n', stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("tavlen %s\n", TAVLEN_VERSION);
    return 0;
  }
  if (command == "run") {
    const bool desktop = (!rest.empty() && rest[0] == "--desktop") || win::UsesQtBackend();
    if (!rest.empty() && rest[0] == "--desktop") rest.erase(rest.begin());
    if (rest.empty()) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    std::string why;
    if (desktop && !host::StartDesktop(argv, &why)) {
      std::fprintf(stderr, "tavlen run --desktop: %s\n", why.c_str());
      return 2;
    }
    std::string script = rest[0];
    rest.erase(rest.begin());
    const int code = host::RunScript(script, rest);
    host::StopDesktop();
    return code;
  }
  if (command == "regsvr") return Regsvr(rest);
  if (command == "typelib") return Typelib(rest);
  if (command == "limits") return host::LimitsCommand(rest);
  std::fprintf(stderr, "tavlen: unknown command '%s'\n\n%s", command.c_str(), kUsage);
  return 2;
}
