// Builds the self-extracting files of the Windows end-to-end runs (wine_run_test.sh):
//   wine_fixture STUB PROBE OUT CASE
// CASE "run": dated files, a directory entry and the probe, which the stub starts with the
// four placeholders; "overwrite": OverWrite=0 and a file that the script places first;
// "bad-offset": the "run" file with an archive offset text that does not convert.
#include <cstdio>
#include <exception>
#include <string>

#include "extract/sfx_fixture.h"

namespace {

using namespace lzsfx;
using namespace lzsfx::test_fixture;

constexpr long double Date1999 = 36201 + (12 * 3600 + 20 * 60 + 57) / 86400.0L;  // 1999-02-10 12:20:57
constexpr long double Date1979 = 29000.25L;
constexpr long double Date2100 = 73100.75L;

std::string Text(const ByteBuffer& bytes) { return std::string(bytes.begin(), bytes.end()); }

Fixture RunFixture(const std::string& probe) {
  Fixture fixture;
  fixture.Files = {
      {"SUB\\A.TXT", "alpha", ReadOnlyArchive, Date1999},
      {"B.TXT", "bravo", ArchiveAttribute, Date1979},
      {"\\C.TXT", "charlie", ArchiveAttribute, Date2100},
      {"EMPTY\\", ""},
      {"probe.exe", probe},
  };
  fixture.ConfigText = ConfigText({"Executable=probe.exe",
                                   "Parameters=record record.txt <AD> <wd> <SD> <TD> SUB\\A.TXT B.TXT C.TXT EMPTY"});
  return fixture;
}

Fixture OverwriteFixture(const std::string& probe) {
  Fixture fixture;
  fixture.Files = {{"B.TXT", "new"}, {"LATER.TXT", "later"}, {"probe.exe", probe}};
  fixture.ConfigText = ConfigText({"OverWrite=0", "Executable=probe.exe", "Parameters=record record.txt"});
  return fixture;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: wine_fixture STUB PROBE OUT run|overwrite|bad-offset\n");
    return 2;
  }
  try {
    const ByteBuffer stub = ReadWholeFile(argv[1]);
    const std::string probe = Text(ReadWholeFile(argv[2]));
    const std::string kind = argv[4];
    ByteBuffer program = BuildSelfExtractor(stub, kind == "overwrite" ? OverwriteFixture(probe) : RunFixture(probe));
    if (kind == "bad-offset") OverwriteOffsetText(program, "ABCDEFGHI");
    WriteWholeFile(argv[3], program);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "wine_fixture: %s\n", failure.what());
    return 1;
  }
}
