// How the readers of outside data grow with their input: a registry file
// with one key of n values (read, and written), and a type library with n
// import entries. Each should grow as n log n at most; Google Benchmark fits
// the growth over n = 10k to 80k (the "BigO" and "RMS" lines).
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/registry/registry.h"
#include "runtime/formats/typelib_reader.h"
#include "tests/runtime/formats/typelib_hostile.h"

namespace {

std::string WideKey(int64_t values) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Classes\\Wide]\r\n";
  for (int64_t i = 0; i < values; ++i) text += "\"value" + std::to_string(i) + "\"=\"x\"\r\n";
  return text;
}

void ReadWideRegistryKey(benchmark::State& state) {
  const std::string text = WideKey(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(com::RegistryData::Parse(text, "wide.reg"));
  state.SetComplexityN(state.range(0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(ReadWideRegistryKey)
    ->Arg(10000)->Arg(20000)->Arg(40000)->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

void WriteWideRegistryKey(benchmark::State& state) {
  const com::RegistryData data = com::RegistryData::Parse(WideKey(state.range(0)), "wide.reg");
  for (auto _ : state) benchmark::DoNotOptimize(data.Serialize());
  state.SetComplexityN(state.range(0));
}
BENCHMARK(WriteWideRegistryKey)
    ->Arg(10000)->Arg(20000)->Arg(40000)->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

void ReadTypeLibraryImports(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto bytes = typelib_test::SharedMemberBlocks(1, 1, 0, n, n);
  for (auto _ : state) benchmark::DoNotOptimize(com::TypeLibrary::Read(bytes));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ReadTypeLibraryImports)
    ->Arg(10000)->Arg(20000)->Arg(40000)->Arg(80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNLogN);

}  // namespace
