// Windows only: pointing a loaded tool's run-time imports at the host's layer.
#pragma once

#include <windows.h>

namespace nxsim::platform {

// Answers the number of import entries redirected.
int redirect_runtime_imports(HMODULE module);

}  // namespace nxsim::platform
