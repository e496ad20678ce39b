// Feeds every file of a corpus folder to the fuzz target once, so the saved
// interesting inputs run as an ordinary test (and under the sanitizers).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  std::size_t count = 0;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(argv[1])) {
    if (e.is_regular_file()) files.push_back(e.path());
  }
  for (const auto& p : files) {
    std::ifstream in(p, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++count;
  }
  std::printf("replayed %zu inputs from %s\n", count, argv[1]);
  if (count == 0) {
    std::fprintf(stderr, "empty corpus\n");
    return 1;
  }
  return 0;
}
