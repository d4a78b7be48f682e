// kestra-data: the authors' tool for game data and images.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: kestra-data <command> ...\n");
        return argc < 2 ? 1 : 0;
    }
    std::fprintf(stderr, "kestra-data: unknown command '%s'\n", argv[1]);
    return 1;
}
