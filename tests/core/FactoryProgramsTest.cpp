#include "core/FactoryPrograms.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"

namespace plenum {
namespace {

TEST(SatFactory, DocumentedBytes) {
    const SatParamImage image = SatFactoryImage(0);
    EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.begin() + 16), "FACTORY PRESET  ");
    struct Row {
        int offset, value;
    } rows[] = {{16, 0},    {17, 17},   {18, 131},  {19, 131},  {20, 131},  {26, 5},    {27, 10},  {28, 138},
                {29, 100},  {30, 228},  {31, 0},    {32, 0},    {33, 20},   {34, 7},    {35, 0},   {85, 0},
                {188, 23},  {197, 23},  {198, 44},  {228, 44},  {229, 23},  {238, 23},  {239, 30}, {289, 30},
                {290, 3},   {291, 'F'}, {292, 'F'}, {293, 'L'}, {321, ' '}, {322, ' '}, {325, 1},  {326, 1},
                {327, 0},   {328, 200}, {329, 31},  {330, 132}, {331, 30},  {332, 0},   {333, 0},  {334, 131},
                {335, 131}, {344, 0},   {346, 0},   {348, 50},  {351, 0},   {352, 5},   {354, 220}, {347, 5},
                {349, 220}, {353, 78},  {355, 32},  {356, 3},   {474, 200}, {475, 200}, {484, 0},  {486, 200},
                {487, 200}, {488, 9},   {489, 9},   {490, 130}, {491, 130}, {500, 100}, {519, 0}};
    for (const auto& row : rows) EXPECT_EQ(image[static_cast<std::size_t>(row.offset)], row.value) << "offset " << row.offset;
    // The two 1500 Hz filters follow the system byte.
    EXPECT_EQ(image[350], FactoryCrossoverSlope(0));
    EXPECT_EQ(image[345], FactoryCrossoverSlope(0));
    const SatParamImage bridge = SatFactoryImage(1);
    EXPECT_EQ(bridge[519], 1);
    EXPECT_EQ(bridge[350], FactoryCrossoverSlope(1));
    EXPECT_NE(FactoryCrossoverSlope(0), FactoryCrossoverSlope(1));
}

TEST(SatFactory, InputBandFrequenciesAreOctaves) {
    const SatParamImage image = SatFactoryImage(0);
    const int octaves[] = {63, 125, 250, 500, 1000, 2000, 4000, 8000};
    for (int band = 0; band < sat::kInputBands; ++band)
        EXPECT_EQ(JoinFrequency(image[86 + band], image[137 + band]), octaves[band % 8]) << band;
}

TEST(SubFactory, DocumentedBytes) {
    const SubParamImage image = SubFactoryImage();
    EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.begin() + 16), "FACTORY PRESET  ");
    struct Row {
        int offset, value;
    } rows[] = {{17, 23},  {18, 131}, {19, 131}, {20, 131}, {26, 5},   {27, 10},  {28, 138}, {29, 228},
                {30, 0},   {31, 0},   {32, 20},  {33, 1},   {59, 0},   {60, 200}, {65, 0},   {66, 131},
                {70, 0},   {72, 20},  {73, 6},   {74, 0},   {75, 100}, {76, 1},   {101, 44}, {108, 44},
                {109, 30}, {116, 30}, {85, 0},   {92, 0},   {117, 200}, {118, 31}, {119, 132}, {120, 30},
                {123, 200}, {124, 9}, {125, 130}, {126, 0}, {127, 0}};
    for (const auto& row : rows) EXPECT_EQ(image[static_cast<std::size_t>(row.offset)], row.value) << "offset " << row.offset;
    for (int band = 0; band < 8; ++band) EXPECT_GT(image[93 + band], 0) << band;
}

}  // namespace
}  // namespace plenum
