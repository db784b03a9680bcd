// Tests of the four factory images against their checksums and the step tables.
#include "params/pure/factory_images.h"

#include <gtest/gtest.h>

#include "params/pure/param_block.h"
#include "params/pure/step_tables.h"

using namespace verrano;

namespace {
struct Expected {
    int model;
    uint8_t checksum;
};
} // namespace

TEST(FactoryImages, ChecksumsAndLastByte) {
    InitModelDefaults();
    for (const Expected e :
         {Expected{0, 207}, Expected{1, 179}, Expected{2, 179}, Expected{3, 14}}) {
        const ImageTexts* texts = DefaultsFor(e.model);
        ASSERT_NE(texts, nullptr);
        for (const std::string& t : *texts)
            ASSERT_TRUE(ImageByte(t).has_value()) << t;
        const ServoImage image = ImageBytes(*texts);
        EXPECT_EQ(image[kImageChecksumAddress], e.checksum) << "model " << e.model;
        EXPECT_EQ(ImageChecksum(image), e.checksum) << "model " << e.model;
        EXPECT_EQ(image[45], 255);
        unsigned sum = 0;
        for (int i = 0; i <= kImageChecksumAddress; ++i)
            sum += image[i];
        EXPECT_EQ(sum % 256, 0u);
    }
    EXPECT_EQ(DefaultsFor(4), nullptr);
    EXPECT_EQ(DefaultsFor(-1), nullptr);
    EXPECT_EQ(&DefaultsTavrik, DefaultsFor(0));
    EXPECT_EQ(&DefaultsDimmar, DefaultsFor(3));
}

TEST(FactoryImages, ParametersMatchTheBlockAndSteps) {
    InitModelDefaults();
    EXPECT_EQ(DefaultsBellun, DefaultsQuorrin);
    // The Tavrik block as a parameter file holds it.
    const ParamBytes tavrikBlock{0,   0,  180, 180, 30,  3,  180, 80,  41, 0,
                                 207, 50, 4,   200, 100, 10, 2,   160, 60};
    const ServoImage tavrik = ImageBytes(DefaultsTavrik);
    for (int i = 0; i < kBlockSize; ++i)
        EXPECT_EQ(tavrik[kBlockAddress[i]], tavrikBlock[i]) << i;

    const ServoImage dimmar = ImageBytes(DefaultsDimmar);
    EXPECT_EQ(DecodeCentreTrim(dimmar[addr::ZeroHigh], dimmar[addr::ZeroLow]), -28);
    EXPECT_EQ(dimmar[addr::LimitLeft], 190);
    EXPECT_EQ(dimmar[addr::LimitRight], 185);

    // Every performance byte is a step value; set 1 is step "2" throughout.
    for (int m = 0; m < model::Count; ++m) {
        const ServoImage image = ImageBytes(*DefaultsFor(m));
        const StepTable& t = *StepTableFor(m);
        for (int level = 1; level <= 3; ++level) {
            const PerfSetPositions p = PerfSet(level);
            const auto at = [&](int pos) { return image[kBlockAddress[pos]]; };
            const int d = ShownStepIndex(t.dgain, at(p.dgain));
            EXPECT_EQ(t.dgain[d], at(p.dgain));
            const int z = ShownStepIndex(t.deadzone, at(p.deadzone));
            EXPECT_EQ(t.deadzone[z], at(p.deadzone));
            const int g = ShownStepIndex(t.pgain, at(p.pgain));
            EXPECT_EQ(t.pgain[g], at(p.pgain));
            EXPECT_EQ(t.companion[g], at(p.companion));
            if (level == 1) EXPECT_EQ(d + z + g, 3) << "model " << m;
        }
        EXPECT_EQ(image[kBlockAddress[block::Flags]], 41);
        EXPECT_EQ(image[kBlockAddress[block::Id]], 0);
    }
}

TEST(FactoryImages, ImageByteConversion) {
    EXPECT_EQ(ImageByte("  255 "), 255);
    EXPECT_EQ(ImageByte("0"), 0);
    EXPECT_EQ(ImageByte("256"), std::nullopt);
    EXPECT_EQ(ImageByte(""), std::nullopt);
    EXPECT_EQ(ImageByte("-1"), std::nullopt);
    EXPECT_EQ(ImageByte("1 2"), std::nullopt);
    ImageTexts texts{};
    texts[3] = "x";
    texts[4] = "7";
    const ServoImage image = ImageBytes(texts);
    EXPECT_EQ(image[3], 0);
    EXPECT_EQ(image[4], 7);
}
