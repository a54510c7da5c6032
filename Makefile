# The two everyday commands: `make run` and `make test`. Both install what is missing first.
JOBS ?= 2

.PHONY: deps run test bench asan format clean

deps:
	@scripts/deps

build/debug/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset debug

build/release/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset release

build/asan/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset asan

run: deps build/debug/build.ninja
	cmake --build --preset debug -j $(JOBS) --target tessavo
	./build/debug/app/tessavo

test: deps build/debug/build.ninja
	cmake --build --preset debug -j $(JOBS)
	ctest --preset debug

# Speed and memory targets: Release build, Google Benchmark.
bench: deps build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target tessavo_bench tessavo_window_bench tessavo_files_bench
	./build/release/bench/tessavo_bench
	./build/release/bench/tessavo_files_bench
	QT_QPA_PLATFORM=offscreen ./build/release/bench/tessavo_window_bench

asan: deps build/asan/build.ninja
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
