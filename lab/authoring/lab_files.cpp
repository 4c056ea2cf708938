// The generator's and the days' files: computers written into a lab directory through
// the lab store.
#include <filesystem>

#include "lab/authoring/lab_generate.h"
#include "lab/model/lab_store.h"

namespace korvane::lab::authoring {

void WriteComputerAt(const std::string& directory, const LabComputer& computer) {
  const LabStore store(directory);
  store.Write(store.FileFor(computer.fileName), DumpLabJson(WriteComputer(computer), true) + "\n");
}

int WriteLab(const std::string& directory, const LabSettings& settings) {
  std::filesystem::create_directories(directory);
  int written = 0;
  for (int i = 0; i < settings.computers; ++i) {
    WriteComputerAt(directory, GenerateComputer(settings.seed, i, settings.latency).computer);
    ++written;
  }
  return written;
}

}  // namespace korvane::lab::authoring
