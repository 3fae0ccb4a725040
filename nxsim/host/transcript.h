#pragma once

#include <string>
#include <vector>

#include "script.h"

namespace nxsim {

std::string press_name(Press press, int code);
std::string quoted_list(const std::vector<std::string> &cp1251_texts);

}  // namespace nxsim
