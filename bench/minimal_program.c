/* The start benchmark's floor: a C program that does nothing, linked as the launcher is. */
int main(void) {
    return 0;
}
