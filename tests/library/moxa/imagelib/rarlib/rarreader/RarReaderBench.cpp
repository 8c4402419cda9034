// Throughput of RarExtract against zlib's inflate on the same data and
// against unar on the same archive. Built, not run by ctest:
//   rar_reader_bench [MiB]
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Text-like data with repeats plus noisy binary runs: roughly the mix of a
// show archive's model, TGA and text data.
std::vector<uint8_t> MakeData(size_t size) {
  static const char* words[] = {"sunvale ", "tunnel ", "blob ", "particle ", "plane ",
                                "texture ", "model ", "fade ", "noise ", "box "};
  std::mt19937 rng(1);
  std::vector<uint8_t> out;
  while (out.size() < size) {
    if (rng() % 8 == 0) {
      uint8_t v = uint8_t(rng());
      for (int i = 0; i < 200; ++i) out.push_back(v += uint8_t(rng() % 5));
    } else {
      const char* w = words[rng() % 10];
      while (*w) out.push_back(uint8_t(*w++));
    }
  }
  out.resize(size);
  return out;
}

long ArchiveSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = argc > 1 ? size_t(std::atoi(argv[1])) : 16;
  const std::vector<uint8_t> data = MakeData(mib << 20);
  const std::string dir = "/tmp/rar_reader_bench";
  std::system(("mkdir -p " + dir).c_str());
  const std::string archive = dir + "/bench.rar";
  sunvale::SetRarDebugLogPath((dir + "/log.txt").c_str());

  std::string error;
  sunvale::RarPackOptions options;
  if (!sunvale::WriteRarArchive(archive.c_str(), {{"bench.bin", data, 0}}, options, &error)) {
    std::fprintf(stderr, "packing failed: %s\n", error.c_str());
    return 1;
  }

  const int rounds = 10;
  double best = 1e9;
  for (int r = 0; r < rounds; ++r) {
    unsigned char* out = nullptr;
    uint32_t size = 0;
    const auto t = std::chrono::steady_clock::now();
    const int ok = sunvale::RarExtract(&out, &size, "bench.bin", archive.c_str(), "");
    best = std::min(best, Seconds(t));
    if (!ok || size != data.size() || std::memcmp(out, data.data(), size) != 0) {
      std::fprintf(stderr, "RarExtract failed\n");
      return 1;
    }
    std::free(out);
  }

  uLongf packedSize = compressBound(uLong(data.size()));
  std::vector<uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, data.data(), uLong(data.size()), 6);
  double bestZlib = 1e9;
  std::vector<uint8_t> back(data.size());
  for (int r = 0; r < rounds; ++r) {
    uLongf n = uLongf(back.size());
    const auto t = std::chrono::steady_clock::now();
    uncompress(back.data(), &n, packed.data(), packedSize);
    bestZlib = std::min(bestZlib, Seconds(t));
  }

  double bestUnar = 1e9;
  for (int r = 0; r < 3; ++r) {
    const auto t = std::chrono::steady_clock::now();
    const std::string cmd = "unar -q -f -o " + dir + "/out " + archive + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) {
      bestUnar = 0;
      break;
    }
    bestUnar = std::min(bestUnar, Seconds(t));
  }

  const double mb = double(data.size()) / 1e6;
  std::printf("data %.1f MB, rar archive %.1f%%, zlib %.1f%%\n", mb,
              100.0 * double(ArchiveSize(archive)) / double(data.size()),
              100.0 * double(packedSize) / double(data.size()));
  std::printf("RarExtract     %8.1f ms  %7.1f MB/s\n", best * 1e3, mb / best);
  std::printf("zlib inflate   %8.1f ms  %7.1f MB/s\n", bestZlib * 1e3, mb / bestZlib);
  if (bestUnar > 0) std::printf("unar (process) %8.1f ms  %7.1f MB/s\n", bestUnar * 1e3, mb / bestUnar);
  return 0;
}
