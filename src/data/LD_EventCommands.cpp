#include "data/LD_EventCommands.h"

#include <algorithm>
#include <iterator>

namespace kestra {

namespace {

using K = TEventLineKind;

// Sorted by code. A branch or continuation line has its command's code plus 10000
// (plus 10001 and up for the further branches of one structure).
constexpr TEventCommand KEventCommands[] = {
    {0, "End of list", K::End},
    {10110, "Show message", K::Command},
    {10120, "Message options", K::Command},
    {10130, "Select face graphic", K::Command},
    {10140, "Show choices", K::Command},
    {10150, "Input number", K::Command},
    {10210, "Control switches", K::Command},
    {10220, "Control variables", K::Command},
    {10230, "Timer operation", K::Command},
    {10310, "Change money", K::Command},
    {10320, "Change items", K::Command},
    {10330, "Change party members", K::Command},
    {10410, "Change experience", K::Command},
    {10420, "Change level", K::Command},
    {10430, "Change parameters", K::Command},
    {10440, "Change skills", K::Command},
    {10450, "Change equipment", K::Command},
    {10460, "Change HP", K::Command},
    {10470, "Change SP", K::Command},
    {10480, "Change condition", K::Command},
    {10490, "Full recovery", K::Command},
    {10500, "Inflict damage", K::Command},
    {10610, "Change actor name", K::Command},
    {10620, "Change actor title", K::Command},
    {10630, "Change actor sprite", K::Command},
    {10640, "Change actor face", K::Command},
    {10650, "Change vehicle graphic", K::Command},
    {10660, "Change system music", K::Command},
    {10670, "Change system sound", K::Command},
    {10680, "Change system graphic", K::Command},
    {10690, "Change screen transition", K::Command},
    {10710, "Start battle", K::Command},
    {10720, "Open shop", K::Command},
    {10730, "Show inn", K::Command},
    {10740, "Input actor name", K::Command},
    {10810, "Teleport", K::Command},
    {10820, "Memorize position", K::Command},
    {10830, "Teleport to memorized position", K::Command},
    {10840, "Board or leave vehicle", K::Command},
    {10850, "Set vehicle position", K::Command},
    {10860, "Set event position", K::Command},
    {10870, "Swap event positions", K::Command},
    {10910, "Get terrain ID", K::Command},
    {10920, "Get event ID", K::Command},
    {11010, "Erase screen", K::Command},
    {11020, "Show screen", K::Command},
    {11030, "Tint screen", K::Command},
    {11040, "Flash screen", K::Command},
    {11050, "Shake screen", K::Command},
    {11060, "Pan screen", K::Command},
    {11070, "Weather effect", K::Command},
    {11110, "Show picture", K::Command},
    {11120, "Move picture", K::Command},
    {11130, "Erase picture", K::Command},
    {11210, "Show battle animation", K::Command},
    {11310, "Set hero transparency", K::Command},
    {11320, "Flash character", K::Command},
    {11330, "Set move route", K::Command},
    {11340, "Wait for all movement", K::Command},
    {11350, "Halt all movement", K::Command},
    {11410, "Wait", K::Command},
    {11510, "Play music", K::Command},
    {11520, "Fade out music", K::Command},
    {11530, "Memorize music", K::Command},
    {11540, "Play memorized music", K::Command},
    {11550, "Play sound", K::Command},
    {11560, "Play movie", K::Command},
    {11610, "Key input", K::Command},
    {11710, "Change chip set", K::Command},
    {11720, "Change panorama", K::Command},
    {11740, "Change encounter rate", K::Command},
    {11750, "Replace tiles", K::Command},
    {11810, "Change teleport targets", K::Command},
    {11820, "Enable teleport", K::Command},
    {11830, "Set escape target", K::Command},
    {11840, "Enable escape", K::Command},
    {11910, "Open save menu", K::Command},
    {11930, "Enable saving", K::Command},
    {11950, "Open main menu", K::Command},
    {11960, "Enable main menu", K::Command},
    {12010, "Conditional branch", K::Command},
    {12110, "Label", K::Command},
    {12120, "Jump to label", K::Command},
    {12210, "Loop", K::Command},
    {12220, "Break loop", K::Command},
    {12310, "End event", K::Command},
    {12320, "Erase event", K::Command},
    {12330, "Call event", K::Command},
    {12410, "Comment", K::Command},
    {12420, "Game over", K::Command},
    {12510, "Return to title", K::Command},
    {13110, "Change monster HP", K::Command},
    {13120, "Change monster SP", K::Command},
    {13130, "Change monster condition", K::Command},
    {13150, "Show hidden monster", K::Command},
    {13210, "Change battle background", K::Command},
    {13260, "Show battle animation in battle", K::Command},
    {13310, "Conditional branch in battle", K::Command},
    {13410, "End battle", K::Command},
    {20110, "Message line", K::Continuation},
    {20140, "Choice branch", K::Branch},
    {20710, "Victory branch", K::Branch},
    {20711, "Escape branch", K::Branch},
    {20712, "Defeat branch", K::Branch},
    {20720, "Shop traded branch", K::Branch},
    {20721, "Shop no trade branch", K::Branch},
    {20730, "Inn stay branch", K::Branch},
    {20731, "Inn leave branch", K::Branch},
    {22010, "Else", K::Branch},
    {22210, "End of loop", K::Branch},
    {22410, "Comment line", K::Continuation},
    {23310, "Else in battle", K::Branch},
};

constexpr bool SortedByCode() {
    for (std::size_t i = 1; i < std::size(KEventCommands); ++i)
        if (KEventCommands[i - 1].Code >= KEventCommands[i].Code) return false;
    return true;
}
static_assert(SortedByCode(), "the event command table must be sorted by code");

} // namespace

std::span<const TEventCommand> EventCommands() {
    return KEventCommands;
}

const TEventCommand* FindEventCommand(std::int32_t code) {
    const auto* it =
        std::lower_bound(std::begin(KEventCommands), std::end(KEventCommands), code,
                         [](const TEventCommand& c, std::int32_t v) { return c.Code < v; });
    return it != std::end(KEventCommands) && it->Code == code ? it : nullptr;
}

const TEventCommand* FindEventCommandByName(std::string_view name) {
    for (const TEventCommand& c : KEventCommands)
        if (name == c.Name) return &c;
    return nullptr;
}

} // namespace kestra
