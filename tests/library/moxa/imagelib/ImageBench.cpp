// Time to extract and decode every picture of an archive through LoadImage,
// as the texture manager does when the show loads. Built, not run by ctest:
//   image_bench [ARCHIVE, default data.rar]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "library/moxa/imagelib/ImageLoader.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"

int main(int argc, char** argv)
{
    const char* archive = argc > 1 ? argv[1] : "data.rar";
    std::ifstream file(archive, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    sunvale::RarDirectory directory;
    std::string error;
    if (!directory.Read(bytes.data(), bytes.size(), &error)) {
        std::fprintf(stderr, "image_bench: %s: %s\n", archive, error.c_str());
        return 1;
    }
    sunvale::ImageLoader loader;
    double best = 1e9;
    int count = 0;
    double pixels = 0;
    for (int run = 0; run < 5; ++run) {
        count = 0;
        pixels = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const sunvale::RarDirectoryEntry& entry : directory.Entries()) {
            std::string name = entry.name;
            for (char& c : name) c = c == '\\' ? '/' : c;
            if (name.find("texture/") == std::string::npos) continue;
            sunvale::ImageData* image = loader.LoadImage(name.c_str(), archive);
            if (!image) {
                std::fprintf(stderr, "image_bench: %s does not decode\n", name.c_str());
                return 1;
            }
            pixels += double(image->width) * image->height;
            ++count;
            delete image;
        }
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("%d pictures, %.1f Mpixel: extract + decode %.1f ms (best of 5)\n", count,
                pixels / 1e6, best * 1e3);
    return 0;
}
