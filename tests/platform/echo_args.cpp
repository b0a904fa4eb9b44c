// The child program of the spawn tests: records its argument vector in echo_args.out in the
// working folder, each argument followed by a NUL, and exits with the code that an "exit=N"
// first argument names (0 otherwise).
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    std::FILE* out = std::fopen("echo_args.out", "wb");
    if (!out) {
        return 100;
    }
    for (int i = 0; i < argc; ++i) {
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    }
    if (std::fclose(out) != 0) {
        return 101;
    }
    if (argc > 1 && std::strncmp(argv[1], "exit=", 5) == 0) {
        return std::atoi(argv[1] + 5);
    }
    return 0;
}
