#include "data/LD_CmnEvent.h"
#include "data/LD_Event.h"
#include "data/LD_MoveRoute.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(const TChunkCodec& c) {
    TByteWriter w;
    c.EncodeTo(w);
    return w.Bytes;
}

template <class T>
void DecodeInto(T& codec, const Bytes& b, const char* name = "cmds.bin") {
    TByteReader r(b, name);
    codec.DecodeFrom(r);
}

Bytes Chunk(std::int32_t id, const Bytes& payload) {
    TByteWriter w;
    WriteVarInt(w, id);
    WriteVarInt(w, static_cast<std::int32_t>(payload.size()));
    w.WriteBytes(payload);
    return w.Bytes;
}

TVezMoveRouteItem M(std::int32_t code, std::int32_t arg = 0, std::string name = "",
                    std::int32_t volume = 0, std::int32_t tempo = 0, std::int32_t balance = 0) {
    return TVezMoveRouteItem{code, arg, std::move(name), volume, tempo, balance};
}

} // namespace

TEST(EventCommands, LineEncodingMatchesTheFormat) {
    TVezEventScriptList list;
    list.Lines = {{10110, 2, "abc", {1, 300}}};
    EXPECT_EQ(Encode(list), (Bytes{0xCE, 0x7E, 0x02, 0x03, 'a', 'b', 'c', 0x02, 0x01, 0x82, 0x2C}));
    TVezEventScriptList back;
    DecodeInto(back, Encode(list));
    EXPECT_EQ(back.Lines, list.Lines);
    EXPECT_EQ(back.LineAt(0).Param(1), 300);
    EXPECT_EQ(back.LineAt(0).Param(2), 0);
    EXPECT_EQ(back.LineAt(0).Param(-1), 0);
    back.Lines[0].SetParam(5, 9);
    EXPECT_EQ(back.LineAt(0).ParamCount(), 2);
}

TEST(EventCommands, TruncatedOrHostileListsRaise) {
    TVezEventScriptList list;
    // Cut inside the text.
    EXPECT_THROW(DecodeInto(list, {0x01, 0x00, 0x05, 'a'}), EStreamReadError);
    // A parameter count far above the bytes left is refused before anything is allocated.
    try {
        DecodeInto(list, {0x01, 0x00, 0x00, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x01}, "huge.bin");
        FAIL();
    } catch (const EStreamReadError& e) {
        EXPECT_STREQ(e.what(), "huge.bin: offset 3: parameter count 2147483647 exceeds the 1 "
                               "bytes left");
    }
    // Cut inside the parameters.
    EXPECT_THROW(DecodeInto(list, {0x01, 0x00, 0x00, 0x02, 0x05}), EStreamReadError);
}

TEST(EventPages, DefaultsAndCommandChunks) {
    // A page without chunks 51 and 52 holds only the terminating line.
    TVezEventPageItem page(1);
    page.Decode(Bytes{0x00});
    ASSERT_EQ(page.Commands.Count(), 1u);
    EXPECT_EQ(page.Commands.LineAt(0), TVezEventScriptLine{});
    EXPECT_EQ(page.Direction, 2);
    EXPECT_EQ(page.MoveSpeed, 3);
    EXPECT_EQ(page.Condition.Actor, 1);
    EXPECT_TRUE(page.MoveRoute.Repeat);

    // The default command list is written as four zero bytes with a size chunk of 4.
    Bytes enc = page.Encode();
    Bytes tail = Bytes{0x33, 0x01, 0x04, 0x34, 0x04, 0, 0, 0, 0, 0x00};
    ASSERT_GE(enc.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), enc.end() - tail.size()));

    // A size chunk that disagrees with the block: the block's real length governs.
    TVezEventScriptList two;
    two.Lines = {{10, 0, "", {7}}, {0, 0, "", {}}};
    Bytes block = Encode(two);
    Bytes file = Chunk(51, {0x02});
    Bytes c52 = Chunk(52, block);
    file.insert(file.end(), c52.begin(), c52.end());
    file.push_back(0);
    page.Decode(file);
    EXPECT_EQ(page.Commands.Lines, two.Lines);
    // and the size is written from the list again.
    Bytes again = page.Encode();
    Bytes size51{0x33, 0x01, static_cast<std::uint8_t>(block.size())};
    EXPECT_NE(std::search(again.begin(), again.end(), size51.begin(), size51.end()), again.end());
}

