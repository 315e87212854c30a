#include <mox/mox.h>
int main() { return 0; }
