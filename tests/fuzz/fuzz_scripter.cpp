// Runs arbitrary command lists on a small map for three frames: on the main
// interpreter, as a parallel map event and as an auto-start common event. Nothing may
// crash, read out of bounds or hang; errors the interpreter raises on purpose (missing
// events, runaway calls) end the run.
//
// Input: lines of [code selector, indent, parameter count, parameters...], one byte
// each; a selector below the table size picks a known code, others give a raw code.
#include <cstddef>
#include <cstdint>

#include "FuzzGame.h"
#include "interpreter/LGD_ScripterBudget.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "state/LGD_Event.h"

namespace {

constexpr std::int32_t KCodes[] = {
    0,     10210, 10220, 10230, 10310, 10810, 10820, 10830, 10860, 10870, 10910,
    10920, 11060, 11310, 11320, 11330, 11340, 11350, 11410, 11610, 12010, 12110,
    12120, 12210, 12220, 12310, 12320, 12330, 12410, 13310, 20140, 20710, 20711,
    20712, 20720, 20730, 22010, 22210, 22410, 23310, 10110, 10140, 10720,
};
constexpr std::size_t KCodeCount = sizeof(KCodes) / sizeof(KCodes[0]);

kestra::TVezEventScriptList Decode(const std::uint8_t* data, std::size_t size) {
    kestra::TVezEventScriptList list;
    list.Clear();
    std::size_t i = 0;
    while (i + 3 <= size && list.Count() < 256) {
        kestra::TVezEventScriptLine line;
        const std::uint8_t selector = data[i];
        line.Code = selector < KCodeCount ? KCodes[selector] : 10000 + selector * 97;
        line.Indent = static_cast<std::int8_t>(data[i + 1]) % 8;
        const std::size_t count = data[i + 2] % 12;
        i += 3;
        for (std::size_t p = 0; p < count && i < size; ++p, ++i)
            line.Params.push_back(static_cast<std::int8_t>(data[i]));
        // Character references and map IDs live above the byte range.
        if (!line.Params.empty() && line.Params[0] > 120)
            line.Params[0] = 10001 + (line.Params[0] - 121);
        list.Append(std::move(line));
    }
    list.Append(kestra::TVezEventScriptLine{});
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestra;
    static test::TFuzzGame fuzz;
    const TVezEventScriptList list = Decode(data, size);
    TGameMain& game = fuzz.NewGame();
    TGameSession& session = *game.Session;
    // A list holds at most 256 lines: a budget of 300 commands a frame still runs every
    // line of it once, while a loop no longer spins 10000 commands per interpreter.
    SetCommandsPerFrame(300);
    TLcfgGameState& state = session.Save->State;
    auto& common = session.DataBase.CommonEvents.Obtain(1);
    common.Trigger = KTriggerAutoStart;
    common.Commands = list;
    state.CommonEvents.Rebuild(session.DataBase.CommonEvents);
    for (int n = 0; n < 3; ++n) {
        auto& e = session.Unit.Events.Append();
        e.X = 3 + n;
        e.Y = 4;
        e.Pages.Clear();
        auto& page = e.Pages.Obtain(1);
        page.Layer = 1;
        page.Trigger = n == 0 ? KTriggerParallelProcess : KTriggerActionKey;
        page.MoveKind = static_cast<std::uint8_t>(n + 1);
        page.Commands = list;
    }
    auto& field = static_cast<TVezFieldScene&>(*game.Scenes[KSceneField]);
    field.CreateEvents();
    state.Map.Events.At(1).RequestStart();
    try {
        for (int frame = 0; frame < 3; ++frame) {
            session.MessageWindow.Hide();
            game.Input->Pressed = static_cast<std::uint16_t>(frame * 0x13);
            field.UpdateEventsOnce();
            state.Interpreter.UpdateMain(game);
        }
    } catch (const EKestraError&) {
        // Missing events or maps, runaway calls: errors that name what is wrong.
    }
    return 0;
}
