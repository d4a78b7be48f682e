#pragma once
// Subcommands of kestra-data. Each takes the words after its own name, prints its
// results to standard output and returns the exit code; errors escape as exceptions.
#include <string>
#include <vector>

namespace kestra::tool {

using TArgs = std::vector<std::string>;

struct TToolCommand {
    const char* Name;
    const char* Usage; // the words after the command name
    int (*Run)(const TArgs& args);
};

// `image info FILE`, `image convert IN OUT`.
int RunImageCommand(const TArgs& args);
extern const char* const KImageUsage;

// Thrown for a malformed command line; main prints the usage.
struct EUsage {
    std::string Message;
};

} // namespace kestra::tool
