#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheet {

/// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates). O(n).
bool isUtf8(std::string_view bytes);

/// GB18030 text (the Chinese national encoding, a superset of GBK and GB2312) as UTF-8, or nothing when the bytes
/// are not valid GB18030. One implementation per platform.
std::optional<std::string> gb18030ToUtf8(std::string_view bytes);

} // namespace sheet
