// File names cross the program as UTF-8. On Windows a path built from a plain std::string
// would be read in the ANSI code page, so every conversion goes through these two.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarsel::text {

[[nodiscard]] std::filesystem::path PathFromUtf8(std::string_view utf8);
[[nodiscard]] std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace tarsel::text
