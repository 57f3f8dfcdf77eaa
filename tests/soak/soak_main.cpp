// Placeholder while the long-run driver is written.
int main() { return 0; }
