// kestra-data: the authors' tool for game data and images.
#include <cstdio>
#include <exception>
#include <string>

#include "ToolCommands.h"

namespace {

using kestra::tool::TToolCommand;

const TToolCommand KCommands[] = {
    {"image", kestra::tool::KImageUsage, kestra::tool::RunImageCommand},
};

void PrintUsage(std::FILE* to) {
    std::fprintf(to, "usage:\n");
    for (const TToolCommand& c : KCommands)
        std::fprintf(to, "  kestra-data %s %s\n", c.Name, c.Usage);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help") {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    for (const TToolCommand& c : KCommands) {
        if (argv[1] != std::string(c.Name)) continue;
        try {
            return c.Run(kestra::tool::TArgs(argv + 2, argv + argc));
        } catch (const kestra::tool::EUsage& e) {
            std::fprintf(stderr, "kestra-data: %s\n", e.Message.c_str());
            PrintUsage(stderr);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kestra-data: %s\n", e.what());
        }
        return 1;
    }
    std::fprintf(stderr, "kestra-data: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 1;
}
