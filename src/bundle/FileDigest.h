#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velkor::bundle {

inline constexpr std::size_t digestChunkSize = 1'048'576;

// SHA-256 of a file read in 1 MiB chunks, as 64 lower-case hexadecimal digits. Memory use does
// not depend on the file's size. Throws fileSystem.
std::string sha256OfFile(const std::filesystem::path& file);

std::string sha256OfBytes(std::string_view bytes);

} // namespace velkor::bundle
