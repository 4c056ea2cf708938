// korvane-console: starts and follows the scanners, creates the inventory and shows it,
// and makes simulated networks to scan.
#include <iostream>
#include <string>
#include <vector>

#include "console/commands.h"
#include "console/system/process_memory.h"

int main(int argc, char** argv) {
  korvane::console::ReturnLargeBuffersWhenFreed();
  std::vector<std::string> args(argv + 1, argv + argc);
  return korvane::console::ConsoleMain(args, std::cout, std::cerr);
}
