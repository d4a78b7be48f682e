#pragma once
// The message box's side of the real test game (see WindowTestHost.h): the game's
// pressed and held buttons and test-play flag, the game state's message options,
// party, actor names and variables, and the system sounds it played.
#include "WindowTestHost.h"
#include "data/DataBase.h"
#include "scenes/GameWindowsMessage.h"

#include <vector>

namespace kestra::testing {

class TTestMessageHost {
public:
    explicit TTestMessageHost(TTestWindowHost& host)
        : pressed(host.game.Input->Pressed), held(host.game.Input->Held),
          testPlay(host.game.Config.TestPlayMode), system(host.State().System), host_(host) {
        testPlay = false;
        system.MessagePosition = 2;
        system.MessageAvoidsParty = false;
        system.MessageTransparent = 0;
    }

    // The system sounds played so far, by their 0-based order (KSoundDecide ...).
    std::vector<int> Sounds() const {
        const TVezSystem& db = host_.game.Session->DataBase.System;
        std::vector<int> which;
        for (const std::string& name : host_.Sounds())
            for (int k = 0; k < 4; ++k)
                if (name == "Sound/" + db.Sound[static_cast<std::size_t>(k)].Name)
                    which.push_back(k);
        return which;
    }
    // The party's members in order.
    void SetParty(const std::vector<std::int32_t>& members) {
        TLcfgPartyInfo& party = host_.State().PartyInfo;
        party.Members.clear();
        for (std::int32_t id : members) party.AddMember(id);
    }
    void SetName(std::int32_t actor, const std::string& name) {
        host_.State().Actors.Get(actor).SetName(name);
    }
    // The state's face (the test game's "Faces" set) shown with an event's message.
    void ShowFace(bool visible) {
        if (system.FaceGraphic.empty()) system.SetFace("Faces", 0, system.FaceRight != 0, false);
        system.MessageActive = visible;
    }
    void FaceOnRight(bool right) { system.FaceRight = right ? 1 : 0; }
    void SetGold(std::int32_t gold) { host_.State().PartyInfo.Gold = gold; }

    std::uint16_t& pressed;
    std::uint16_t& held;
    bool& testPlay;
    TLcfgSystem& system;

private:
    TTestWindowHost& host_;
};

// A 192 x 192 face set whose cell k is filled with index 10 + k, with a darker
// index 40 + k in its left half so that mirroring shows.
inline TKandelBitmap CodedFaceSet() {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, 192, 192);
    b.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        b.Palette[static_cast<std::size_t>(i)] =
            TRgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                     static_cast<std::uint8_t>(255 - i), 0};
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 192; ++x) {
            const int k = x / 48 + 4 * (y / 48);
            b.Row(y)[x] = static_cast<std::uint8_t>((x % 48 < 24 ? 40 : 10) + k);
        }
    return b;
}

} // namespace kestra::testing
