// Benchmark floor: a GUI program that does nothing.
int main() { return 0; }
