// Arbitrary bytes as the lines of a message page (split at "\n"), with the first
// byte choosing choices, a number input, a face and instant typing, and the rest
// replayed as keys, for a bounded number of frames.
#include "../scenes/MessageTestHost.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace kestra;
using namespace kestra::testing;

struct TFuzzBox {
    TFuzzBox() { face = CodedFaceSet(); }
    TTestWindowHost host;
    TTestMessageHost game{host};
    TVezMessageWindow box{host};
    TKandelBitmap face;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TFuzzBox f;
    if (size == 0) return 0;
    const std::uint8_t options = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }

    f.box.Hide();
    f.game.SetParty({1});
    f.game.SetName(1, "Fuzz");
    f.game.system.MessagePosition = options & 3;
    f.game.ShowFace((options & 4) != 0);
    f.box.RefreshFace();
    f.game.FaceOnRight((options & 8) != 0);
    f.game.testPlay = (options & 16) != 0;
    f.game.held = (options & 16) ? KButtonShift : 0;
    f.host.scene = (options & 32) ? KSceneBattle : KSceneField;
    if (options & 4) f.box.SetFaceBitmap(f.face, options >> 4, (options & 1) != 0);

    f.box.BeginMessage();
    const bool choices = (options & 64) != 0, number = (options & 128) != 0;
    std::size_t n = 0;
    for (; n < lines.size() && n < 3; ++n) f.box.AddLine(lines[n]);
    if (choices) {
        f.box.SetChoiceOptions(options % 6, nullptr);
        for (; n < lines.size(); ++n) f.box.AddChoice(lines[n]);
    } else if (number) {
        f.box.SetNumberInput(options % 11, 1);
    }
    for (int frame = 0; frame < 400 && f.box.Present(); ++frame) {
        const std::uint8_t key = data[static_cast<std::size_t>(frame) % size];
        f.game.pressed = static_cast<std::uint16_t>(key & (KButtonDecide | KButtonCancel));
        f.host.keys = static_cast<std::uint16_t>(key & 0x0F);
        f.box.Update();
        // Drawing costs most of a frame; every eighth one still reaches every path.
        if (frame % 8 == 7) f.box.Draw();
    }
    return 0;
}
