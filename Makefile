# Front door of the build: every target but clean installs what is missing first.
JOBS ?= 2
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
CMAKE_COMMON = -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: demo test bench fuzz clean deps build build-asan

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B build $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build -j $(JOBS)

build-asan: deps
	@cmake -S . -B build-asan $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DFW_SANITIZE=ON -DFW_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)

demo: build
	@scripts/demo build/formwright

test: build build-asan
	@cd build && ctest -j $(JOBS) --output-on-failure
	@# LeakSanitizer now and then cannot stop the renderer's threads to look for leaks
	@# and ends the process; such a run is tried once more.
	@cd build-asan && ctest -j $(JOBS) --output-on-failure --repeat until-pass:2

bench: build
	@cmake --build build -j $(JOBS) --target benchmarks
	@scripts/run-bench build

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFW_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzzers
	@FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(FUZZ_JOBS) scripts/run-fuzz build-fuzz

clean:
	rm -rf build build-asan build-fuzz
