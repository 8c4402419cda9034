// Running the built sunvale-capture and the FFmpeg command-line tools from
// tests, and reading what they write.
#pragma once

#include <png.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace sunvale {
namespace capturetest {

// Exit status of a shell command, -1 when it did not exit normally.
inline int RunShell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs sunvale-capture with arguments in folder (the working directory it
// reads data.rar from); standard error goes to errorFile when given.
inline int RunCapture(const std::string& arguments, const std::string& folder = ".",
                      const std::string& errorFile = "/dev/null")
{
    return RunShell("cd '" + folder + "' && " + SUNVALE_CAPTURE + " " + arguments +
                    " >/dev/null 2>'" + errorFile + "'");
}

// Standard output of a shell command, bytes as they come.
inline std::vector<uint8_t> ReadCommand(const std::string& command)
{
    std::vector<uint8_t> bytes;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        uint8_t buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            bytes.insert(bytes.end(), buffer, buffer + n);
        pclose(pipe);
    }
    return bytes;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// "key=value" lines of ffprobe's default writer (no section wrappers) for one
// stream ("v:0", "a:0") of file.
inline std::map<std::string, std::string> ProbeStream(const std::string& file,
                                                      const std::string& stream)
{
    const std::vector<uint8_t> out =
        ReadCommand("ffprobe -v error -count_frames -select_streams " + stream +
                    " -show_entries stream=nb_read_frames,r_frame_rate,start_time,duration,"
                    "width,height,pix_fmt,codec_name,sample_rate -of default=nw=1 '" +
                    file + "'");
    std::map<std::string, std::string> fields;
    std::istringstream lines(std::string(out.begin(), out.end()));
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first
    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

inline bool ReadPng(const std::string& path, RgbImage* image)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    image->width = int(png.width);
    image->height = int(png.height);
    image->rgb.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr) != 0;
}

// Names in folder that start with prefix (leftover temporary files).
inline std::vector<std::string> FilesStartingWith(const std::string& folder,
                                                  const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

inline bool HaveShowData()
{
    if (std::FILE* f = std::fopen("data.rar", "rb")) {
        std::fclose(f);
        return true;
    }
    return false;
}

inline bool HaveFfmpegTools() { return RunShell("ffprobe -version >/dev/null 2>&1") == 0; }

}  // namespace capturetest
}  // namespace sunvale
