#include "run.h"

int main(int argc, char** argv) {
  return unitinfo_main(argc, argv);
}
