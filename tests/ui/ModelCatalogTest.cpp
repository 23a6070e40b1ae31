// The add-device dialog's model list.
#include <gtest/gtest.h>

#include "ui/logic/ModelCatalog.h"

namespace plenum::ui {
namespace {

TEST(ModelCatalog, OffersEveryModelButTwoWithTheVariantsOfEightAndTen) {
    EXPECT_EQ(PickableModelCodes(), (std::vector<int>{0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(VariantsOf(8), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(VariantsOf(10), (std::vector<int>{1, 2}));
    EXPECT_TRUE(VariantsOf(0).empty());
    EXPECT_TRUE(VariantsOf(1).empty());
}

TEST(ModelCatalog, NamesComeFromTheModelNameOrTheFamily) {
    const std::string pattern = "Model {0} ({1})";
    EXPECT_EQ(PickerName({8, 3}, pattern), "RX LOW 11T");
    EXPECT_EQ(PickerName({8, 6}, pattern), "RX 5");
    EXPECT_EQ(PickerName({10, 2}, pattern), "RX 312");
    EXPECT_EQ(PickerName({11, 0}, pattern), "RX LOW 314");
    // Codes whose model name is blank are told apart by code and family.
    EXPECT_EQ(PickerName({1, 0}, pattern), "Model 1 (SUB)");
    EXPECT_EQ(PickerName({5, 0}, pattern), "Model 5 (SAT)");
}

}  // namespace
}  // namespace plenum::ui
