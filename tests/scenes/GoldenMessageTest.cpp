// The golden picture of a message: a face on the left, text in several colours with
// a half space and a special glyph, a choice list with its cursor, and the money
// box. Compared pixel for pixel; KESTRA_UPDATE_GOLDEN=1 writes it anew.
#include "../GoldenPicture.h"
#include "MessageTestHost.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelPng.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

// A round face in cell 0: skin, hair, eyes, cheeks and a smile.
TKandelBitmap DrawnFaceSet() {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, 192, 192);
    b.PaletteSize = 256;
    auto color = [&](int i, int r, int g, int bl) {
        b.Palette[static_cast<std::size_t>(i)] =
            TRgbQuad{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                     static_cast<std::uint8_t>(bl), 0};
    };
    color(1, 250, 215, 180); // skin
    color(2, 90, 50, 30);    // hair
    color(3, 30, 30, 60);    // eyes
    color(4, 240, 150, 150); // cheeks
    color(5, 150, 40, 40);   // mouth
    color(6, 60, 90, 160);   // collar
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const int dx = x - 24, dy = y - 24;
            const int d2 = dx * dx + dy * dy;
            int v = 0;
            if (d2 < 20 * 20) v = 1;
            if (d2 < 21 * 21 && y < 16) v = 2;
            if (y >= 42 && std::abs(dx) < 18) v = 6;
            if ((dx + 8) * (dx + 8) + (dy + 2) * (dy + 2) < 7) v = 3;
            if ((dx - 8) * (dx - 8) + (dy + 2) * (dy + 2) < 7) v = 3;
            if ((dx + 12) * (dx + 12) + (dy - 6) * (dy - 6) < 6) v = 4;
            if ((dx - 12) * (dx - 12) + (dy - 6) * (dy - 6) < 6) v = 4;
            if (y >= 32 && y <= 34 && std::abs(dx) < 9 - (y - 32) * 2) v = 5;
            b.Row(y)[x] = static_cast<std::uint8_t>(v);
        }
    return b;
}

// 旅の者よ、
constexpr const char* KTraveller = "\x97\xB7\x82\xCC\x8E\xD2\x82\xE6\x81\x41";

void RenderMessage(TTestWindowHost& host, TTestMessageHost& game) {
    host.system.LoadSystemBitmap(StyledSystemBitmap());
    TKandelBoard& board = host.board;
    for (int y = 0; y < board.Height(); ++y)
        board.FillRect(RectOfSize(0, y, board.Width(), 1), 40 + y / 4, 90 + y / 6, 60);

    game.ShowFace(true);
    game.system.MessagePosition = 2;
    game.system.MessageAvoidsParty = false;
    game.SetParty({1});
    game.SetName(1, "Mira");
    game.testPlay = true;
    game.held = KButtonShift; // typed in one frame
    game.SetGold(1234);
    host.game.Session->DataBase.Vocabulary.Term(0x5F) = "G";

    TVezMessageWindow box(host);
    // The state's face is taken over first; the drawn one stands in for its picture.
    box.RefreshFace();
    box.SetFaceBitmap(DrawnFaceSet(), 0, false);
    box.AlreadyOpenMark = true;
    box.BeginMessage();
    box.AddLine("\\$\\C[1]\\N[0]\\C[0]:\\_" + std::string(KTraveller) + "\\C[2]$A\\C[0]");
    box.AddLine("Where to, \\C[5]friend\\C[0]?");
    box.SetChoiceOptions(3, nullptr);
    box.AddChoice("\\C[4]North\\C[0] road");
    box.AddChoice("Back home");
    box.Update();
    game.held = 0;
    host.keys = KButtonDown;
    box.Update();
    host.keys = 0;
    // The gold box opens with its own animation.
    for (int k = 0; k < 9; ++k) box.Update();
    box.FrameCounter = 0;
    box.Draw();
}

TEST(GoldenMessage, FaceColoursAndChoices) {
    TTestWindowHost host;
    TTestMessageHost game{host};
    RenderMessage(host, game);
    test::CompareGolden(host.board, "message_choices.png");
}

} // namespace
