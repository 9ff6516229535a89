# The zoom benchmark uses Google Benchmark.
find_package(benchmark REQUIRED)
target_link_libraries(bench_zoom PRIVATE benchmark::benchmark)
