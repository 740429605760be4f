#include "console/entry.h"

int main(int argc, char** argv) {
  return orx::RunProgram(argc, argv);
}
