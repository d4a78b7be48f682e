#pragma once
// The game seen by a message box in tests: scripted pressed and held keys, the
// sounds it asked for, message options, actor names and variables.
#include "WindowTestHost.h"
#include "scenes/GameWindowsMessage.h"

#include <map>
#include <vector>

namespace kestra::testing {

class TTestMessageHost : public IVezMessageHost {
public:
    std::uint16_t PressedButtons() override { return pressed; }
    std::uint16_t HeldButtons() override { return held; }
    bool TestPlay() override { return testPlay; }
    void PlaySystemSound(int which) override { sounds.push_back(which); }
    TVezMessageSettings MessageSettings() override { return settings; }
    std::int32_t HeroScreenY() override { return heroY; }
    std::string ActorName(std::int32_t id) override {
        if (id == 0) id = party.empty() ? -1 : party.front();
        auto found = names.find(id);
        return found == names.end() ? std::string() : found->second;
    }
    std::int32_t Variable(std::int32_t id) override {
        auto found = variables.find(id);
        return found == variables.end() ? 0 : found->second;
    }
    void SetVariable(std::int32_t id, std::int32_t value) override { variables[id] = value; }

    std::uint16_t pressed = 0, held = 0;
    bool testPlay = false;
    std::vector<int> sounds;
    TVezMessageSettings settings;
    std::int32_t heroY = 128;
    std::vector<std::int32_t> party;
    std::map<std::int32_t, std::string> names;
    std::map<std::int32_t, std::int32_t> variables;
};

class TTestGold : public IVezPartyView {
public:
    std::int32_t Gold() override { return gold; }
    std::string Term(int) override { return "G"; }
    int InventorySize() override { return 0; }
    TVezInventoryEntry InventoryEntry(int) override { return {}; }
    std::string ItemName(std::int32_t) override { return ""; }
    std::string ItemDescription(std::int32_t) override { return ""; }
    bool PartyCanUseItem(std::int32_t) override { return false; }
    bool ActorCanUseItem(std::int32_t, std::int32_t) override { return false; }
    TVezActorLine ActorLine(std::int32_t) override { return {}; }
    std::vector<std::int32_t> ActorSkills(std::int32_t) override { return {}; }
    bool ActorHalvesMpCost(std::int32_t) override { return false; }
    bool ActorCanUseSkill(std::int32_t, std::int32_t) override { return false; }
    std::string SkillName(std::int32_t) override { return ""; }
    std::string SkillDescription(std::int32_t) override { return ""; }
    std::int32_t SkillMpCost(std::int32_t) override { return 0; }

    std::int32_t gold = 500;
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
