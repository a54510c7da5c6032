# The two everyday commands: `make run` and `make test`. Both install what is missing first.
JOBS ?= 2

.PHONY: deps run test bench asan fuzz format clean windows package package-check

deps:
	@scripts/deps

build/debug/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset debug

build/release/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset release

build/run/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset run

build/asan/build.ninja: CMakeLists.txt CMakePresets.json
	cmake --preset asan

# An optimised build with debug information: a debug build opens files several times slower.
run: deps build/run/build.ninja
	cmake --build --preset run -j $(JOBS) --target tessavo
	./build/run/app/tessavo $(ARGS)

test: deps build/debug/build.ninja
	cmake --build --preset debug -j $(JOBS)
	ctest --preset debug
	@$(MAKE) --no-print-directory test-windows

# The libraries and tests that need no Qt, cross-built for Windows with MinGW-w64 and run under Wine, COM and
# Win32 tests included. See docs/WINDOWS.md.
.PHONY: test-windows
build/windows/build.ninja: CMakeLists.txt CMakePresets.json cmake/mingw-w64-x86_64.cmake
	cmake --preset windows

test-windows: deps build/windows/build.ninja windows
	cmake --build --preset windows -j $(JOBS)
	scripts/wine-session ctest --preset windows

# The Windows program as users get it: build/windows-release/tessavo-windows-x86_64.zip, holding the static
# tessavo.exe (no DLLs beside it) and a README in Chinese.
build/windows-release/build.ninja: CMakeLists.txt CMakePresets.json cmake/mingw-w64-x86_64.cmake
	cmake --preset windows-release

windows: deps build/windows-release/build.ninja
	cmake --build --preset windows-release -j $(JOBS) --target windows_zip
	scripts/check-windows-zip build/windows-release/tessavo-windows-x86_64.zip

# The installable packages: build/release/tessavo_<version>_amd64.deb of the Release build (CPack), and the
# Windows zip above. Only the program is built for the .deb, not the tests and benchmarks of the same folder.
package: deps build/release/build.ninja windows
	cmake --build --preset release -j $(JOBS) --target tessavo tessavo_package_files
	rm -f build/release/tessavo_*.deb
	cd build/release && cpack -G DEB
	@ls build/release/tessavo_*.deb build/windows-release/tessavo-windows-x86_64.zip

# The .deb checked as a user meets it: lintian, then installed with apt-get into a clean Debian 12 root
# (build/package-root, kept for the next run), started there on an X server of its own, and purged. See
# scripts/package-check.
package-check: package
	scripts/package-check build/release/tessavo_*.deb

# Speed and memory targets: Release build, Google Benchmark.
bench: deps build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target tessavo_bench tessavo_window_bench tessavo_files_bench
	if [ -f build/release/bench/CMakeFiles/tessavo_libreoffice_bench.dir/flags.make ]; then \
		cmake --build --preset release -j $(JOBS) --target tessavo_libreoffice_bench && \
		scripts/with-test-offices ./build/release/bench/tessavo_libreoffice_bench; fi
	./build/release/bench/tessavo_bench
	./build/release/bench/tessavo_files_bench
	QT_QPA_PLATFORM=offscreen ./build/release/bench/tessavo_window_bench

asan: deps build/asan/build.ninja
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

# The file readers under libFuzzer for a bounded time (FUZZ_SECONDS, 60 by default); not part of `make test`.
fuzz: deps
	cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DTESSAVO_FUZZ=ON -DTESSAVO_GUI=OFF -DTESSAVO_TESTS=OFF -DTESSAVO_BENCH=OFF \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
	    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
	cmake --build build/fuzz -j $(JOBS)
	fuzz/run

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build
