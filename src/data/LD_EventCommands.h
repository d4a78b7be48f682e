#pragma once
// The event commands: every code a command list may hold, with its name. The
// interpreter dispatches by these codes and the data tool writes these names, so the
// names are part of the stored JSON form and must not change once used.
#include <cstdint>
#include <span>
#include <string_view>

namespace kestra {

enum class TEventLineKind : std::uint8_t {
    Command,      // starts a command
    Branch,       // a branch or closing line of a structure, run as a command of its own
    Continuation, // a further line of the command before it (message text, comment text)
    End,          // the line ending a list
};

struct TEventCommand {
    std::int32_t Code;
    const char* Name;
    TEventLineKind Kind;
};

// The whole table, sorted by code.
std::span<const TEventCommand> EventCommands();
// Null for a code or a name (exact spelling) not in the table.
const TEventCommand* FindEventCommand(std::int32_t code);
const TEventCommand* FindEventCommandByName(std::string_view name);

} // namespace kestra
