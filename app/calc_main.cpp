// spindra-calc MODEL.rtm: reads a model file and analyses it (not yet built).
#include <cstdio>

int main() {
  std::fprintf(stderr, "spindra-calc: the analysis is not built yet\n");
  return 2;
}
