# bench_tones uses Google Benchmark.
find_package(benchmark REQUIRED)
target_link_libraries(bench_tones PRIVATE benchmark::benchmark)
