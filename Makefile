# Front door for people who do not want to know CMake. Everything lands in build/ (programs in
# build/bin/); the sanitizer build uses build-asan/.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: all deps build example test sanitize bench fuzz bench-generate clean

all: build

deps:
	@./tools/install-deps.sh

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The main job: generate the shipped example site with the shipped templates and pictures, then
# name its first page. The generation log is kept in out/example.log.
example: build
	@mkdir -p out
	$(BUILD)/bin/folio32 generate share/example/site.json --dest out/example --resources share \
		--quiet >out/example.log
	@echo "$(CURDIR)/out/example/index.htm"

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DFOLIO32_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFOLIO32_BENCH=ON -DFOLIO32_TESTS=OFF
	cmake --build build-bench -j $(JOBS)

# Builds the libFuzzer targets with clang in build-libfuzzer and runs each for FUZZ_SECONDS
# seconds, one after the other. New inputs go to build-libfuzzer/corpus/<target>; the checked-in
# corpus in fuzz/corpus/<target> is only read.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= fuzz_fol_reader fuzz_json_reader fuzz_template fuzz_image_map \
	fuzz_setup_script fuzz_uninstall_log
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-libfuzzer -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DFOLIO32_LIBFUZZER=ON -DFOLIO32_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build-libfuzzer -j $(JOBS) --target $(FUZZ_TARGETS)
	@set -e; for t in $(FUZZ_TARGETS); do \
		mkdir -p build-libfuzzer/corpus/$$t; \
		dict=; if [ -f fuzz/$$t.dict ]; then dict=-dict=fuzz/$$t.dict; fi; \
		echo "== $$t ($(FUZZ_SECONDS) s)"; \
		build-libfuzzer/bin/$$t -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 $$dict \
			build-libfuzzer/corpus/$$t fuzz/corpus/$$t; \
	done

# The generation benchmark: folio32 generate of a 10,000-page site against a write baseline and
# Hugo (see docs/PERFORMANCE.md).
bench-generate: deps
	bench/bench_generate.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench build-libfuzzer out
