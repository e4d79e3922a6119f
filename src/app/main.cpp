// Program start. The window, the display and the 100 Hz loop arrive with the SDL platform.
int main() { return 0; }
