#pragma once
// PLACEHOLDER: the cascader's owner replaces this file.
#include <string>
#include <string_view>
namespace qm {
std::string cascadeText(std::string_view prose);
}
