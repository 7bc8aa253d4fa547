// Benchmark floor: the least a launcher with a switch on must do, one FindWindowA.
#include <windows.h>

int main() { return FindWindowA(nullptr, "VPTSchedule") != nullptr; }
