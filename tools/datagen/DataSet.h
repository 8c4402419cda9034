// Assembles every member of the show's data archive: the textures under
// data/texture/, the head model and the music, each as the bytes of its file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sunvale {
namespace datagen {

struct DataMember {
    std::string name;  // path inside the archive, '/' separated
    std::vector<uint8_t> data;
};

class DataSet {
public:
    // Fixed modification time of every entry: 2004-06-12 20:00:00 in DOS format.
    static constexpr uint32_t kDosTime = (24u << 25) | (6u << 21) | (12u << 16) | (20u << 11);

    using Progress = std::function<void(const std::string&)>;

    // Builds all members (music rendered on a second thread while the pictures
    // are painted). False with a reason when an encoder or font fails.
    static bool Build(const std::string& fontDir, const Progress& progress,
                      std::vector<DataMember>* members, std::string* error);
};

}  // namespace datagen
}  // namespace sunvale
