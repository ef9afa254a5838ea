#include "app/Application.h"
#include "model/HugePageHeap.h"

int main(int argc, char** argv) {
    tsm::RestartWithHugePageHeap(argv);
    return tsm::RunTessaly(argc, argv);
}
