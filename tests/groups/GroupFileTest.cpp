#include "groups/GroupFile.h"

#include <gtest/gtest.h>

namespace plenum {
namespace {

GroupRecord SampleGroup() {
    GroupRecord g;
    g.Name = "Main PA";
    g.InUse = kTrue16;
    g.EqOnSub = kTrue16;
    g.Member[3] = g.Member[4] = g.Member[7] = kTrue16;
    g.HasSub = 1;
    g.LeftDev = 3, g.RightDev = 4, g.SubDev = 7;
    g.Mute = 1;
    g.EqBypass = 0;
    for (std::size_t i = 0; i < g.Peq.size(); ++i) g.Peq[i] = static_cast<std::uint8_t>(i * 7);
    g.Gain = 131;
    g.SatDelay = {0, 70, 47};
    g.SubDelay = {1, 2, 3};
    return g;
}

TEST(GroupFile, FixedSizeAndRoundTrip) {
    BinaryWriter out;
    WriteGroupRecord(out, SampleGroup());
    ASSERT_EQ(out.size(), kGroupRecordSize);
    EXPECT_EQ(out.data()[0], 7);                 // name count
    EXPECT_EQ(out.data()[80], 0xFF);             // InUse = -1
    EXPECT_EQ(out.data()[84 + 2 * 3], 0xFF);     // Member[3]
    EXPECT_EQ(out.data()[134], 1);               // HasSub
    EXPECT_EQ(out.data()[169], 131);             // Gain
    EXPECT_EQ(out.data()[171], 70);              // SatDelay low byte
    BinaryReader in(out.data());
    EXPECT_EQ(ReadGroupRecord(in), SampleGroup());
    EXPECT_TRUE(in.ok());
    EXPECT_TRUE(in.atEnd());
}

TEST(GroupFile, LongNameIsCutAndRecordStaysFixed) {
    GroupRecord g = SampleGroup();
    g.Name = std::string(200, 'x');
    BinaryWriter out;
    WriteGroupRecord(out, g);
    EXPECT_EQ(out.size(), kGroupRecordSize);
    BinaryReader in(out.data());
    EXPECT_EQ(ReadGroupRecord(in).Name, std::string(kGroupNameMax, 'x'));
}

TEST(GroupFile, MalformedRecordsFail) {
    struct Row {
        const char* name;
        std::size_t offset;
        std::uint8_t value;
    } rows[] = {{"name longer than the field", 0, 79}, {"InUse neither 0 nor -1", 80, 5},
                {"member flag 2", 84, 2},              {"HasSub 2", 134, 2},
                {"left device 25", 136, 25}};
    for (const auto& row : rows) {
        BinaryWriter out;
        WriteGroupRecord(out, SampleGroup());
        Bytes bytes = out.take();
        bytes[row.offset] = row.value;
        if (row.offset == 84 || row.offset == 80) bytes[row.offset + 1] = 0;
        BinaryReader in(bytes);
        ReadGroupRecord(in);
        EXPECT_FALSE(in.ok()) << row.name;
    }
}

}  // namespace
}  // namespace plenum
