// Loads what the launcher loads (the engine, the platform services, zlib and the C++ runtime)
// and does nothing: the start-up that any program with the launcher's imports has to pay.
int main() {
    return 0;
}
