// The message box driven frame by frame: typing speeds and pauses, codes, the wait
// for a key, choices with cancel, the inn offer, number input, positions, the money
// box, faces, and texts written to break it.
#include "MessageTestHost.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"
#include "state/LGD_System.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

int InkIn(const TKandelSheet& sheet, const TRect& r) {
    int n = 0;
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, sheet.Height()); ++y)
        for (int x = std::max(r.Left, 0); x < std::min(r.Right, sheet.Width()); ++x)
            n += sheet.ScanLine(y)[x] != 0;
    return n;
}

class MessageTest : public ::testing::Test {
protected:
    void Frame(std::uint16_t pressed = 0, std::uint16_t repeated = 0) {
        game.pressed = pressed;
        host.keys = repeated;
        box.Update();
        game.pressed = 0;
        host.keys = 0;
    }
    // A page in a box that is already on screen, so typing starts with the next frame.
    void Show(const std::vector<std::string>& lines) {
        box.AlreadyOpenMark = true;
        box.BeginMessage();
        for (const auto& l : lines) box.AddLine(l);
    }
    // Frames until the page is fully typed (at most `limit`), then the frame of
    // pause after the last character, so that the box reads keys next.
    int TypeAll(int limit = 1000) {
        int n = 0;
        while (box.TypeLine < box.LineCount() && n < limit) {
            Frame();
            ++n;
        }
        while (box.Wait > 0) Frame();
        return n;
    }
    TTestWindowHost host;
    TTestMessageHost game{host};
    TVezMessageWindow box{host};
};

TEST(MessageBracketNumber, ReadsTheLeadingIntegerAndSaturates) {
    const TCodePage japanese{932, {}}, western{1252, {}};
    struct Case {
        const char* text;
        std::int32_t value;
        std::size_t end;
    };
    for (const Case& c :
         {Case{"[12]x", 12, 4}, Case{"[-3]", -3, 4}, Case{"[1a2]y", 1, 5}, Case{"[abc]", 0, 5},
          Case{"[]", 0, 2}, Case{"[12", 12, 3}, Case{"[99999999999999999999]", 2147483647, 22},
          Case{"[-99999999999999999999]", -2147483647 - 1, 23}, Case{"x", -1, 0},
          Case{"", -1, 0}}) {
        std::size_t pos = 0;
        EXPECT_EQ(ReadBracketNumber(c.text, pos, japanese), c.value) << c.text;
        EXPECT_EQ(pos, c.end) << c.text;
    }
    // A "]" that is the second byte of a double-byte character does not close.
    std::size_t pos = 0;
    EXPECT_EQ(ReadBracketNumber("[4\x83\x5D]", pos, japanese), 4);
    EXPECT_EQ(pos, 5u);
    // In code page 1252 the same bytes are two characters, and the "]" closes.
    pos = 0;
    EXPECT_EQ(ReadBracketNumber("[4\x83\x5D]", pos, western), 4);
    EXPECT_EQ(pos, 4u);
}

TEST_F(MessageTest, LinesExpandNamesVariablesAndHalfSpaces) {
    game.SetParty({1});
    game.SetName(1, "Ann");
    game.SetName(2, "Bo");
    game.system.SetVariable(5, -42);
    Show({"\\N[0] & \\n[2]", "\\V[5]\\_x\\\\N[1]", "\\N[9]|\\N|\\V[999999999]", "\x83\x5CN[1]"});
    ASSERT_EQ(box.LineCount(), 4);
    EXPECT_EQ(box.Lines[0], "Ann & Bo");
    EXPECT_EQ(box.Lines[1], "-42\x01x\\\\N[1]");
    EXPECT_EQ(box.Lines[2], "||0");
    // The backslash inside a double-byte character is not a code.
    EXPECT_EQ(box.Lines[3], "\x83\x5CN[1]");
    box.AddLine("fifth");
    EXPECT_EQ(box.LineCount(), 4);

    game.SetParty({});
    Show({"[\\N[0]]"});
    EXPECT_EQ(box.Lines[0], "[]");
}

