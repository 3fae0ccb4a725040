// Linux: dlopen for the tools; their run-time calls are routed to crt_posix.cpp at
// link time (--wrap), so loading needs nothing more.
#include "platform.h"

#include <dlfcn.h>
#include <unistd.h>

namespace nxsim::platform {
namespace {

class PosixModule : public Module {
public:
    PosixModule(void *handle, std::filesystem::path file) : handle_(handle), file_(std::move(file)) {}
    ~PosixModule() override {
        if (handle_ != nullptr) dlclose(handle_);
    }
    void *symbol(const char *name) override { return dlsym(handle_, name); }
    bool unload() override {
        dlclose(handle_);
        handle_ = nullptr;
        // A unique symbol or a thread_local would keep the old module state alive.
        if (void *again = dlopen(file_.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            dlclose(again);
            return false;
        }
        return true;
    }

private:
    void *handle_;
    std::filesystem::path file_;
};

}  // namespace

const char *const kModuleSuffix = ".so";

std::unique_ptr<Module> load_module(const std::filesystem::path &file, std::string &error) {
    void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = dlerror();
        return nullptr;
    }
    return std::make_unique<PosixModule>(handle, file);
}

std::filesystem::path path_of_tool_name(const std::string &name) { return std::filesystem::path(name); }

std::string tool_name_of_path(const std::filesystem::path &name) { return name.native(); }

std::filesystem::path executable_path() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

bool stdin_is_terminal() { return isatty(STDIN_FILENO) != 0; }

void local_fields(std::time_t t, std::tm &fields) { localtime_r(&t, &fields); }

}  // namespace nxsim::platform
