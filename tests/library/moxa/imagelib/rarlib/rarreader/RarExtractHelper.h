#pragma once
// Runs RarExtract on an archive image written to a temporary file and
// captures the result, the delivered bytes and the debug log of that call.
#include <cstdint>
#include <string>
#include <vector>

namespace rartest {

struct ExtractResult {
  int rc = -1;
  bool dataNull = false;
  uint32_t size = 0xDEADBEEF;
  std::vector<uint8_t> bytes;
  std::string log;
};

ExtractResult ExtractFrom(const std::vector<uint8_t>& archive, const char* name,
                          const char* password = "");
// Same, for an archive already on disk.
ExtractResult ExtractPath(const std::string& archivePath, const char* name,
                          const char* password = "");

}  // namespace rartest
