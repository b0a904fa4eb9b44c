/* The whole of one layer's library is linked into this program; nothing of it is called. */
int main(void) {
    return 0;
}
