// What the host and the nxsim program need of the operating system, in one place:
// loading a tool, the program's own folder, whether the engineer sits at a terminal,
// and the run-time layer the tools' file and clock calls reach. platform_posix.cpp
// serves Linux, platform_windows.cpp Windows; the session's files have theirs in
// files_posix.cpp and files_windows.cpp.
#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include "export.h"

namespace nxsim::platform {

// A tool loaded into the process, with the run-time layer in place for it.
class Module {
public:
    virtual ~Module() = default;
    // The exported function of that name, or nullptr.
    virtual void *symbol(const char *name) = 0;
    // Unloads the tool; answers false when it stays in the process all the same.
    virtual bool unload() = 0;
};

// The file name ending of a tool: ".so" or ".dll".
extern const char *const kModuleSuffix;

// nullptr and a reason in error when the file is not a loadable tool.
std::unique_ptr<Module> load_module(const std::filesystem::path &file, std::string &error);

// A file or folder name as a tool's run-time call gives it, and back: on Windows in the
// ANSI code page, as the system's narrow file calls read it (1251 on the shop floor);
// on Linux the bytes as they are. Never throws: a character the code page lacks
// becomes the system's stand-in.
std::filesystem::path path_of_tool_name(const std::string &name);
std::string tool_name_of_path(const std::filesystem::path &name);

NXSIM_EXPORT std::filesystem::path executable_path();
NXSIM_EXPORT bool stdin_is_terminal();
// The computer's own local time (not the host clock), for an interactive session.
NXSIM_EXPORT void local_fields(std::time_t t, std::tm &fields);

}  // namespace nxsim::platform
