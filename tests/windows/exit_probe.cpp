// Prints two lines and ends with the status it is given: what the Wine wrapper's own test runs.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    std::puts("first");
    std::puts("second");
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
