#pragma once
// A benchmark run's own scratch folder, and a main that leaves nothing behind.
#include <filesystem>
#include <string>

namespace bench {

// The run's folder under the temporary folder, named after `stem` and the process, made on the first call (which
// names it) with the application's data root inside it.
const std::filesystem::path& scratchFolder(const std::string& stem = "bench");

// Runs the benchmarks the command line names, then removes the scratch folder.
int runThenRemoveScratch(int argc, char** argv);

}  // namespace bench
