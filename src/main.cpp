#include "app/program.h"

int main(int argc, char** argv) {
    return tavelin::runProgram(argc, argv);
}