TEST_F(MessageTest, TypingSpeeds) {
    // Speed 1: two half-width letters a frame.
    Show({"ABCDE"});
    Frame();
    EXPECT_EQ(box.TypePos, 2);
    Frame();
    EXPECT_EQ(box.TypePos, 4);
    Frame();
    EXPECT_EQ(box.TypeLine, 1);
    EXPECT_GT(InkIn(box.ContentImage, {8, 8, 40, 24}), 0);

    // Speed 2: one letter every second frame.
    Show({"\\S[2]abc"});
    std::vector<int> x;
    for (int k = 0; k < 4; ++k) {
        Frame();
        x.push_back(box.TypeX);
    }
    EXPECT_EQ(x, (std::vector<int>{6, 6, 12, 12}));

    // Speed 20: a double-byte character, then 20 frames of pause.
    Show({"\\S[20]\x82\xA0\x82\xA2"});
    Frame();
    EXPECT_EQ(box.TypeX, 12);
    for (int k = 0; k < 20; ++k) Frame();
    EXPECT_EQ(box.TypeX, 12);
    Frame();
    EXPECT_EQ(box.TypeLine, 1);

    // Speeds outside 1..20 are limited.
    Show({"\\S[99]a", "\\S[-4]b"});
    Frame();
    EXPECT_EQ(box.Speed, 20);
}

TEST_F(MessageTest, ColourCodeTakesEffectWithoutPause) {
    Show({"\\C[3]AB"});
    Frame();
    EXPECT_EQ(box.TextColour, 3);
    EXPECT_EQ(box.TypeLine, 1);
    int colour3 = 0, other = 0;
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 20; ++x) {
            const int v = box.ContentImage.ScanLine(y)[x];
            if (v == CodedPattern(3, 0) || v == CodedPattern(3, 1))
                ++colour3;
            else if (v != 0 && v != KCodedShadow)
                ++other;
        }
    EXPECT_GT(colour3, 0);
    EXPECT_EQ(other, 0);

    Show({"\\C[25]AB"});
    Frame();
    EXPECT_EQ(box.TextColour, 0);
}

TEST_F(MessageTest, PausesAndInstantTyping) {
    Show({"A\\.B"});
    EXPECT_EQ(TypeAll(), 18); // A, the code, 15 frames, B
    Show({"A\\|B"});
    EXPECT_EQ(TypeAll(), 63);
    Show({"\\>A\\.B\\|C\\<D"});
    EXPECT_EQ(TypeAll(), 2); // all but D in one frame, then D
    // Test play with Shift held types a whole page at once.
    game.testPlay = true;
    game.held = KButtonShift;
    Show({"A\\.B\\|", "second line", "\\S[20]slow"});
    EXPECT_EQ(TypeAll(), 1);
    game.held = 0;
    Show({"A\\.B"});
    EXPECT_EQ(TypeAll(), 18);
}

TEST_F(MessageTest, WaitForKeyHoldsTheTyping) {
    Show({"A\\!B"});
    Frame();
    Frame();
    ASSERT_TRUE(box.WaitForKey);
    const int pos = box.TypePos;
    for (int k = 0; k < 30; ++k) Frame();
    EXPECT_EQ(box.TypePos, pos);
    Frame(KButtonDecide);
    EXPECT_FALSE(box.WaitForKey);
    EXPECT_EQ(box.TypeLine, 1);
    // The box then waits for its own key.
    for (int k = 0; k < 10; ++k) Frame();
    EXPECT_EQ(box.TVezWindow::ClosePhase, 0);
    Frame(KButtonCancel);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 1);
    for (int k = 0; k < 7; ++k) Frame();
    EXPECT_FALSE(box.Present());
}

TEST_F(MessageTest, WaitMarkBlinksBelowATypedPage) {
    Show({"Done"});
    TypeAll();
    const TRect mark = RectOfSize(box.X + box.Width / 2 - 8, box.Y + box.Height - 8, 16, 8);
    auto markPixels = [&] {
        std::vector<std::uint16_t> p;
        for (int y = mark.Top; y < mark.Bottom; ++y)
            for (int x = mark.Left; x < mark.Right; ++x) p.push_back(host.board.ScanLine(y)[x]);
        return p;
    };
    host.board.FillRect(host.board.GetBounds(), 0, 0, 0);
    box.FrameCounter = 0;
    box.Draw();
    const auto shown = markPixels();
    host.board.FillRect(host.board.GetBounds(), 0, 0, 0);
    box.FrameCounter = 25;
    box.Draw();
    EXPECT_NE(shown, markPixels());
    // "\^" closes by itself and shows no mark.
    Show({"Bye\\^"});
    TypeAll();
    Frame();
    EXPECT_EQ(box.TVezWindow::ClosePhase, 1);
}

