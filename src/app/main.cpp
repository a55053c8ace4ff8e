// Lokální pořizovací program MERO.
#include "app/program.h"

int main(int argc, char* argv[]) {
    return mero::RunProgram(argc, argv);
}
