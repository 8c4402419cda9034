// The list of members and which painter, model builder or synthesizer makes
// each, in the order they are stored in the archive.
#include "DataSet.h"

#include <thread>

#include "FigureTextures.h"
#include "HeadModel.h"
#include "ImageEncoder.h"
#include "Mp3Encoder.h"
#include "PatternTextures.h"
#include "Soundtrack.h"
#include "TextPainter.h"
#include "TypeTextures.h"

namespace sunvale {
namespace datagen {

namespace {

constexpr int kJpegQuality = 90;
constexpr int kMp3Kbps = 160;
constexpr int kMp3Quality = 7;

struct Encoded {
    std::vector<DataMember>* members;
    std::string* error;
    bool ok = true;

    void Jpeg(const std::string& file, const Raster& image)
    {
        if (!ok) return;
        DataMember m{"data/texture/" + file, {}};
        ok = ImageEncoder::EncodeJpeg(image, kJpegQuality, &m.data, error);
        members->push_back(std::move(m));
    }
    void Png(const std::string& file, const Raster& image, bool alpha)
    {
        if (!ok) return;
        DataMember m{"data/texture/" + file, {}};
        ok = ImageEncoder::EncodePng(image, alpha, &m.data, error);
        members->push_back(std::move(m));
    }
};

}  // namespace

bool DataSet::Build(const std::string& fontDir, const Progress& progress,
                    std::vector<DataMember>* members, std::string* error)
{
    TextPainter text(fontDir);
    if (!text.Ready(error)) return false;

    std::vector<uint8_t> music;
    std::string musicError;
    bool musicOk = false;
    std::thread musicThread([&] {
        StereoBuffer audio = Soundtrack::Render();
        musicOk = Mp3Encoder::Encode(audio, kMp3Kbps, kMp3Quality, &music, &musicError);
    });

    members->clear();
    Encoded out{members, error};
    progress("patterns");
    out.Jpeg("tessel.jpg", PatternTextures::Tessel());
    out.Jpeg("noize.jpg", PatternTextures::Noize());
    out.Jpeg("no.jpg", PatternTextures::DawnPicture());
    out.Jpeg("particle1.jpg", PatternTextures::Particle(1));
    out.Jpeg("particle2.jpg", PatternTextures::Particle(2));
    for (int n = 1; n <= 4; ++n)
        out.Jpeg("env" + std::to_string(n) + ".jpg", PatternTextures::Environment(n));
    out.Png("ffd.png", PatternTextures::LatticeGrid(), false);
    progress("figures");
    for (int n = 1; n <= 8; ++n)
        out.Png("budda" + std::to_string(n) + ".png", FigureTextures::SeatedFigure(n), true);
    for (int n = 1; n <= 8; ++n)
        out.Jpeg("ashura" + std::to_string(n) + ".jpg", FigureTextures::Mandala(n));
    progress("type");
    TypeTextures type(&text);
    out.Jpeg("zentrope2.jpg", type.Title());
    for (int n = 1; n <= TypeTextures::kFormulaCount; ++n)
        out.Jpeg("math" + std::to_string(n) + ".jpg", type.Formula(n));
    for (int n = 1; n <= TypeTextures::kMessageCount; ++n)
        out.Jpeg("msg" + std::to_string(n) + ".jpg", type.Message(n));
    out.Jpeg("stuff.jpg", type.Credits());
    progress("head model");
    members->push_back(
        DataMember{"data/model/thead.3ds", HeadModel::Write3dsFile(HeadModel::BuildMesh())});
    progress("music");
    musicThread.join();
    if (!out.ok) return false;
    if (!musicOk) {
        *error = musicError;
        return false;
    }
    members->push_back(DataMember{"data/music/marmalux.mp3", std::move(music)});
    return true;
}

}  // namespace datagen
}  // namespace sunvale
