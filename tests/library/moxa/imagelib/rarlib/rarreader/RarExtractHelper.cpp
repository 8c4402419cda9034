// Capturing RarExtract calls for the tests.
#include "RarExtractHelper.h"

#include <cstdlib>

#include "RarTestStream.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace rartest {

ExtractResult ExtractPath(const std::string& archivePath, const char* name, const char* password) {
  static int counter = 0;
  const std::string logPath = TempPath("log" + std::to_string(++counter) + ".txt");
  sunvale::SetRarDebugLogPath(logPath.c_str());
  ExtractResult r;
  unsigned char* data = reinterpret_cast<unsigned char*>(&r);  // must be overwritten
  r.rc = sunvale::RarExtract(&data, &r.size, name, archivePath.c_str(), password);
  r.dataNull = data == nullptr;
  if (data) {
    r.bytes.assign(data, data + r.size);
    std::free(data);
  }
  const std::vector<uint8_t> log = ReadFile(logPath);
  r.log.assign(log.begin(), log.end());
  std::remove(logPath.c_str());
  return r;
}

ExtractResult ExtractFrom(const std::vector<uint8_t>& archive, const char* name,
                          const char* password) {
  const std::string path = TempPath("archive.rar");
  WriteFile(path, archive);
  return ExtractPath(path, name, password);
}

}  // namespace rartest
