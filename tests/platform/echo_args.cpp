// The child program of the spawn cases: records its argument vector in echo_args.out in the
// working folder, each argument followed by a NUL, and exits with the code that an "exit=N"
// first argument names (0 otherwise; 100 when the record cannot be written).
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    std::FILE* out = std::fopen("echo_args.out", "wb");
    for (int i = 0; out && i < argc; ++i) {
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    }
    if (!out || std::fclose(out) != 0) {
        return 100;
    }
    return argc > 1 && std::strncmp(argv[1], "exit=", 5) == 0 ? std::atoi(argv[1] + 5) : 0;
}