TEST(EventPages, EventsRoundTripAndAlwaysStartWithAPage) {
    TVezEventItem fresh(4);
    ASSERT_EQ(fresh.Pages.Count(), 1u);
    EXPECT_EQ(fresh.Pages.ItemAt(0)->Id, 1);

    TVezEvent events;
    auto& e = events.Obtain(3);
    e.Name = "door";
    e.X = 7;
    e.Y = -2;
    auto& p2 = e.Pages.Obtain(2);
    p2.Condition.Flags = KCondSwitchA | KCondTimer;
    p2.Condition.Timer = 30;
    p2.Condition.Actor = 0;
    p2.Graphic = "Hero";
    p2.Trigger = 3;
    p2.MoveRoute.Repeat = false;
    p2.MoveRoute.Commands.Items = {M(1), M(32, 4)};
    p2.Commands.Lines = {{10110, 0, "hello", {}}, {0, 0, "", {}}};
    TByteWriter w;
    events.SaveToStream(w);
    TVezEvent back;
    TByteReader r(w.Bytes, "events.bin");
    back.LoadFromStream(r);
    EXPECT_TRUE(back.Equals(events));
    const auto& bp = back.Get(3).Pages.Get(2);
    EXPECT_EQ(bp.Condition.Actor, 0);
    EXPECT_EQ(bp.Condition.Timer, 30);
    EXPECT_EQ(bp.MoveRoute.Count(), 2u);
    EXPECT_EQ(bp.Commands.LineAt(0).Text, "hello");
    EXPECT_THROW(back.Get(3).Pages.At(2), ELookupError);
    EXPECT_THROW(back.Get(1), ELookupError);
}

TEST(MoveRoutes, EncodingTruncationAndComparison) {
    TVezMoveRoute route;
    route.Commands.Items = {M(1), M(32, 5), M(34, 2, "Hero"), M(35, 0, "Step", 90, 110, 40)};
    Bytes enc = Encode(route.Commands);
    EXPECT_EQ(enc, (Bytes{1, 32, 5, 34, 4, 'H', 'e', 'r', 'o', 2, 35, 4, 'S', 't', 'e', 'p', 90,
                          110, 40}));
    TVezMoveRoute back;
    back.SetFromBytes(enc);
    EXPECT_EQ(back.Commands.Items, route.Commands.Items);

    // Ending in the middle of a command raises; the partial mode keeps the good prefix.
    Bytes cut(enc.begin(), enc.begin() + 7);
    EXPECT_THROW(back.SetFromBytes(cut), EStreamReadError);
    back.SetFromBytes(cut, true);
    EXPECT_EQ(back.Count(), 2u);
    // A string length beyond the bytes left.
    EXPECT_THROW(back.SetFromBytes(Bytes{34, 0x7F, 'a'}), EStreamReadError);

    // Same codes, other arguments: the same route.
    TVezMoveRoute other;
    other.Commands.Items = {M(1), M(32, 9), M(34, 0, "X"), M(35)};
    EXPECT_TRUE(route.SameAs(other));
    other.Commands.Items[0].Code = 2;
    EXPECT_FALSE(route.SameAs(other));
    other.Commands.Items.pop_back();
    EXPECT_FALSE(route.SameAs(other));

    // Through the record chunks.
    route.SkipBlocked = true;
    TVezMoveRoute rec;
    rec.Decode(route.Encode());
    EXPECT_TRUE(rec.Equals(route));
    EXPECT_TRUE(rec.SkipBlocked);
}

TEST(CommonEvents, DefaultsAndAutoStart) {
    TVezCommonEventItem ce(1);
    EXPECT_EQ(ce.Trigger, TVezCommonEventItem::KTriggerCall);
    EXPECT_EQ(ce.Switch, 1);
    ce.Trigger = TVezCommonEventItem::KTriggerAuto;
    EXPECT_FALSE(ce.CanAutoStart());
    ce.Commands.Lines.insert(ce.Commands.Lines.begin(), TVezEventScriptLine{10110, 0, "x", {}});
    EXPECT_TRUE(ce.CanAutoStart());
    TVezCommonEventItem back(1);
    back.Decode(ce.Encode());
    EXPECT_TRUE(back.Equals(ce));
    EXPECT_TRUE(back.CanAutoStart());
}
