// PLACEHOLDER: the window's owner replaces this file.
#include <cstdio>
int main() {
    std::puts("Quillmar");
    return 0;
}