TEST_F(MessageTest, ChoicesWithCancel) {
    std::vector<std::uint8_t> written;
    Show({"Which?"});
    box.SetChoiceOptions(5, [&](std::uint8_t v) { written.push_back(v); });
    for (const char* c : {"Red", "Green", "Blue"}) box.AddChoice(c);
    EXPECT_EQ(box.ItemCount, 3);
    EXPECT_EQ(box.ContentTop, 24);
    EXPECT_EQ(box.Lines[1], "  Red");
    TypeAll();
    ASSERT_TRUE(box.CursorActive);
    Frame(0, KButtonDown);
    Frame(0, KButtonDown);
    Frame(0, KButtonDown); // wraps to the first choice
    Frame(0, KButtonDown);
    EXPECT_EQ(box.CursorIndex, 1);
    EXPECT_EQ(host.CursorSounds(), 4);
    Frame(KButtonCancel);
    EXPECT_EQ(written, (std::vector<std::uint8_t>{4}));
    EXPECT_EQ(box.Result(), 4);
    EXPECT_EQ(game.Sounds().back(), KSoundCancel);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 1);

    // Without cancel, the cancel key does nothing; decide answers the cursor.
    Show({"Which?"});
    EXPECT_EQ(box.Result(), KNoMessageResult);
    box.SetChoiceOptions(0, nullptr);
    for (const char* c : {"Red", "Green", "Blue"}) box.AddChoice(c);
    TypeAll();
    Frame();
    Frame(0, KButtonUp);
    Frame(KButtonCancel);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 0);
    Frame(KButtonDecide);
    EXPECT_EQ(box.Result(), 2);
    EXPECT_EQ(game.Sounds().back(), KSoundDecide);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 1);
}

TEST_F(MessageTest, InnOfferNeedsTheMoney) {
    game.SetGold(40);
    Show({"Stay for 50?"});
    box.SetPriceCheck(50);
    box.SetChoiceOptions(2, nullptr);
    box.AddChoice("Stay");
    box.AddChoice("Leave");
    TypeAll();
    Frame();
    Frame(KButtonDecide);
    EXPECT_EQ(game.Sounds().back(), KSoundBuzzer);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 0);
    EXPECT_EQ(box.Result(), KNoMessageResult);
    EXPECT_TRUE(box.PriceCheck());
    Frame(KButtonCancel);
    EXPECT_EQ(box.Result(), 1);

    game.SetGold(50);
    Show({"Stay for 50?"});
    EXPECT_FALSE(box.PriceCheck()); // a new message clears the offer
    box.SetPriceCheck(50);
    box.SetChoiceOptions(2, nullptr);
    box.AddChoice("Stay");
    box.AddChoice("Leave");
    TypeAll();
    Frame(KButtonDecide);
    EXPECT_EQ(box.Result(), 0);
}

TEST_F(MessageTest, NumberInputDigits) {
    Show({"How many?"});
    box.SetNumberInput(3, 7);
    TypeAll();
    Frame(); // the digits appear
    ASSERT_TRUE(box.CursorActive);
    EXPECT_EQ(box.NumberValue, 0);
    EXPECT_EQ(box.Columns, 3);
    EXPECT_EQ(box.ContentTop, 24);
    Frame(0, KButtonUp);
    EXPECT_EQ(box.NumberValue, 100);
    Frame(0, KButtonRight);
    EXPECT_EQ(box.CursorIndex, 1);
    Frame(0, KButtonDown); // 0 becomes 9
    EXPECT_EQ(box.NumberValue, 190);
    Frame(0, KButtonRight);
    Frame(0, KButtonRight); // stays on the last digit
    EXPECT_EQ(box.CursorIndex, 2);
    for (int k = 0; k < 12; ++k) Frame(0, KButtonUp); // 9 wraps to 0 and on to 2
    EXPECT_EQ(box.NumberValue, 192);
    Frame(KButtonCancel);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 0);
    // The digits are drawn on a cleared row: the middle cell shows one glyph.
    box.Draw();
    const int afterNine = InkIn(box.ContentImage, {32, 24, 44, 40});
    Frame(0, KButtonLeft);
    Frame(0, KButtonUp); // 9 -> 0
    box.Draw();
    EXPECT_EQ(box.NumberValue, 102);
    EXPECT_NE(InkIn(box.ContentImage, {32, 24, 44, 40}), afterNine);
    Frame(KButtonDecide);
    EXPECT_EQ(game.system.Variable(7), 102);
    EXPECT_EQ(box.TVezWindow::ClosePhase, 1);

    // Digits are limited to 1..9, so the value always fits.
    Show({});
    box.SetNumberInput(40, 1);
    EXPECT_EQ(box.NumberDigits, 9);
    Frame();
    for (int k = 0; k < 9; ++k) {
        Frame(0, KButtonDown);
        Frame(0, KButtonRight);
    }
    EXPECT_EQ(box.NumberValue, 999999999);
    box.SetNumberInput(-3, 1);
    EXPECT_EQ(box.NumberDigits, 1);
}

