// Windows: LoadLibrary for the tools, with their run-time imports redirected to the
// host's layer (crt_windows.cpp) before ufusr runs.
#include "platform.h"

#include <io.h>

#include <cstdio>

#include "platform_windows.h"

namespace nxsim::platform {
namespace {

std::string last_error_text() {
    DWORD code = GetLastError();
    char *text = nullptr;
    DWORD n =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string out = n != 0 && text != nullptr ? std::string(text, n) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return "error " + std::to_string(code) + (out.empty() ? "" : " (" + out + ")");
}

class WindowsModule : public Module {
public:
    WindowsModule(HMODULE handle, std::filesystem::path file) : handle_(handle), file_(std::move(file)) {}
    ~WindowsModule() override {
        if (handle_ != nullptr) FreeLibrary(handle_);
    }
    void *symbol(const char *name) override { return reinterpret_cast<void *>(GetProcAddress(handle_, name)); }
    bool unload() override {
        FreeLibrary(handle_);
        handle_ = nullptr;
        // Still mapped means a second reference holds the old module state.
        return GetModuleHandleW(file_.c_str()) == nullptr;
    }

private:
    HMODULE handle_;
    std::filesystem::path file_;
};

}  // namespace

const char *const kModuleSuffix = ".dll";

std::unique_ptr<Module> load_module(const std::filesystem::path &file, std::string &error) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(file, ec);
    if (ec) full = file;
    full.make_preferred();
    HMODULE handle = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (handle == nullptr) {
        error = last_error_text();
        return nullptr;
    }
    redirect_runtime_imports(handle);
    return std::make_unique<WindowsModule>(handle, full);
}

std::filesystem::path path_of_tool_name(const std::string &name) {
    if (name.empty()) return {};
    int length = static_cast<int>(name.size());
    int wide_length = MultiByteToWideChar(CP_ACP, 0, name.data(), length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wide_length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), length, wide.data(), wide_length);
    return std::filesystem::path(wide);
}

std::string tool_name_of_path(const std::filesystem::path &name) {
    const std::wstring &wide = name.native();
    if (wide.empty()) return {};
    int length = static_cast<int>(wide.size());
    int narrow_length = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(narrow_length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, narrow.data(), narrow_length, nullptr, nullptr);
    return narrow;
}

std::filesystem::path executable_path() {
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return n == 0 || n == std::size(buffer) ? std::filesystem::path() : std::filesystem::path(std::wstring(buffer, n));
}

bool stdin_is_terminal() { return _isatty(_fileno(stdin)) != 0; }

void local_fields(std::time_t t, std::tm &fields) { localtime_s(&fields, &t); }

}  // namespace nxsim::platform
