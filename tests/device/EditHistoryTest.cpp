// The edit history: a gesture is one step, undo and redo move steps between the stacks.
#include <gtest/gtest.h>

#include "device/EditHistory.h"

namespace plenum::device {
namespace {

EditStep Change(int offset, std::uint8_t before, std::uint8_t after) {
    return {{{false, offset, before, after}}, {{ParamFamily::InputGain, {}}}};
}

TEST(EditHistory, AGestureIsOneStepFromItsFirstToItsLastValue) {
    EditHistory history;
    history.beginGesture();
    history.record(Change(20, 131, 140));
    history.record(Change(20, 140, 150));
    history.record(Change(20, 150, 160));
    EXPECT_FALSE(history.canUndo());
    history.endGesture();
    const auto step = history.takeUndo();
    ASSERT_TRUE(step);
    ASSERT_EQ(step->bytes.size(), 1u);
    EXPECT_EQ(step->bytes[0].before, 131);
    EXPECT_EQ(step->bytes[0].after, 160);
    EXPECT_EQ(step->targets.size(), 1u);
    EXPECT_FALSE(history.canUndo());
    EXPECT_TRUE(history.canRedo());
}

TEST(EditHistory, ANewEditDropsTheRedoStackAndAGestureBackWhereItStartedIsNoStep) {
    EditHistory history;
    history.record(Change(20, 1, 2));
    history.record(Change(20, 2, 3));
    ASSERT_TRUE(history.takeUndo());
    EXPECT_TRUE(history.canRedo());
    history.record(Change(21, 0, 1));
    EXPECT_FALSE(history.canRedo());
    history.beginGesture();
    history.record(Change(22, 5, 6));
    history.record(Change(22, 6, 5));
    history.endGesture();
    const auto step = history.takeUndo();
    ASSERT_TRUE(step);
    EXPECT_EQ(step->bytes[0].offset, 21);
}

}  // namespace
}  // namespace plenum::device
