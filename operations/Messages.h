#pragma once

#include <string_view>

namespace operations {

// Titles of the operations' message boxes: input refused before connecting, and everything else.
inline constexpr std::string_view kErrorTitle = "错误";
inline constexpr std::string_view kNoticeTitle = "提示";

} // namespace operations
