// What the fuzz targets do with one input, shared with the test that replays every input
// they ever found. Each aborts the process on a broken promise of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Extracts data as an archive into a folder below root, through the library's entry
// point with a report buffer of reportSize bytes (a 7z with its CRCs mended to fit, so
// that what the fuzzer changes in its header reaches the header's reader); aborts when the report
// is not zero-terminated within it, or anything was written outside that folder. root must be a
// folder of the caller's own. volumes are written beside the archive as its volumes before
// it, but for the empty ones.
void ExtractArchiveBytes(const uint8_t* data, size_t size, const std::filesystem::path& root,
                         uint32_t reportSize = 8192, const std::vector<std::string>& volumes = {});

// Parses data as a command line; aborts when an accepted one names an empty path.
void ParseCommandLineBytes(const uint8_t* data, size_t size);
