// The start-up benchmark's yardstick: a C++ program that does nothing, linked with
// the C++ library as zarnik-count is.
#include <cstdio>

int main() { return std::fflush(stdout); }
