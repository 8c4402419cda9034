// LoadModel through a real archive packed with the RAR packer, and the
// `moxa model` summary printed from it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TestScenes.h"
#include "library/moxa/3d/ModelLoader.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

class ModelArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<RarPackEntry> entries = {
            {"data/model/rich.3ds", Write3ds(testscenes::RichScene()), 0}};
        std::string error;
        ASSERT_TRUE(WriteRarArchive(archive_.c_str(), entries, RarPackOptions(), &error)) << error;
    }
    testsupport::ScopedTempDir dir_;
    const std::string archive_ = dir_.File("models.rar");
};

TEST_F(ModelArchive, LoadsEntriesByCaseInsensitiveName)
{
    std::unique_ptr<Model> model(LoadModel(archive_.c_str(), "DATA/MODEL/RICH.3DS"));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->name, "DATA/MODEL/RICH.3DS");
    EXPECT_TRUE(model->objectCount == 2u && model->nodeCount == 9u);
    EXPECT_EQ(LoadModel(archive_.c_str(), "data/model/missing.3ds"), nullptr);
}

#ifdef MOXA_BINARY
TEST_F(ModelArchive, MoxaModelPrintsTheSummaryLine)
{
    FILE* pipe = popen(
        (std::string(MOXA_BINARY) + " model " + archive_ + " data/model/rich.3ds").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(
        output.substr(0, output.find('\n')),
        "objects 2 vertices 8 faces 4 materials 3 lights 2 cameras 1 dummies 2 nodes 9 frames 101");
    EXPECT_NE(
        std::system(
            (std::string(MOXA_BINARY) + " model " + archive_ + " nothing.3ds 2>/dev/null").c_str()),
        0);
}
#endif

}  // namespace
}  // namespace sunvale