TEST_F(MessageTest, PositionAvoidsTheHero) {
    for (auto [heroY, position] : {std::pair{112, 2}, {152, 0}, {151, 1}, {113, 1}})
        EXPECT_EQ(MessagePositionFor(1, true, heroY), position) << heroY;
    EXPECT_EQ(MessagePositionFor(1, false, 200), 1);
    // The box over the game: the hero stands on the start tile of the test map.
    game.system.MessagePosition = 1;
    game.system.MessageAvoidsParty = true;
    const std::int32_t heroY = host.State().Hero.ScreenY();
    box.BeginMessage();
    EXPECT_EQ(box.Y, 80 * MessagePositionFor(1, true, heroY)) << heroY;
    game.system.MessageAvoidsParty = false;
    game.system.MessagePosition = 7; // out of range
    box.BeginMessage();
    EXPECT_EQ(box.Position, 2);
    host.scene = KSceneBattle;
    game.system.MessagePosition = 0;
    box.BeginMessage();
    EXPECT_EQ(box.Y, 160);
}

TEST_F(MessageTest, OpeningOnceAndClosing) {
    box.BeginMessage();
    EXPECT_EQ(box.OpenPhase, 1);
    EXPECT_TRUE(box.AlreadyOpen());
    for (int k = 0; k < 7; ++k) Frame();
    EXPECT_EQ(box.OpenPhase, 8);
    // A close followed by a message in the same frame keeps the box open.
    box.Close();
    EXPECT_EQ(box.ClosePhase(), 1);
    box.BeginMessage();
    EXPECT_EQ(box.ClosePhase(), 0);
    EXPECT_EQ(box.OpenPhase, 8);
    box.Hide();
    EXPECT_FALSE(box.AlreadyOpen());
    EXPECT_FALSE(box.Present());
    box.BeginMessage();
    EXPECT_EQ(box.OpenPhase, 1);
    // In battle a close hides at once.
    host.scene = KSceneBattle;
    box.BeginMessage();
    box.Close();
    EXPECT_FALSE(box.Present());
}

TEST_F(MessageTest, TransparentBoxShowsOnlyText) {
    game.system.MessageTransparent = 1;
    Show({"See through"});
    EXPECT_TRUE(box.WindowImage.Transparent);
    EXPECT_FALSE(box.IsOpenOpaque());
    EXPECT_EQ(InkIn(box.BackImage, box.BackImage.GetBounds()), 0);
    TypeAll();
    EXPECT_GT(InkIn(box.WindowImage, box.WindowImage.GetBounds()), 0);
}

TEST_F(MessageTest, MoneyBoxFromTheText) {
    Show({"\\$Buy?"});
    EXPECT_TRUE(box.GoldWindow.IsPresent());
    EXPECT_EQ(box.GoldWindow.Y, 0);
    game.system.MessageAvoidsParty = false;
    game.system.MessagePosition = 0;
    box.Hide();
    Show({"x", "\\$"});
    EXPECT_FALSE(box.GoldWindow.IsPresent()); // only a first line calls it at once
    TypeAll();
    EXPECT_TRUE(box.GoldWindow.IsPresent()); // the typing obeys the code
    EXPECT_EQ(box.GoldWindow.Y, 208);
    box.Close();
    EXPECT_EQ(box.GoldWindow.ClosePhase, 1);
    box.Hide();
    host.scene = KSceneBattle;
    Show({"\\$"});
    EXPECT_FALSE(box.GoldWindow.IsPresent());
}

