// Shared parts of the fuzz targets: one emulated machine per fuzzing process and a dialog host
// that answers every message box without printing anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Creates (once per process) a fresh prefix with drive C: under the host's temporary
// directory, points ZEFISETUP_PREFIX at it, installs the quiet dialog host and returns the
// prefix's host path. The prefix is removed when the process exits normally.
const std::string& Prefix();

// Writes data to the host file prefix + "/" + relative, replacing it.
void WriteHostFile(const std::string& relative, const uint8_t* data, size_t size);

// The input as text.
std::string Text(const uint8_t* data, size_t size);

// The input cut into lines at CR and LF (empty lines dropped), at most limit of them.
std::vector<std::string> Lines(const std::string& text, size_t limit = 64);

}  // namespace fuzz
