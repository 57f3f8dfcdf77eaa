// Entry point: window, menu, start-up, main loop.
int main() { return 0; }
