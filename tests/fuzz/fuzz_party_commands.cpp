// Runs arbitrary sequences of party, actor and system commands with arbitrary
// parameters on the real game object over a small game, and checks after each that the state stays
// in range. Input: per command one byte choosing the code, one byte of parameter count (low 3 bits
// + 1) and that many little-endian 32-bit parameters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzGame.h"
#include "base/Errors.h"
#include "base/Random.h"
#include "interpreter/LGD_ScripterParty.h"
#include "media/Tonica.h"
#include "state/LGD_GameState.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckState(const kestra::TLcfgGameState& game) {
    const auto& party = game.PartyInfo;
    Check(party.MemberCount() <= kestra::KMaxPartySize);
    Check(party.Gold >= 0 && party.Gold <= kestra::KMaxGold);
    for (std::int32_t i = 0; i < party.ItemCount(); ++i) {
        Check(party.ItemAmountAt(i) >= 1 && party.ItemAmountAt(i) <= kestra::KMaxItemAmount);
        Check(i == 0 || party.ItemIdAt(i - 1) < party.ItemIdAt(i));
    }
    for (std::size_t i = 0; i < game.Actors.Count(); ++i) {
        const auto& a = game.Actors.At(i);
        Check(a.HP >= 0 && a.HP <= a.MaxHP());
        Check(a.MP >= 0 && a.MP <= a.MaxMP());
        Check(a.Level >= 1 && a.Level <= a.FinalLevel());
        Check(a.Experience >= 0 && a.Experience <= kestra::KMaxExperience);
        for (auto b : a.Bonus) Check(std::abs(b) <= kestra::KMaxParameterBonus);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kestra::test::TFuzzGame fuzz;
    kestra::TGameMain& main = fuzz.NewGame();
    kestra::TLcfgGameState& game = main.Session->Save->State;
    kestra::TLcfgPartyCommands commands(main);
    const auto& codes = kestra::TLcfgPartyCommands::Codes();

    std::size_t pos = 0;
    while (pos + 2 <= size) {
        std::int32_t code = codes[data[pos] % codes.size()];
        std::size_t count = (data[pos + 1] & 7u) + 1;
        pos += 2;
        std::vector<std::int32_t> params;
        for (std::size_t i = 0; i < count && pos + 4 <= size; ++i, pos += 4)
            params.push_back(
                static_cast<std::int32_t>(static_cast<std::uint32_t>(data[pos]) |
                                          static_cast<std::uint32_t>(data[pos + 1]) << 8 |
                                          static_cast<std::uint32_t>(data[pos + 2]) << 16 |
                                          static_cast<std::uint32_t>(data[pos + 3]) << 24));
        try {
            commands.Run(code, params, "(OFF)");
        } catch (const kestra::ELookupError&) {
        } catch (const kestra::EKandelDrawReset&) {
        } catch (const kestra::EFileError&) {
            // Change system graphic to a file the game does not have.
        }
        CheckState(game);
        game.System.Scene = 0;
    }
    return 0;
}
