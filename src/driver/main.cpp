#include "driver/zeltocov_main.h"

int main(int argc, char **argv) {
  return zeltocovMain(argc, argv);
}
