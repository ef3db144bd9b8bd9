# Front door for people who do not want to know CMake. Everything lands in build/ (programs in
# build/bin/); the sanitizer build uses build-asan/.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

.PHONY: all deps build example test sanitize bench fuzz clean

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

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench build-libfuzzer out