TEST_F(MessageTest, FaceMovesTheText) {
    box.SetFaceBitmap(CodedFaceSet(), 5, false);
    EXPECT_EQ(box.Face.ScanLine(10)[30], 15);
    box.SetFaceBitmap(CodedFaceSet(), 5, true);
    EXPECT_EQ(box.Face.ScanLine(10)[30], 45);
    box.SetFaceBitmap(CodedFaceSet(), 99, false); // limited to the 16 cells
    EXPECT_EQ(box.Face.ScanLine(0)[30], 25);

    const std::string longLine(60, 'W');
    // The state shows a face with the message; the coded one stands in for its picture.
    game.ShowFace(true);
    box.RefreshFace();
    box.SetFaceBitmap(CodedFaceSet(), 99, false);
    Show({longLine});
    TypeAll();
    EXPECT_EQ(InkIn(box.ContentImage, {0, 8, 80, 24}), 0);
    EXPECT_GT(InkIn(box.ContentImage, {80, 8, 96, 24}), 0);
    host.board.FillRect(host.board.GetBounds(), 0, 0, 0);
    box.Draw();
    EXPECT_EQ(host.board.ScanLine(box.Y + 16 + 10)[16 + 30], box.Face.Colors[25]);

    game.FaceOnRight(true);
    Show({longLine});
    TypeAll();
    EXPECT_GT(InkIn(box.ContentImage, {8, 8, 24, 24}), 0);
    EXPECT_EQ(InkIn(box.ContentImage, {248, 0, 320, 96}), 0);
    game.ShowFace(false);
    Show({longLine});
    TypeAll();
    EXPECT_GT(InkIn(box.ContentImage, {248, 8, 310, 24}), 0);

    // Choices beside a face on the left start right of it.
    game.ShowFace(true);
    game.FaceOnRight(false);
    Show({"Q"});
    box.AddChoice("A");
    TypeAll();
    EXPECT_EQ(box.ContentLeft, 86);
    EXPECT_EQ(box.ItemWidth, 220);
    box.RemoveFace();
    EXPECT_FALSE(box.FaceShown());
}

TEST_F(MessageTest, HostileTextsEndSafely) {
    game.SetParty({});
    const std::vector<std::string> hostile = {
        "\\",
        "abc\\",
        "\x82",
        "ab\x82",
        "\\C[25]x",
        "\\V[999999999]",
        "\\N[0]",
        "\\C[99999999999999999999]z",
        "\\S[-5]q",
        "\\C[",
        "\\C[3",
        "[",
        "\\$",
        "$",
        "$$",
        "\\\x82\xA0",
        "\\\x82",
        "\\S[",
        "\\\\",
        "\\\\\\",
        std::string(600, '\\'),
        std::string("\0\\\0", 3),
        "\\N[0]\\N[-1]\\V[-7]",
        std::string(600, 'x') + "\\!",
    };
    for (const auto& text : hostile) {
        Show({text, text, text, text});
        box.SetChoiceOptions(1, nullptr);
        box.AddChoice(text);
        int frames = 0;
        while (box.Present() && frames < 10000) {
            Frame(frames % 7 == 6 ? KButtonDecide : 0, KButtonDown);
            box.Draw();
            ++frames;
        }
        EXPECT_FALSE(box.Present()) << "text of " << text.size() << " bytes";
    }
    // A number input below a full page lies outside the box; drawing clips it.
    Show({"1", "2", "3", "4"});
    box.SetNumberInput(9, 1);
    TypeAll();
    for (int k = 0; k < 9; ++k) {
        Frame(0, KButtonUp);
        box.Draw();
    }
    EXPECT_EQ(box.NumberValue, 900000000);
    // Expanded lines are cut.
    game.SetName(1, std::string(3000, 'n'));
    Show({"\\N[1]\\N[1]\\N[1]"});
    EXPECT_EQ(box.Lines[0].size(), 4096u);
}

} // namespace
