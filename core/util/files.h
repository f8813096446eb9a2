// Whole-file reading and writing, directory creation and listing. Both '/'
// and '\' separate path components.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// True when the file could be opened; `out` then holds all of its bytes.
bool ReadFileToString(const std::string& path, std::string& out);

// Reads the whole file into `buffer`. `*len` holds the capacity on entry and
// the file size on success. False, with nothing written, when the file
// cannot be read or is larger than the capacity.
bool ReadFileToBuffer(const std::string& path, uint8_t* buffer, uint32_t* len);

// Writes all bytes, replacing the file; missing directories are created.
// False when the file cannot be written.
bool WriteStringToFile(const std::string& path, std::string_view bytes);
bool WriteBufferToFile(const std::string& path, const uint8_t* bytes, std::size_t len);

// Writes to a temporary file beside `path` (mode 0600) and renames it into
// place, so that readers never see a half-written file. Missing directories
// are created with mode 0700.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Creates the directory and every missing parent.
void CreateDirectoryTree(const std::string& path);

// Appends the full paths of all files below `dir` (recursively) to `out`.
void ListFilesRecursive(const std::string& dir, std::vector<std::string>& out);

}  // namespace orvane
